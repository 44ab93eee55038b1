// POSIX: TCP_NOTSENT_LOWAT where the system has it (Linux, macOS).
#include "platform/socket_backlog.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <climits>

namespace clipferry::platform {

void LimitUnsentBytes(std::intptr_t socket, size_t bytes) {
#ifdef TCP_NOTSENT_LOWAT
    const int limit = bytes > size_t(INT_MAX) ? INT_MAX : int(bytes);
    // A socket that is not TCP refuses it, and keeps its own sizing.
    setsockopt(int(socket), IPPROTO_TCP, TCP_NOTSENT_LOWAT, &limit, sizeof limit);
#else
    (void)socket;
    (void)bytes;
#endif
}

}  // namespace clipferry::platform
