// clipferry: publishes videos to Lumivid from the terminal through the
// Clipferry library, loaded the way any host loads it.
#include <iostream>

#include "commands.h"
#include "options.h"
#include "session.h"

int main(int argc, char** argv) {
    using namespace clipferry::cli;
    const std::string version = std::string("clipferry ") + CLIPFERRY_CLI_PROJECT_VERSION +
                                "\nlibrary header " + libraryHeaderVersion();
    ParseResult parsed = parseCommandLine(argc, argv, std::cout, std::cerr, version);
    if (!parsed.options) {
        return parsed.exitStatus;
    }
    return runCommand(*parsed.options);
}
