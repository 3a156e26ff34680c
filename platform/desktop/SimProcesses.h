// What the desktop tells about programs: process snapshots, the simulated
// process table with the monitor's own process in it, version resources of
// files, the registry keys the monitor reads, and the shell's "open".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ProcessTable.h"
#include "platform/desktop/Window.h"

namespace plat {

// --- Process snapshots ---------------------------------------------------------------

// A snapshot of the process table in force (Processes()), read entry by entry
// like the system's tool-help functions.
class ProcessSnapshot {
public:
    // False when no snapshot can be taken; the last error is set.
    bool Take();
    // False when the first entry cannot be read (an empty table gives
    // kErrorNoMoreFiles as the last error).
    bool First(ProcessEntry& entry);
    bool Next(ProcessEntry& entry);

private:
    std::vector<ProcessEntry> m_entries;
    size_t m_next = 0;
    bool m_taken = false;
};
constexpr uint32_t kErrorNoMoreFiles = 18;

// The simulated desktop's processes: installs a SimProcessTable as the process
// source for its lifetime, with the monitor's own process (this process's id)
// in it.
class SimDesktopProcesses {
public:
    explicit SimDesktopProcesses(std::u16string_view ownName = u"QuillnetM-PluginMonitor.exe",
                                 uint32_t sessionId = 1, std::u16string_view user = u"user");
    ~SimDesktopProcesses();
    SimDesktopProcesses(const SimDesktopProcesses&) = delete;
    SimDesktopProcesses& operator=(const SimDesktopProcesses&) = delete;

    SimProcessTable& Table() { return m_table; }
    uint32_t OwnPid() const { return m_ownPid; }
    // Another program's process; returns its id.
    uint32_t Add(std::u16string_view exeName, uint32_t sessionId = 1,
                 std::u16string_view user = u"user");

private:
    SimProcessTable m_table;
    uint32_t m_ownPid = 0;
};

// --- Version resources ---------------------------------------------------------------

struct VS_FIXEDFILEINFO {
    uint32_t dwFileVersionMS = 0, dwFileVersionLS = 0;
    uint32_t dwProductVersionMS = 0, dwProductVersionLS = 0;
};
struct FileVersion {
    uint16_t major = 0, minor = 0, build = 0, revision = 0;
};

// Shaped like the system's functions: the size of the version block (0 when
// the file has none), the block itself, and its root value ("\\").
uint32_t GetFileVersionInfoSize(std::u16string_view file);
bool GetFileVersionInfo(std::u16string_view file, std::vector<uint8_t>& block);
bool VerQueryValue(const std::vector<uint8_t>& block, std::u16string_view subBlock,
                   VS_FIXEDFILEINFO& info);

// Simulated version resources. A file is named by its full path; a bare file
// name finds it only when it is on the search path (onSearchPath), as the
// system resolves bare names. `failAt` makes one step fail for tests.
enum class VersionFailure { None, Size, Read, Query };
void SetVersionResource(std::u16string_view file, FileVersion product, bool onSearchPath = true,
                        VersionFailure failAt = VersionFailure::None, FileVersion fileVersion = {});
void ClearVersionResources();

// --- Registry --------------------------------------------------------------------------

struct HKEY__;
using HKEY = HKEY__*;
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002));
inline constexpr uint32_t KEY_READ = 0x20019;
inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;
inline constexpr long ERROR_MORE_DATA = 234;

long RegOpenKeyEx(HKEY root, std::u16string_view subKey, uint32_t options, uint32_t access,
                  HKEY& result);
// A string value of at most `maxBytes` bytes (UTF-16, with its terminator);
// ERROR_MORE_DATA when it is longer.
long RegQueryStringValue(HKEY key, std::u16string_view valueName, std::u16string& value,
                         uint32_t maxBytes);
long RegCloseKey(HKEY key);

// The simulated registry's content (key names compare without regard to case).
void SetRegistryString(HKEY root, std::u16string_view subKey, std::u16string_view valueName,
                       std::u16string_view value);
void ClearRegistry();

// --- Shell "open" ----------------------------------------------------------------------

struct ShellLaunch {
    std::u16string verb, file, parameters, directory;
    int show = 0;
    bool started = false;  // a real process was started
};
// Records the request; starts the file as a process (with the parameters split
// at blanks, quotes respected) when it exists and is executable. Returns a
// value above 32 on success, 2 when the file is missing, as the system does.
intptr_t ShellExecute(HWND hwnd, std::u16string_view verb, std::u16string_view file,
                      std::u16string_view parameters, std::u16string_view directory, int show);
std::vector<ShellLaunch> ShellLaunches();
void ClearShellLaunches();
// Tests that must not start anything turn real starting off (on by default).
void SetShellStartsPrograms(bool on);

}  // namespace plat
