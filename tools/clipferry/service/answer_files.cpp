// Where the library keeps its raw answers when the log switch is on, for the
// messages that point at them.
#include "service/answer_files.h"

#include <cstdlib>

namespace clipferry::cli {

bool keepsAnswers() {
    const char* log = std::getenv(kLogVariable);
    return log && std::string(log) == kKeepAnswers;
}

std::string dumpDirectory() {
    const char* dir = std::getenv("TMPDIR");
    std::string path = dir && *dir ? dir : "/tmp";
    return path.back() == '/' ? path : path + "/";
}

}  // namespace clipferry::cli
