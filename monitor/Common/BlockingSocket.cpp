#include "monitor/Common/BlockingSocket.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/Error.h"
#include "platform/Sync.h"
#include "platform/desktop/Window.h"

namespace {

struct PendingConnect {
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    bool ok = false;
    uint32_t error = 0;
};

}  // namespace

bool CBlockingSocket::Connect(plat::Ipv4Address address, uint16_t port, uint32_t timeoutMs) {
    auto pending = std::make_shared<PendingConnect>();
    const uint32_t uiThread = plat::CurrentThreadId();
    // The calling thread needs its queue before the helper can wake it.
    bool dispatching = plat::PumpWaitingMessages();
    plat::Socket socket = std::move(m_socket);
    // The system's connect blocks, so it runs on a helper while this thread
    // keeps dispatching.
    std::thread helper([&socket, pending, uiThread, address, port, timeoutMs] {
        bool ok = socket.Connect(address, port, timeoutMs);
        uint32_t error = plat::GetLastError();
        {
            std::lock_guard<std::mutex> l(pending->lock);
            pending->done = true;
            pending->ok = ok;
            pending->error = error;
        }
        pending->finished.notify_all();
        plat::PostThreadMessage(uiThread, plat::WM_NULL, 0, 0);
    });
    auto isDone = [&pending] {
        std::lock_guard<std::mutex> l(pending->lock);
        return pending->done;
    };
    while (dispatching && !isDone()) {
        // False with the hand-driven clock when nothing can come any more.
        if (!plat::WaitMessage()) break;
        dispatching = plat::PumpWaitingMessages();
    }
    {
        std::unique_lock<std::mutex> l(pending->lock);
        pending->finished.wait(l, [&pending] { return pending->done; });
    }
    helper.join();
    m_socket = std::move(socket);
    plat::SetLastError(pending->error);
    return pending->ok;
}
