// A TCP socket for the user interface thread: while it connects, the thread's
// window messages keep being dispatched, so the windows stay responsive while a
// server is slow to answer. Reads and writes block as the socket layer's do.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Socket.h"

class CBlockingSocket {
public:
    CBlockingSocket() = default;
    CBlockingSocket(const CBlockingSocket&) = delete;
    CBlockingSocket& operator=(const CBlockingSocket&) = delete;

    bool Create() { return m_socket.Create(); }
    // False when the connect failed or ran out of time (the last error tells
    // which). A WM_QUIT that comes meanwhile stops the dispatching and is posted
    // again for the thread's own loop; the connect still runs to its end.
    bool Connect(plat::Ipv4Address address, uint16_t port, uint32_t timeoutMs);
    int WaitReadable(uint32_t timeoutMs) { return m_socket.WaitReadable(timeoutMs); }
    int64_t Recv(void* buffer, size_t length) { return m_socket.Recv(buffer, length); }
    bool SendAll(const void* data, size_t length) { return m_socket.SendAll(data, length); }
    void Close() { m_socket.Close(); }
    bool IsOpen() const { return m_socket.IsOpen(); }

private:
    plat::Socket m_socket;
};
