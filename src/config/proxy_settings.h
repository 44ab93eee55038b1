// The proxy every request goes through, derived from the system's recorded
// proxy server text.
#pragma once

#include <string>

namespace clipferry {

// Reduces a recorded proxy server text (one address for all protocols, or a
// "protocol=address;..." list) to the address plain web traffic uses. True
// with the address assigned; false, leaving it unchanged, when the text is a
// list without a usable http entry.
bool DeriveProxyAddress(const std::u16string& value, std::u16string& address);

// Reads the recorded text and derives the address from it; false when no
// proxy is to be used.
bool ReadProxySettings(std::u16string& address);

}  // namespace clipferry
