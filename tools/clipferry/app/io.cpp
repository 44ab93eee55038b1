// The streams the command writes to, and what its failures are told about.
#include "app/io.h"

#include "app/json_output.h"
#include "app/interrupt.h"

namespace clipferry::cli {

std::string Io::waitingFor() const {
    return proxy_.empty() ? std::string(kApiHost) : proxy_ + " (the proxy, from " + proxySource_ + ")";
}

void Io::step(const std::string& text) const {
    if (mode_.verbose) err() << "verbose: " << text << "\n" << std::flush;
}

void Io::document(const nlohmann::ordered_json& document) const { out() << render(document); }

Circumstances Io::circumstances(Operation operation, const std::string& file,
                                const std::string& serviceMessage) const {
    std::string host = kApiHost;
    if (operation == Operation::Upload) {
        host += std::string(" or the upload server it names (else ") + kUploadHost + ")";
    }
    Circumstances circumstances;
    circumstances.serviceMessage = serviceMessage;
    circumstances.interrupted = interrupted();
    circumstances.proxy = proxy_;
    circumstances.host = host;
    circumstances.file = file;
    circumstances.proxySource = proxySource_;
    circumstances.passwordSource = passwordSource_;
    circumstances.userSource = userSource_;
    return circumstances;
}

}  // namespace clipferry::cli
