// A server on 127.0.0.1 inside the test: a thread that takes connections one
// after the other and hands each to the test's handler.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "platform/Socket.h"

namespace qntest {

class LoopbackServer {
public:
    using Handler = std::function<void(plat::Socket& peer)>;

    explicit LoopbackServer(Handler handler) : m_handler(std::move(handler)) {
        m_listener.ListenLoopback();
        m_port = m_listener.LocalPort();
        m_thread = std::thread([this] { Serve(); });
    }
    ~LoopbackServer() {
        m_stop = true;
        m_thread.join();
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    uint16_t Port() const { return m_port; }
    int Accepted() const { return m_accepted; }

    // The request of an HTTP client: header and Content-Length body.
    static std::string ReadRequest(plat::Socket& peer) {
        std::string data;
        char buf[4096];
        size_t end;
        while ((end = data.find("\r\n\r\n")) == std::string::npos) {
            int64_t n = peer.Recv(buf, sizeof buf);
            if (n <= 0) return data;
            data.append(buf, size_t(n));
        }
        size_t length = 0;
        size_t at = data.find("Content-Length: ");
        if (at != std::string::npos && at < end) length = std::stoul(data.substr(at + 16));
        while (data.size() < end + 4 + length) {
            int64_t n = peer.Recv(buf, sizeof buf);
            if (n <= 0) break;
            data.append(buf, size_t(n));
        }
        return data;
    }
    // Waits until the client closes its side (or the connection breaks).
    static void WaitForClose(plat::Socket& peer) {
        char buf[4096];
        while (peer.Recv(buf, sizeof buf) > 0) {
        }
    }

private:
    void Serve() {
        while (!m_stop) {
            plat::Socket peer = m_listener.Accept(50);
            if (!peer.IsOpen()) continue;
            ++m_accepted;
            m_handler(peer);
        }
    }

    Handler m_handler;
    plat::Socket m_listener;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_accepted{0};
    std::thread m_thread;
};

}  // namespace qntest
