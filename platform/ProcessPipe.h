// A program started hidden with a pipe as its standard output and standard
// error, read by the caller as it comes. The program and its arguments are given
// one by one and handed over as they are: no shell ever sees them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

class ProcessPipe {
public:
    ProcessPipe() = default;
    // Closes the pipe and ends the program if it still runs.
    ~ProcessPipe();
    ProcessPipe(const ProcessPipe&) = delete;
    ProcessPipe& operator=(const ProcessPipe&) = delete;

    // argv[0] is looked up on the system's search path. False (last error set)
    // when the program cannot be started.
    bool Start(const std::vector<std::u16string>& argv);
    // Bytes of output, 0 once the program closed its end, -1 on error.
    int64_t Read(void* buffer, size_t length);
    // Waits for the program to end; its exit code, or -1 when it was killed or
    // never started.
    int Wait();
    void Close();

private:
    int m_fd = -1;
    int m_pid = -1;
    int m_exitCode = -1;
};

}  // namespace plat
