// The options of the whole command, as the command line gives them. Each
// command's own options are a struct beside the command (commands/<name>/).
#pragma once

#include "store/config.h"

namespace clipferry::cli {

struct Options {
    CommandLineSettings given;  // --user, --proxy, --retry as given; the configuration fills the rest
    bool json = false;            // one JSON document on standard output
    bool quiet = false;           // no progress, only the result and errors
    bool verbose = false;         // each step, the proxy and the dump files on standard error
    bool passwordFromStdin = false;
};

}  // namespace clipferry::cli
