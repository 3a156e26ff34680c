// The launcher service "QuillnetM Plugin": installs and removes itself, and
// while it runs, watches the processes once a second and starts the monitor in
// the session of a running mail program when no monitor runs anywhere.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Event.h"
#include "platform/Format.h"
#include "platform/ServiceControl.h"

extern const char16_t kServiceName[];  // also the display and event source name
extern const char16_t kServiceDescription[];

// The program's start arguments after its name, as one text.
std::u16string ArgumentTail(int argc, char** argv);

// One information event from the source "QuillnetM Plugin".
void ReportServiceEventText(const std::u16string& text);
template <typename... Args>
void ReportServiceEvent(std::u16string_view format, const Args&... args) {
    ReportServiceEventText(plat::Format(format, args...));
}

// The service's process-wide state and its routines. The manager's callbacks
// carry no context, so the one instance is reachable through Current().
class CABService {
public:
    CABService();
    ~CABService();
    CABService(const CABService&) = delete;
    CABService& operator=(const CABService&) = delete;

    static CABService* Current();

    // The program: service folder, log, crash handler, then RunMode. Always 0.
    int Run(std::u16string_view argumentTail);
    // "/install", "/uninstall" (whole text, no case), or run as the service.
    int RunMode(std::u16string_view argumentTail);

    bool IsInstalled();
    void Install();
    void Uninstall();

    // The entry point; returns once the service has stopped.
    void ServiceMain();
    void ControlHandler(uint32_t control);
    // The stop routine; runs once, on the control handler's thread.
    void TerminateService();
    // The worker: watch passes until the run flag is cleared.
    void ServiceProc();
    void WatchPass();
    // Starts the command line in the target session as its user.
    bool CreateProcessEx(const std::u16string& commandLine);
    std::u16string MonitorCommandLine() const;

    void SetFolder(std::u16string folder) { m_folder = std::move(folder); }
    const std::u16string& Folder() const { return m_folder; }
    uint32_t TargetSessionId() const { return m_targetSessionId; }
    uint32_t CurrentState() const { return m_currentState; }
    bool RunFlag() const { return m_run; }
    // The pause between passes (1,000 ms of sleep); tests put their own.
    void SetPause(std::function<void(uint32_t)> pause) { m_pause = std::move(pause); }

private:
    // Reports the current state; a failed stop-pending report runs the stop.
    bool ReportStatus();

    std::u16string m_folder;
    std::atomic<plat::SERVICE_STATUS_HANDLE> m_statusHandle{0};
    std::atomic<uint32_t> m_currentState{0};
    std::atomic<bool> m_run{false};
    std::atomic<bool> m_workerStarted{false};
    std::atomic<bool> m_stopping{false};
    plat::Event m_exitEvent;
    plat::Event m_finishedEvent;
    std::atomic<uint32_t> m_targetSessionId{0};  // 0: none; never reset
    std::function<void(uint32_t)> m_pause;
};
