// IPv4 TCP sockets, as the program uses Winsock: resolve a name, connect with a
// time-out, send and receive, wait for data. Failures return false (or -1) and set
// the last error. Writing to a connection the peer has closed is an error, never
// a signal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

// An address in host byte order: 127.0.0.1 is 0x7F000001.
using Ipv4Address = uint32_t;

// The first IPv4 address the system's resolver gives for a name (a dotted
// address is taken as it is).
bool ResolveIpv4(std::u16string_view host, Ipv4Address& address);
// A dotted address only, without asking the resolver.
bool ParseIpv4(std::u16string_view text, Ipv4Address& address);
std::u16string FormatIpv4(Ipv4Address address);  // "%d.%d.%d.%d"

// Codes the layer above tests for.
constexpr uint32_t kErrorTimedOut = 110;   // connect or receive time-out
constexpr uint32_t kErrorWouldBlock = 11;  // a non-blocking socket has nothing yet
constexpr uint32_t kErrorRefused = 111;

class Socket {
public:
    static constexpr uint32_t kNoTimeout = 0xFFFFFFFF;

    Socket() = default;
    ~Socket();
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;

    // A fresh TCP socket; an open one is closed first.
    bool Create();
    // Blocking connect, given up after `timeoutMs`. The socket stays blocking.
    bool Connect(Ipv4Address address, uint16_t port, uint32_t timeoutMs = kNoTimeout);
    // Bytes sent (at least 1), or -1.
    int64_t Send(const void* data, size_t length);
    bool SendAll(const void* data, size_t length);
    bool SendAll(std::string_view data) { return SendAll(data.data(), data.size()); }
    // Bytes received, 0 when the peer closed its side, -1 on error (a receive
    // time-out and a non-blocking socket without data set kErrorWouldBlock).
    int64_t Recv(void* buffer, size_t length);
    // 1 when data (or the end) can be read, 0 after `timeoutMs`, -1 on error.
    int WaitReadable(uint32_t timeoutMs);
    bool SetBlocking(bool blocking);
    // Limits for a single blocking receive or send; kNoTimeout waits forever.
    bool SetReceiveTimeout(uint32_t timeoutMs);
    bool SetSendTimeout(uint32_t timeoutMs);
    void ShutdownSend();
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    // Listening on the loopback interface, for peers inside this process (test
    // servers): port 0 picks a free one, LocalPort tells which.
    bool ListenLoopback(uint16_t port = 0, int backlog = 16);
    uint16_t LocalPort() const;
    // The next connection, or a closed socket after `timeoutMs` or an error.
    Socket Accept(uint32_t timeoutMs = kNoTimeout);

private:
    int m_fd = -1;
};

}  // namespace plat
