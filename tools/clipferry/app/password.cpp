#include "app/password.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <istream>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "store/file_descriptor.h"
#include "app/interrupt.h"

namespace clipferry::cli {

namespace {
// Turns echo off for its lifetime; the terminal gets its settings back even
// when the prompt ends early.
class EchoOff {
public:
    explicit EchoOff(int fd) : fd_(fd) {
        if (tcgetattr(fd_, &saved_) == 0) {
            termios quiet = saved_;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            quiet.c_lflag |= ECHONL;
            active_ = tcsetattr(fd_, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~EchoOff() {
        if (active_) {
            tcsetattr(fd_, TCSAFLUSH, &saved_);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int fd_;
    termios saved_{};
    bool active_ = false;
};

void writeAll(int fd, const std::string& text) {
    for (size_t done = 0; done < text.size();) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        done += static_cast<size_t>(n);
    }
}

Secret promptAtTerminal(const std::string& user) {
    FileDescriptor terminal(::open("/dev/tty", O_RDWR | O_CLOEXEC));
    if (terminal.get() < 0) {
        throw NoTerminal(std::string("no password: set ") + kPasswordVariable +
                            ", give it on standard input with --password-stdin, or run at a terminal");
    }
    InterruptGuard guard;
    Secret password;
    {
        EchoOff echoOff(terminal.get());
        writeAll(terminal.get(), "Lumivid password for " + user + ": ");
        char c;
        while (true) {
            // A Ctrl-C that lands between two reads would leave read() waiting
            // for ever, so the flag is looked at while waiting for a key too.
            pollfd key{terminal.get(), POLLIN, 0};
            int ready = ::poll(&key, 1, 200);
            if (interrupted()) {
                break;
            }
            if (ready == 0 || (ready < 0 && errno == EINTR)) {
                continue;
            }
            ssize_t n = ::read(terminal.get(), &c, 1);
            if (n < 0 && errno == EINTR && !interrupted()) {
                continue;
            }
            if (n <= 0 || c == '\n' || c == '\r') {
                break;
            }
            password.push_back(c);
        }
    }
    if (interrupted()) {
        writeAll(terminal.get(), "\n");
        throw PasswordError("cancelled at the password prompt");
    }
    return password;
}
}  // namespace

Secret readPasswordLine(std::istream& in) {
    Secret line;
    for (int c = in.get(); c != std::char_traits<char>::eof() && c != '\n'; c = in.get()) {
        line.push_back(static_cast<char>(c));
    }
    while (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

bool terminalToAsk() { return FileDescriptor(::open("/dev/tty", O_RDWR | O_CLOEXEC)).get() >= 0; }

Secret obtainPassword(const std::string& user) {
    if (const char* fromEnvironment = std::getenv(kPasswordVariable)) {
        return Secret(fromEnvironment);
    }
    return promptAtTerminal(user);
}

}  // namespace clipferry::cli
