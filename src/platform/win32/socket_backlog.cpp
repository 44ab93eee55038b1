// Windows: no unsent-data limit to set; its send buffering is sized by the
// system to what the connection has shown it carries ("ideal send backlog"),
// which keeps the queue to a fraction of a second on a slow link.
#include "platform/socket_backlog.h"

namespace clipferry::platform {

void LimitUnsentBytes(std::intptr_t, size_t) {}

}  // namespace clipferry::platform
