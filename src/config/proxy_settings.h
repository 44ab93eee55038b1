// The proxy every request goes through, derived from the system's recorded
// proxy server text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace clipferry {

// Reduces a recorded proxy server text (one address for all protocols, or a
// "protocol=address;..." list) to the address plain web traffic uses. True
// with the address assigned; false, leaving it unchanged, when the text is a
// list without a usable http entry.
bool DeriveProxyAddress(const std::u16string& value, std::u16string& address);

// Whether a proxy is used, from the recorded text (none when absent) and the
// recorded switch: a switch recorded as 0 means none, an absent one leaves
// the choice to the text. True with the derived address assigned.
bool ChooseProxy(const std::optional<std::u16string>& recorded, std::optional<uint32_t> enabled,
                 std::u16string& address);

// ChooseProxy on what the platform has recorded.
bool ReadProxySettings(std::u16string& address);

}  // namespace clipferry
