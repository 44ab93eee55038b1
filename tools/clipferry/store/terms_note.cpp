// The terms note as JSON ({"accepted": {"USER": "2026-12-01T10:11:12Z"}}),
// read without following a link and replaced whole.
#include "store/terms_note.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <nlohmann/json.hpp>
#include <random>

#include "store/file_descriptor.h"
#include "store/ledger.h"

namespace clipferry::cli {

namespace fs = std::filesystem;

namespace {

constexpr size_t kLargestNote = 1 << 20;  // far more users than anyone has

[[noreturn]] void fail(const fs::path& path, const std::string& why) {
    throw TermsNoteError(path.string() + ": " + why);
}

// The note's users; an empty object when there is no file yet.
nlohmann::json readNote(const fs::path& path) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (!file.valid()) {
        if (errno == ENOENT) return nlohmann::json::object();
        if (errno == ELOOP) fail(path, "a link where the note of the terms belongs; remove it");
        fail(path, std::string("cannot be read: ") + std::strerror(errno));
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        fail(path, "not a regular file; remove it");
    }
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(file.get(), buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) fail(path, std::string("cannot be read: ") + std::strerror(errno));
        text.append(buffer, static_cast<size_t>(got));
        if (text.size() > kLargestNote) fail(path, "too large to be the note of the terms");
    }
    try {
        nlohmann::json note = nlohmann::json::parse(text);
        if (note.is_object() && note.value("accepted", nlohmann::json()).is_object()) {
            return note["accepted"];
        }
    } catch (const nlohmann::json::exception&) {
    }
    fail(path, "not the note of the terms this command writes; remove it");
}

std::string utcDateTime(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// The folder and any missing parents, for the owner alone.
void createPrivateFolders(const fs::path& folder) {
    if (folder.empty()) return;
    if (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) return;
    if (errno != ENOENT) fail(folder, std::string("cannot create the folder: ") + std::strerror(errno));
    createPrivateFolders(folder.parent_path());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        fail(folder, std::string("cannot create the folder: ") + std::strerror(errno));
    }
}

// A new file beside the target, removed unless it replaced the target.
class Replacement {
public:
    explicit Replacement(const fs::path& target) : target_(target) {
        std::random_device random;
        path_ = target.parent_path() /
                ("." + target.filename().string() + "." + std::to_string(random()) + ".tmp");
    }
    ~Replacement() {
        if (!done_) ::unlink(path_.c_str());
    }
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    void replace(const std::string& text) {
        FileDescriptor file(
            ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file.valid()) fail(path_, std::string("cannot be created: ") + std::strerror(errno));
        for (size_t done = 0; done < text.size();) {
            const ssize_t put = ::write(file.get(), text.data() + done, text.size() - done);
            if (put < 0 && errno == EINTR) continue;
            if (put < 0) fail(path_, std::string("cannot be written: ") + std::strerror(errno));
            done += static_cast<size_t>(put);
        }
        if (::fsync(file.get()) != 0) fail(path_, std::string("cannot be written: ") + std::strerror(errno));
        if (::rename(path_.c_str(), target_.c_str()) != 0) {
            fail(target_, std::string("cannot be replaced: ") + std::strerror(errno));
        }
        done_ = true;
    }

private:
    fs::path target_;
    fs::path path_;
    bool done_ = false;
};

}  // namespace

std::optional<fs::path> termsNotePath(const EnvLookup& env) {
    const std::optional<fs::path> ledger = ledgerPath(env);
    if (!ledger) return std::nullopt;
    return ledger->parent_path() / "terms-accepted.json";
}

bool termsNoted(const fs::path& path, const std::string& user) {
    return readNote(path).contains(user);
}

std::set<std::string> termsNotedUsers(const fs::path& path) {
    std::set<std::string> users;
    const nlohmann::json accepted = readNote(path);  // held: items() does not keep it alive
    for (const auto& entry : accepted.items()) users.insert(entry.key());
    return users;
}

void noteTermsAccepted(const fs::path& path, const std::string& user,
                       std::chrono::system_clock::time_point when) {
    createPrivateFolders(path.parent_path());
    nlohmann::json accepted = readNote(path);
    if (accepted.contains(user)) return;
    accepted[user] = utcDateTime(when);
    std::string text;
    try {
        text = nlohmann::json({{"accepted", accepted}}).dump(2) + "\n";
    } catch (const nlohmann::json::exception&) {
        fail(path, "the user name is not UTF-8 text");
    }
    Replacement(path).replace(text);
}

}  // namespace clipferry::cli
