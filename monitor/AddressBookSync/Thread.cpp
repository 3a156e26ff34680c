#include "monitor/AddressBookSync/Thread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

struct WorkerCount {
    std::mutex lock;
    std::condition_variable idle;
    int running = 0;
};

WorkerCount& Workers() {
    static WorkerCount* count = new WorkerCount;  // outlives threads still ending at exit
    return *count;
}

}  // namespace

bool CThread::Start() {
    WorkerCount& w = Workers();
    {
        std::lock_guard<std::mutex> lock(w.lock);
        ++w.running;
    }
    try {
        std::thread(&CThread::ThreadProc, this).detach();
        return true;
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lock(w.lock);
        if (--w.running == 0) w.idle.notify_all();
        return false;
    }
}

void CThread::ThreadProc(CThread* self) {
    self->Run();
    if (self->m_autoDelete) delete self;
    WorkerCount& w = Workers();
    std::lock_guard<std::mutex> lock(w.lock);
    if (--w.running == 0) w.idle.notify_all();
}

int CThread::RunningWorkers() {
    WorkerCount& w = Workers();
    std::lock_guard<std::mutex> lock(w.lock);
    return w.running;
}

bool CThread::WaitForWorkers(uint32_t timeoutMs) {
    WorkerCount& w = Workers();
    std::unique_lock<std::mutex> lock(w.lock);
    return w.idle.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return w.running == 0; });
}
