// clipferry: publishes videos to Lumivid from the terminal through the
// Clipferry library, loaded the way any host loads it.
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>

#include "commands/commands.h"
#include "service/interrupt.h"
#include "app/options.h"
#include "commands/root.h"
#include "service/result_codes.h"
#include "service/session.h"

int main(int argc, char** argv) {
    using namespace clipferry::cli;
    const std::string version = std::string("clipferry ") + CLIPFERRY_CLI_PROJECT_VERSION +
                                "\nlibrary header " + libraryHeaderVersion();
    ParseResult parsed = parseCommandLine(argc, argv, std::cout, std::cerr, version);
    if (!parsed.options) {
        return parsed.exitStatus;
    }
    int status = runCommand(*parsed.options);
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
