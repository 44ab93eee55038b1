// The few settings the library reads from its environment: the log switch,
// the system proxy text and the libcurl file name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace clipferry::platform {

// The stored log switch value; nothing when it is absent or unreadable.
std::optional<uint32_t> ReadLogSwitchValue();

// The recorded proxy server text as UTF-16, cut at its first NUL; nothing
// when no text is recorded (an empty text is returned as empty).
std::optional<std::u16string> ReadProxyServerText();

// The recorded switch that turns the recorded proxy on or off; nothing when
// none is recorded (there is none on Linux).
std::optional<uint32_t> ReadProxyEnableValue();

// The file name under which libcurl is loaded.
std::u16string CurlLibraryFileName();

}  // namespace clipferry::platform
