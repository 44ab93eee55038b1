// The "may have been received" rule, as a pure function; the form and text
// rules an upload is held to are the shared ones (clipferry-common).
#pragma once

#include <cstdint>

namespace clipferry::rules {

// An upload that failed after its last byte went out may have reached the
// service: any failure then but a refusal that carries the service's message.
inline bool mayHaveBeenReceived(int32_t result, bool everyByteSent, bool messageEmpty) {
    constexpr int32_t kRefused = 83;
    return everyByteSent && result != 0 && (result != kRefused || messageEmpty);
}

}  // namespace clipferry::rules
