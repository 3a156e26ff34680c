// The base of the monitor's worker objects: a thread of its own that runs Run()
// once and then, when asked to, deletes the object. Nobody joins a worker; the
// process-wide count of running workers lets the end of the program (and a test)
// wait until every worker has finished with its object.
#pragma once

#include <cstdint>

class CThread {
public:
    CThread() = default;
    virtual ~CThread() = default;
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // Starts the thread. False when it cannot be started; the object then
    // stays with the caller even when auto-delete is set.
    bool Start();

    // Set before Start: the thread deletes the object after Run returns.
    bool m_autoDelete = false;

    // Workers started and not yet done with their object (deleted, for the
    // self-deleting ones).
    static int RunningWorkers();
    // True when every worker finished within the time.
    static bool WaitForWorkers(uint32_t timeoutMs);

protected:
    virtual void Run() = 0;

private:
    static void ThreadProc(CThread* self);
};
