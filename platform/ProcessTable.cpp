#include "platform/ProcessTable.h"

#include <atomic>

namespace plat {

namespace {
std::atomic<ProcessSource*> g_source{nullptr};
}

ProcessSource& Processes() {
    ProcessSource* s = g_source.load();
    return s ? *s : RealProcesses();
}

void SetProcessSource(ProcessSource* source) { g_source.store(source); }

uint32_t SimProcessTable::Add(const std::u16string& exeName, uint32_t sessionId, uint32_t pid,
                              const std::u16string& user) {
    std::lock_guard<std::mutex> l(m_lock);
    if (pid == 0) pid = m_nextPid++;
    ProcessEntry e;
    e.pid = pid;
    e.exeName = exeName;
    e.sessionId = sessionId;
    e.user = user;
    m_entries.push_back(e);
    return pid;
}

void SimProcessTable::Remove(uint32_t pid) {
    std::lock_guard<std::mutex> l(m_lock);
    std::erase_if(m_entries, [pid](const ProcessEntry& e) { return e.pid == pid; });
}

void SimProcessTable::Clear() {
    std::lock_guard<std::mutex> l(m_lock);
    m_entries.clear();
}

void SimProcessTable::SetFailing(bool failing) {
    std::lock_guard<std::mutex> l(m_lock);
    m_failing = failing;
}

bool SimProcessTable::Find(uint32_t pid, ProcessEntry& out) const {
    std::lock_guard<std::mutex> l(m_lock);
    for (const auto& e : m_entries)
        if (e.pid == pid) {
            out = e;
            return true;
        }
    return false;
}

bool SimProcessTable::Snapshot(std::vector<ProcessEntry>& out) {
    std::lock_guard<std::mutex> l(m_lock);
    if (m_failing) return false;
    out = m_entries;
    return true;
}

}  // namespace plat
