// file-types: log in, ask for the list, print it.
#include "commands/file_types/file_types.h"

#include "app/retrying.h"
#include "commands/login/login.h"
#include <clipferry-common/file_types.h>
#include "text/text.h"

namespace clipferry::cli {

int fileTypesCommand(Context& context) {
    const Io& io = context.io;
    std::string text;
    const int status = logInAndAsk(context, Operation::FileTypes, [&](Service& service) {
        io.step("asking for the accepted file types");
        return withRetry(context, Operation::FileTypes, [&] { return service.fileTypes(text); });
    });
    if (status != exit_status::ok) return status;
    const std::vector<std::string> types = rules::splitFileTypes(text);
    if (io.json()) {
        io.document({{"ok", true}, {"file_types", types}});
        return exit_status::ok;
    }
    for (const std::string& type : types) io.out() << visible(type) << "\n";
    return exit_status::ok;
}

}  // namespace clipferry::cli
