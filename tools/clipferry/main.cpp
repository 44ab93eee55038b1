// clipferry: publishes videos to Lumivid from the terminal through the
// Clipferry library, loaded the way any host loads it.
#include <iostream>

#include "commands.h"
#include "options.h"

int main(int argc, char** argv) {
    using namespace clipferry::cli;
    ParseResult parsed = parseCommandLine(argc, argv, std::cout, std::cerr);
    if (!parsed.options) {
        return parsed.exitStatus;
    }
    return runCommand(*parsed.options);
}
