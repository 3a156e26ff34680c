// The process table as the program sees it: a snapshot of running processes
// with their executable names and session ids. The table in force is the real
// one of the operating system unless a test (or the simulated desktop) installs
// another, such as SimProcessTable.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace plat {

struct ProcessEntry {
    uint32_t pid = 0;
    uint32_t parentPid = 0;
    std::u16string exeName;  // file name of the executable, "OUTLOOK.EXE"
    std::u16string exePath;  // full path when known, else empty
    uint32_t sessionId = 0;
    uint32_t uid = 0;          // owning user
    std::u16string user;       // the owning user's name
    bool sessionKnown = true;  // false when the session could not be read
    // Other names the process goes by, when known: the system's short name of
    // the process and the file name of its first argument (a program started
    // under another name, or a copy of one).
    std::u16string commName;
    std::u16string argName;

    // Whether the process goes by `name` (no case), under any of its names.
    bool HasName(std::u16string_view name) const {
        return EqualsNoCase(exeName, name) || (!commName.empty() && EqualsNoCase(commName, name)) ||
               (!argName.empty() && EqualsNoCase(argName, name));
    }
};

class ProcessSource {
public:
    virtual ~ProcessSource() = default;
    // False when no snapshot can be taken (the caller logs and gives up).
    virtual bool Snapshot(std::vector<ProcessEntry>& out) = 0;
};

// The operating system's own table.
ProcessSource& RealProcesses();

// The table the program uses; SetProcessSource(nullptr) restores the real one.
ProcessSource& Processes();
void SetProcessSource(ProcessSource* source);

// A table kept by hand, for tests and for the simulated desktop's programs.
class SimProcessTable : public ProcessSource {
public:
    // Adds a process; pid 0 picks a fresh id. Returns the id.
    uint32_t Add(const std::u16string& exeName, uint32_t sessionId = 1, uint32_t pid = 0,
                 const std::u16string& user = u"user");
    void Remove(uint32_t pid);
    void Clear();
    void SetFailing(bool failing);  // snapshots fail while set
    bool Find(uint32_t pid, ProcessEntry& out) const;

    bool Snapshot(std::vector<ProcessEntry>& out) override;

private:
    mutable std::mutex m_lock;
    std::vector<ProcessEntry> m_entries;
    uint32_t m_nextPid = 4000;
    bool m_failing = false;
};

}  // namespace plat
