// clipferry: publishes videos to Lumivid from the terminal through the
// Clipferry library, loaded the way any host loads it.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>

#include "app/context.h"
#include "app/options.h"
#include "app/password.h"
#include "commands/login/remembered_login.h"
#include "commands/root.h"
#include "app/interrupt.h"
#include "service/result_codes.h"
#include "service/retry.h"
#include "service/session.h"

int main(int argc, char** argv) {
    using namespace clipferry::cli;
    const std::string version = std::string("clipferry ") + CLIPFERRY_CLI_PROJECT_VERSION +
                                "\nlibrary header " + libraryHeaderVersion();
    ParseResult parsed = parseCommandLine(argc, argv, std::cout, std::cerr, version);
    if (!parsed.options) {
        return parsed.exitStatus;
    }
    const Options& options = *parsed.options;
    Io io({std::cout, std::cerr, std::cin, isatty(STDOUT_FILENO) == 1, isatty(STDERR_FILENO) == 1,
           STDERR_FILENO},
          {options.json, options.quiet, options.verbose});
    Context context{io,
                    options,
                    processEnvironment(),
                    [] { return std::make_unique<Session>(interrupted); },
                    {[&io](const std::string& user) { return rememberedPassword(user, io); }, obtainPassword,
                     [&io](const std::string& user, const clipferry::Secret& password, bool remember) {
                         return offerToRemember(user, password, remember, io);
                     }},
                    waitUnlessInterrupted,
                    {},
                    {}};
    int status = runCommand(context, parsed.command);
    // Output that could not be written (a full disk, a closed pipe) is a failure, said.
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "clipferry: could not write the output: " << std::strerror(errno) << "\n";
        status = worseExitStatus(status, exit_status::failure);
    }
    if (status == exit_status::interrupted) {
        // End as the signal ends a command (Ctrl-C: 130, SIGTERM: 143, SIGHUP: 129), so a
        // shell running it in a loop stops too.
        const int signal = interruptSignal() ? interruptSignal() : SIGINT;
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    return status;
}
