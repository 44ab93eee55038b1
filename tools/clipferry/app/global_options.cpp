// The options of the whole command and what they mean once parsed.
#include "app/global_options.h"

#include "app/option_table.h"

namespace clipferry::cli {

void addGlobalOptions(CLI::App& app, Options& options, GlobalFlags& flags, ExclusiveOptions& exclusive) {
    // Where a setting came from matters (`clipferry config`), so the
    // environment and config.toml are read after parsing, not by CLI11.
    flags.userOption = app.add_option(
        "--user,-u", flags.user, "Lumivid user name (else CLIPFERRY_USER, else user in config.toml)")
        ->type_name("NAME");
    flags.proxyOption = app.add_option(
        "--proxy", flags.proxy,
        "HTTP proxy for every request, HOST:PORT (else CLIPFERRY_PROXY_SERVER, else proxy in "
        "config.toml)")
        ->type_name("HOST:PORT");
    flags.retryOption =
        app.add_option("--retry", flags.retries,
                       "Try again up to N times after a connection failure or timeout, "
                       "waiting 1 s and doubling; never once the whole file was sent "
                       "(else retry in config.toml, else 0)")
            ->check(wholeNumber(0, 100))
            ->type_name("N");
    app.add_flag("--json", options.json, "Print one JSON document on standard output");
    CLI::Option* quiet =
        app.add_flag("--quiet,-q", options.quiet, "No progress: only the result and errors");
    CLI::Option* verbose = app.add_flag(
        "--verbose,-v", options.verbose,
        "Say on standard error where dump files go, the proxy, each step, and each file "
        "skipped or left out of a folder (not with --quiet)");
    exclusive.emplace_back(quiet, verbose);
    app.add_flag("--password-stdin", options.passwordFromStdin,
                 "Read the password from the first line of standard input");
}

void takeGlobalValues(const GlobalFlags& flags, Options& options) {
    if (flags.userOption->count() > 0) options.given.user = flags.user;
    if (flags.proxyOption->count() > 0) options.given.proxy = flags.proxy;
    if (flags.retryOption->count() > 0) options.given.retry = flags.retries;
}

std::optional<std::string> findBadGlobalArgument(const Options& options, const std::string& user) {
    if (user.empty()) {
        return options.given.user ? "--user: the user name is empty"
                                  : "--user: no user name; give --user NAME, set CLIPFERRY_USER, "
                                    "or write user = \"NAME\" in config.toml (see clipferry config)";
    }
    return std::nullopt;
}

const char* environmentHelp() {
    return "Environment:\n"
           "  CLIPFERRY_USER          the user name, when --user is not given\n"
           "  CLIPFERRY_PASSWORD      the password (else --password-stdin, else asked at the terminal)\n"
           "  CLIPFERRY_PROXY_SERVER  the HTTP proxy every request goes through, HOST:PORT,\n"
           "                          when --proxy is not given\n"
           "  CLIPFERRY_LOG           999 keeps each raw answer in the temporary directory\n"
           "                          ($TMPDIR or /tmp, Clipferry_*.xml) and traces libcurl\n"
           "  CLIPFERRY_CURL_LIBRARY  the libcurl to load (default libcurl.so.4)\n"
           "  XDG_STATE_HOME          the ledger of uploads is $XDG_STATE_HOME/clipferry/ledger.sqlite\n"
           "                          (else ~/.local/state/clipferry/ledger.sqlite)\n"
           "\n"
           "Configuration: $XDG_CONFIG_HOME/clipferry/config.toml (else ~/.config/clipferry/):\n"
           "  user, proxy, retry, categories = [1, 11] and moderator, each used when neither a\n"
           "  flag nor the environment gives it; `clipferry config` shows where each came from.\n";
}

}  // namespace clipferry::cli
