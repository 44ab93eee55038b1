// Arbitrary recorded proxy texts through the derivation of the address.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/proxy_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string value(reinterpret_cast<const char16_t*>(data), size / 2);
    std::u16string address = u"unchanged";
    const bool used = clipferry::DeriveProxyAddress(value, address);
    // The address is always a piece of the recorded text.
    if (used && value.find(address) == std::u16string::npos) std::abort();
    if (!used && address != u"unchanged") std::abort();
    return 0;
}
