#include "platform/Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Error.h"
#include "platform/Format.h"
#include "platform/Text.h"
#include "platform/Time.h"

namespace plat {

namespace {

bool Fail() {
    SetLastErrorFromErrno();
    return false;
}

int PollTimeout(uint32_t timeoutMs) {
    if (timeoutMs == Socket::kNoTimeout) return -1;
    return timeoutMs > 0x7FFFFFFF ? 0x7FFFFFFF : int(timeoutMs);
}

// poll() restarted after signals, with the time that is left.
int PollOne(int fd, short events, uint32_t timeoutMs, short& revents) {
    uint64_t start = TickCount64();
    for (;;) {
        struct pollfd p = {fd, events, 0};
        int wait = PollTimeout(timeoutMs);
        if (wait > 0) {
            uint64_t spent = TickCount64() - start;
            wait = spent >= uint64_t(wait) ? 0 : int(uint64_t(wait) - spent);
        }
        int r = ::poll(&p, 1, wait);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) {
            SetLastErrorFromErrno();
            return -1;
        }
        revents = p.revents;
        return r;
    }
}

bool SetTimeoutOption(int fd, int option, uint32_t timeoutMs) {
    struct timeval tv = {0, 0};
    if (timeoutMs != Socket::kNoTimeout) {
        tv.tv_sec = timeoutMs / 1000;
        tv.tv_usec = (timeoutMs % 1000) * 1000;
        // A zero timeval means "forever" to the kernel; the shortest wait is meant.
        if (timeoutMs == 0) tv.tv_usec = 1;
    }
    return ::setsockopt(fd, SOL_SOCKET, option, &tv, sizeof tv) == 0 || Fail();
}

}  // namespace

bool ParseIpv4(std::u16string_view text, Ipv4Address& address) {
    struct in_addr a;
    if (::inet_pton(AF_INET, Utf16ToUtf8(text).c_str(), &a) != 1) return false;
    address = ntohl(a.s_addr);
    return true;
}

bool ResolveIpv4(std::u16string_view host, Ipv4Address& address) {
    if (ParseIpv4(host, address)) return true;
    std::string name = Utf16ToUtf8(host);
    if (name.empty() || name.find('\0') != std::string::npos) {
        SetLastError(EINVAL);
        return false;
    }
    struct addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    struct addrinfo* list = nullptr;
    int r = ::getaddrinfo(name.c_str(), nullptr, &hints, &list);
    if (r != 0 || !list) {
        SetLastError(r == EAI_SYSTEM ? uint32_t(errno) : uint32_t(EHOSTUNREACH));
        return false;
    }
    address = ntohl(reinterpret_cast<struct sockaddr_in*>(list->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(list);
    return true;
}

std::u16string FormatIpv4(Ipv4Address a) {
    return Format(u"%d.%d.%d.%d", (a >> 24) & 255, (a >> 16) & 255, (a >> 8) & 255, a & 255);
}

Socket::~Socket() { Close(); }

Socket::Socket(Socket&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

bool Socket::Create() {
    Close();
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return m_fd >= 0 || Fail();
}

bool Socket::Connect(Ipv4Address address, uint16_t port, uint32_t timeoutMs) {
    if (m_fd < 0 && !Create()) return false;
    struct sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(address);
    // Non-blocking while connecting, so that the wait has a limit.
    if (!SetBlocking(false)) return false;
    int r = ::connect(m_fd, reinterpret_cast<struct sockaddr*>(&sa), sizeof sa);
    if (r != 0 && errno != EINPROGRESS) return Fail();
    if (r != 0) {
        short revents = 0;
        int ready = PollOne(m_fd, POLLOUT, timeoutMs, revents);
        if (ready < 0) return false;
        if (ready == 0) {
            SetLastError(kErrorTimedOut);
            return false;
        }
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return Fail();
        if (err != 0) {
            SetLastError(uint32_t(err));
            return false;
        }
    }
    return SetBlocking(true);
}

int64_t Socket::Send(const void* data, size_t length) {
    for (;;) {
        ssize_t n = ::send(m_fd, data, length, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            SetLastError(errno == EAGAIN ? kErrorWouldBlock : uint32_t(errno));
            return -1;
        }
        return n;
    }
}

bool Socket::SendAll(const void* data, size_t length) {
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        int64_t n = Send(p, length);
        if (n <= 0) return false;
        p += n;
        length -= size_t(n);
    }
    return true;
}

int64_t Socket::Recv(void* buffer, size_t length) {
    for (;;) {
        ssize_t n = ::recv(m_fd, buffer, length, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            SetLastError(errno == EAGAIN ? kErrorWouldBlock : uint32_t(errno));
            return -1;
        }
        return n;
    }
}

int Socket::WaitReadable(uint32_t timeoutMs) {
    short revents = 0;
    int r = PollOne(m_fd, POLLIN, timeoutMs, revents);
    if (r <= 0) return r;
    return 1;
}

bool Socket::SetBlocking(bool blocking) {
    int flags = ::fcntl(m_fd, F_GETFL, 0);
    if (flags < 0) return Fail();
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return ::fcntl(m_fd, F_SETFL, flags) == 0 || Fail();
}

bool Socket::SetReceiveTimeout(uint32_t timeoutMs) {
    return SetTimeoutOption(m_fd, SO_RCVTIMEO, timeoutMs);
}

bool Socket::SetSendTimeout(uint32_t timeoutMs) {
    return SetTimeoutOption(m_fd, SO_SNDTIMEO, timeoutMs);
}

void Socket::ShutdownSend() {
    if (m_fd >= 0) ::shutdown(m_fd, SHUT_WR);
}

void Socket::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool Socket::ListenLoopback(uint16_t port, int backlog) {
    if (!Create()) return false;
    int one = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    struct sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_fd, reinterpret_cast<struct sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(m_fd, backlog) != 0) {
        SetLastErrorFromErrno();
        Close();
        return false;
    }
    return true;
}

uint16_t Socket::LocalPort() const {
    struct sockaddr_in sa = {};
    socklen_t len = sizeof sa;
    if (m_fd < 0 || ::getsockname(m_fd, reinterpret_cast<struct sockaddr*>(&sa), &len) != 0)
        return 0;
    return ntohs(sa.sin_port);
}

Socket Socket::Accept(uint32_t timeoutMs) {
    Socket s;
    short revents = 0;
    int r = PollOne(m_fd, POLLIN, timeoutMs, revents);
    if (r <= 0) {
        if (r == 0) SetLastError(kErrorTimedOut);
        return s;
    }
    for (;;) {
        int fd = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0 && errno == EINTR) continue;
        if (fd < 0) SetLastErrorFromErrno();
        s.m_fd = fd;
        return s;
    }
}

}  // namespace plat
