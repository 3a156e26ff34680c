// Starting other programs as CreateProcess does: from a command line or an
// argument vector, never through a shell, optionally as another user, with an
// environment block of the caller's choosing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// What executables are called by on this system: "" here, ".exe" on Windows.
extern const char16_t kExecutableSuffix[];

// "NAME=value" entries, as an environment block holds them.
using EnvironmentBlock = std::vector<std::u16string>;
// The calling process's own environment (GetEnvironmentStrings).
EnvironmentBlock GetEnvironmentStrings();

// Splits a command line by the system's rules: blanks separate arguments,
// double quotes group, 2n backslashes before a quote give n backslashes and
// the quote toggles quoting, 2n+1 give n backslashes and a literal quote, and
// "" inside quotes is a literal quote. The first argument follows the same
// rules, so that any path can be quoted.
std::vector<std::u16string> CommandLineToArgv(std::u16string_view commandLine);
// The argument written so that CommandLineToArgv gives it back unchanged;
// enclosed in quotes when it needs them or when `alwaysQuote` is set.
std::u16string QuoteArgument(std::u16string_view argument, bool alwaysQuote = false);

// Who a process runs as.
struct UserIdentity {
    uint32_t uid = 0;
    uint32_t gid = 0;
    std::u16string user;
};

struct StartOptions {
    // The program to run; empty means argv[0], looked up on the search path
    // when it holds no separator. When given, argv[0] is only the name the
    // program sees.
    std::u16string applicationName;
    const UserIdentity* user = nullptr;             // null: as the caller
    const EnvironmentBlock* environment = nullptr;  // null: the caller's
    std::u16string currentFolder;                   // empty: the caller's
    // Not a child of the caller: nobody has to wait for it, and it leads a
    // session of its own (a program started for a user, a crash reporter).
    bool detached = false;
    // A child that leads a session of its own, as a login does.
    bool newSession = false;
};

struct ProcessInformation {
    uint32_t processId = 0;
};

// Starts the program. No handle other than the standard ones is inherited,
// every signal is unblocked and at its default. False (last error set) when the
// program cannot be started: a missing or non-executable file is reported
// here, not by a process that ends at once.
bool CreateProcess(const std::vector<std::u16string>& argv, const StartOptions& options,
                   ProcessInformation& info);

// Waits for a child started without `detached` (WaitForSingleObject on the
// process). WAIT_OBJECT_0 with its exit code (128 + n when a signal n ended
// it), WAIT_TIMEOUT, or WAIT_FAILED.
uint32_t WaitForProcess(uint32_t processId, uint32_t timeoutMs, int* exitCode = nullptr);
// Ends a process at once (TerminateProcess).
bool TerminateProcess(uint32_t processId);
// Asks a process to stop, as the init system does with a service.
bool RequestProcessStop(uint32_t processId);

// Orphaned descendants of the caller become its children, so that it can
// wait for them (a test that starts programs which start programs).
bool SetChildSubreaper(bool on);
// Waits until the caller has no children left; false on time-out.
bool WaitForChildren(uint32_t timeoutMs);

// Marks a file as a program that may be started (a no-op where every file
// with the executable suffix is one).
bool MakeExecutable(std::u16string_view path);

}  // namespace plat
