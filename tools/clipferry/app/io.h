// Where everything the command says goes: results on standard output (text
// or one JSON document), errors, progress and --verbose's steps on standard
// error; the streams are handed in, so a test can read what was said.
#pragma once

#include <istream>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

#include "app/password.h"
#include "service/result_codes.h"
#include "store/config.h"

namespace clipferry::cli {

inline constexpr char kApiHost[] = CLIPFERRY_CLI_API_HOST_URL;
// Where the file goes when the API host names no upload server.
inline constexpr char kUploadHost[] = CLIPFERRY_CLI_UPLOAD_HOST_URL;

struct Streams {
    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    bool outTerminal = false;
    bool errTerminal = false;
    int errDescriptor = -1;  // for the terminal's width while a file goes out; -1: none
};

// The global flags that shape the output.
struct OutputMode {
    bool json = false;     // one JSON document on standard output
    bool quiet = false;    // no progress
    bool verbose = false;  // each step on standard error
};

class Io {
public:
    Io(Streams streams, OutputMode mode) : streams_(streams), mode_(mode) {}

    std::ostream& out() const { return streams_.out; }
    std::ostream& err() const { return streams_.err; }
    std::istream& in() const { return streams_.in; }
    int errDescriptor() const { return streams_.errDescriptor; }

    bool json() const { return mode_.json; }
    bool plainLists() const { return !streams_.outTerminal; }
    // With --json the progress would only clutter a log, unless someone watches it.
    bool showProgress() const { return !mode_.quiet && (!mode_.json || streams_.errTerminal); }
    bool progressOnTerminal() const { return streams_.errTerminal; }
    bool verbose() const { return mode_.verbose; }
    // The waiting line, on a terminal only, and not over --verbose's steps.
    bool showWaiting() const { return streams_.errTerminal && !mode_.quiet && !mode_.verbose; }

    // The proxy in use, as the user wrote it (empty for none), and where it was set.
    void proxy(const std::string& proxy, const std::string& source) {
        proxy_ = proxy;
        proxySource_ = source;
    }
    const std::string& proxy() const { return proxy_; }
    const std::string& proxySource() const { return proxySource_; }
    // "127.0.0.1:8765 (the proxy, from --proxy)", or the service's host.
    std::string waitingFor() const;
    // How the password was given, for the hint after a refused login.
    void passwordFrom(const std::string& source) { passwordSource_ = source; }
    // Where the user name was set, for the same hint.
    void userFrom(const std::string& source) { userSource_ = source; }

    void step(const std::string& text) const;
    void document(const nlohmann::ordered_json& document) const;

    // What a failure's explanation needs to know besides the result.
    Circumstances circumstances(Operation operation, const std::string& file = {},
                                const std::string& serviceMessage = {}) const;

private:
    Streams streams_;
    OutputMode mode_;
    std::string proxy_;
    std::string proxySource_ = kProxyVariable;
    std::string passwordSource_ = kPasswordVariable;
    std::string userSource_ = "--user";
};

}  // namespace clipferry::cli
