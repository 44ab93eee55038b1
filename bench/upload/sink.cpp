// A fast HTTP sink for the upload and answer benchmarks and the large-file
// test: it answers the login call, the upload server discovery, the upload
// (reading and discarding its body, only counting it) and the categories call
// (with as many items as the parent category id asks for). One connection at a time, one request per connection; absolute-form
// targets are taken as well, so it can stand in as the client's proxy.
//
//   sink [--port-file FILE] [--idle-seconds N]
//
// Prints the port it listens on (127.0.0.1) on its first output line; exits
// after N seconds without a connection (default 120).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>

namespace {

constexpr size_t kBufferSize = 1 << 20;

const char kLoginAnswer[] =
    "<?xml version=\"1.0\"?><SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
    "<SOAP-ENV:Body><ns1:UserLoginResponse xmlns:ns1=\"x\"><return><LoginStatus>1</LoginStatus>"
    "<UserLoginInformation><ContactId>1</ContactId><ShowModerators>1</ShowModerators><AuthKey>k</AuthKey>"
    "</UserLoginInformation></return></ns1:UserLoginResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";

// A socket closed when it goes out of scope.
class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Buffered reading from one connection.
class Reader {
public:
    explicit Reader(int fd) : fd_(fd), buffer_(new char[kBufferSize]) {}
    ~Reader() { delete[] buffer_; }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // One line without its CR LF; false at the end of the stream.
    bool Line(std::string& line) {
        line.clear();
        for (;;) {
            if (begin_ == end_ && !Fill()) return false;
            const char c = buffer_[begin_++];
            if (c == '\n') {
                if (!line.empty() && line.back() == '\r') line.pop_back();
                return true;
            }
            line.push_back(c);
        }
    }

    // Passes up to count bytes to sink; false when the stream ends first.
    template <typename Sink>
    bool Consume(uint64_t count, Sink&& sink) {
        while (count > 0) {
            if (begin_ == end_ && !Fill()) return false;
            const size_t n = size_t(std::min<uint64_t>(count, end_ - begin_));
            sink(buffer_ + begin_, n);
            begin_ += n;
            count -= n;
        }
        return true;
    }

private:
    bool Fill() {
        for (;;) {
            const ssize_t n = recv(fd_, buffer_, kBufferSize, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            begin_ = 0;
            end_ = size_t(n);
            return true;
        }
    }

    int fd_;
    char* buffer_;
    size_t begin_ = 0;
    size_t end_ = 0;
};

struct Request {
    std::string method;
    std::string path;
    uint64_t contentLength = 0;
    bool chunked = false;
};

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    return strncasecmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

// The path of an origin-form or absolute-form target, without the query.
std::string PathOf(std::string target) {
    const size_t scheme = target.find("://");
    if (scheme != std::string::npos) {
        const size_t slash = target.find('/', scheme + 3);
        target = slash == std::string::npos ? "/" : target.substr(slash);
    }
    return target.substr(0, target.find('?'));
}

bool ReadHead(Reader& reader, Request& request) {
    std::string line;
    if (!reader.Line(line)) return false;
    const size_t first = line.find(' ');
    const size_t second = line.find(' ', first + 1);
    if (first == std::string::npos || second == std::string::npos) return false;
    request.method = line.substr(0, first);
    request.path = PathOf(line.substr(first + 1, second - first - 1));
    while (reader.Line(line) && !line.empty()) {
        if (StartsWithNoCase(line, "Content-Length:")) {
            request.contentLength = std::strtoull(line.c_str() + 15, nullptr, 10);
        } else if (StartsWithNoCase(line, "Transfer-Encoding:") && line.find("chunked") != std::string::npos) {
            request.chunked = true;
        }
    }
    return true;
}

// Reads the body in whichever framing it came; returns false when cut short.
template <typename Sink>
bool ReadBody(Reader& reader, const Request& request, Sink&& sink) {
    if (!request.chunked) return reader.Consume(request.contentLength, sink);
    std::string line;
    for (;;) {
        if (!reader.Line(line)) return false;
        const uint64_t size = std::strtoull(line.c_str(), nullptr, 16);
        if (size == 0) break;
        if (!reader.Consume(size, sink) || !reader.Line(line)) return false;
    }
    while (reader.Line(line) && !line.empty()) {
    }
    return true;
}

void SendAll(int fd, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        sent += size_t(n);
    }
}

void Answer(int fd, int status, const std::string& body) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Not Found") +
                       "\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " +
                       std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    SendAll(fd, head);
    SendAll(fd, body);
}

