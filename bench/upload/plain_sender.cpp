// The upload benchmark's reference for the wire's pace: a bare POST of the
// file to the sink, read and written in pieces of one size, no form, no
// library; prints "seconds=S" once the sink has answered.
//
//   plain_sender PORT FILE PIECE_BYTES
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "store/file_descriptor.h"

namespace {

using Descriptor = clipferry::cli::FileDescriptor;

bool WriteAll(int fd, const char* data, size_t count) {
    while (count > 0) {
        const ssize_t n = write(fd, data, count);
        if (n <= 0) return false;
        data += n;
        count -= size_t(n);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s PORT FILE PIECE_BYTES\n", argv[0]);
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const size_t piece = std::strtoul(argv[3], nullptr, 10);
    Descriptor file(open(argv[2], O_RDONLY | O_CLOEXEC));
    struct stat info{};
    if (file.get() < 0 || fstat(file.get(), &info) != 0 || piece == 0) {
        std::perror(argv[2]);
        return 1;
    }

    const auto start = std::chrono::steady_clock::now();
    Descriptor sock(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(sock.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("connect");
        return 1;
    }
    const std::string head = "POST /upload HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/octet-stream\r\n"
                             "Content-Length: " + std::to_string(info.st_size) + "\r\n\r\n";
    if (!WriteAll(sock.get(), head.data(), head.size())) return 1;
    std::vector<char> buffer(piece);
    for (;;) {
        const ssize_t got = read(file.get(), buffer.data(), buffer.size());
        if (got < 0) return 1;
        if (got == 0) break;
        if (!WriteAll(sock.get(), buffer.data(), size_t(got))) return 1;
    }
    // The answer: the sink has read the whole body.
    char answer[4096];
    if (read(sock.get(), answer, sizeof answer) <= 0) return 1;
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("seconds=%.6f\n", elapsed.count());
    return 0;
}
