// The process-wide handler for a fatal fault (SetUnhandledExceptionFilter with
// a minidump writer): it writes a dump file of what can be said about the fault
// and starts the crash reporter with the dump's name, then lets the process end.
//
// The dump is text: a first line "Quillnet crash dump", then "signal:",
// "code:", "address:", "pid:", "thread:", "time:" lines and "backtrace:" with
// one frame a line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

struct CrashHandlerConfig {
    std::u16string folder;       // where the dump goes
    std::u16string dumpPattern;  // file name; "%u" stands for the seconds since 1970
    std::u16string reporter;     // full path of the program started with the dump's name
};

// Installs (or replaces) the handler for the faults that end a process:
// segmentation fault, bus error, illegal instruction, arithmetic fault, abort.
bool InstallCrashHandler(const CrashHandlerConfig& config);

// The dump's file name for a moment: the pattern with "%u" replaced by the low
// 32 bits of the seconds, unsigned decimal.
std::u16string FormatDumpName(std::u16string_view pattern, int64_t seconds);

}  // namespace plat