// A categories answer of count items, made once per count.
const std::string& CategoriesAnswer(long count) {
    static long madeFor = -1;
    static std::string answer;
    if (madeFor == count) return answer;
    answer = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SOAP-ENV:Envelope "
             "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\"><SOAP-ENV:Body>"
             "<ns1:GetCategoriesResponse xmlns:ns1=\"x\"><GetCategoriesResult><ResultCount>" +
             std::to_string(count) + "</ResultCount>";
    for (long i = 1; i <= count; ++i) {
        const std::string id = std::to_string(i);
        answer += "<item><CategoryId>" + id + "</CategoryId><CategoryName>Category " + id +
                  " &amp;amp; friends</CategoryName></item>";
    }
    answer += "</GetCategoriesResult></ns1:GetCategoriesResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    madeFor = count;
    return answer;
}

void Serve(int fd, int port) {
    Reader reader(fd);
    Request request;
    if (!ReadHead(reader, request)) return;

    if (request.method == "POST" && request.path == "/upload") {
        uint64_t received = 0;
        const bool whole = ReadBody(reader, request, [&](const char*, size_t n) {
            received += n;
        });
        if (!whole) return;
        std::string message = "received " + std::to_string(received) + " bytes";
        Answer(fd, 200, "<?xml version=\"1.0\"?><result><status>SUCCESS</status><message>" + message +
                            "</message></result>");
        return;
    }
    std::string body;
    if (!ReadBody(reader, request, [&](const char* data, size_t n) { body.append(data, n); })) return;
    const size_t parent = body.find("<ParentCategoryId xsi:type=\"xsd:int\">");
    if (request.method == "GET" && request.path == "/upload.xml") {
        Answer(fd, 200, "<?xml version=\"1.0\"?><upload><url>http://127.0.0.1:" + std::to_string(port) +
                            "</url></upload>");
    } else if (request.method == "POST" && request.path == "/0.1.1/api" && parent != std::string::npos) {
        Answer(fd, 200, CategoriesAnswer(std::atol(body.c_str() + body.find('>', parent) + 1)));
    } else if (request.method == "POST" && request.path == "/0.1.1/api") {
        Answer(fd, 200, kLoginAnswer);
    } else {
        Answer(fd, 404, "");
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* portFile = nullptr;
    int idleSeconds = 120;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--port-file") == 0 && i + 1 < argc) {
            portFile = argv[++i];
        } else if (std::strcmp(argv[i], "--idle-seconds") == 0 && i + 1 < argc) {
            idleSeconds = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: %s [--port-file FILE] [--idle-seconds N]\n", argv[0]);
            return 2;
        }
    }

    Socket listener(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int yes = 1;
    setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener.get() < 0 || bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener.get(), 16) != 0 ||
        getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("sink");
        return 1;
    }
    const int port = ntohs(address.sin_port);
    std::printf("%d\n", port);
    std::fflush(stdout);
    if (portFile != nullptr) {
        // Written under another name first, so a reader never sees half a number.
        const std::string partial = std::string(portFile) + ".partial";
        if (FILE* file = std::fopen(partial.c_str(), "w")) {
            std::fprintf(file, "%d\n", port);
            std::fclose(file);
            std::rename(partial.c_str(), portFile);
        }
    }

    for (;;) {
        pollfd waiting{listener.get(), POLLIN, 0};
        const int ready = poll(&waiting, 1, idleSeconds * 1000);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return 0;  // idle long enough: nobody needs us any more
        Socket connection(accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (connection.get() < 0) continue;
        Serve(connection.get(), port);
        shutdown(connection.get(), SHUT_WR);
    }
}
