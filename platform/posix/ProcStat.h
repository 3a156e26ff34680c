// The few fields of /proc/<pid>/stat the layer reads, shared by the process
// table and the sessions.
#pragma once

#include <cstdint>
#include <string>

namespace plat::posix {

struct ProcStat {
    std::string comm;  // the kernel's short name of the process
    char state = '?';  // 'Z' for a process that ended and was not waited for
    uint32_t parentPid = 0;
    uint32_t session = 0;
    uint32_t terminal = 0;  // the controlling terminal's device number, 0 for none
};

// False when the process is gone or its record cannot be read.
bool ReadProcStat(uint32_t pid, ProcStat& out);
// The whole of a small /proc file ("" when it cannot be read).
std::string ReadProcFile(uint32_t pid, const char* name);

}  // namespace plat::posix
