// The service control manager, on both of its sides: installing, starting,
// stopping and removing services (OpenSCManager, CreateService, ...), and a
// service's own connection to it (StartServiceCtrlDispatcher,
// RegisterServiceCtrlHandler, SetServiceStatus). Constants keep their Win32
// values.
//
// Here the real manager is the init system. A service runs in the foreground
// under it; stop arrives as SIGTERM and shutdown as SIGINT. Services are
// registered as systemd units with systemctl when systemd runs; where it does
// not, opening the manager fails.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

using SC_HANDLE = uintptr_t;              // 0: failure
using SC_LOCK = uintptr_t;                // 0: not granted
using SERVICE_STATUS_HANDLE = uintptr_t;  // 0: failure

constexpr uint32_t SC_MANAGER_ALL_ACCESS = 0xF003F;
constexpr uint32_t SERVICE_QUERY_CONFIG = 0x0001;
constexpr uint32_t SERVICE_START = 0x0010;
constexpr uint32_t SERVICE_STOP = 0x0020;
constexpr uint32_t DELETE = 0x00010000;
constexpr uint32_t SERVICE_ALL_ACCESS = 0xF01FF;

constexpr uint32_t SERVICE_WIN32_OWN_PROCESS = 0x10;
constexpr uint32_t SERVICE_INTERACTIVE_PROCESS = 0x100;
constexpr uint32_t SERVICE_AUTO_START = 2;
constexpr uint32_t SERVICE_DEMAND_START = 3;
constexpr uint32_t SERVICE_ERROR_NORMAL = 1;

constexpr uint32_t SERVICE_STOPPED = 1;
constexpr uint32_t SERVICE_START_PENDING = 2;
constexpr uint32_t SERVICE_STOP_PENDING = 3;
constexpr uint32_t SERVICE_RUNNING = 4;

constexpr uint32_t SERVICE_ACCEPT_STOP = 0x1;
constexpr uint32_t SERVICE_ACCEPT_SHUTDOWN = 0x4;

constexpr uint32_t SERVICE_CONTROL_STOP = 1;
constexpr uint32_t SERVICE_CONTROL_INTERROGATE = 4;
constexpr uint32_t SERVICE_CONTROL_SHUTDOWN = 5;

constexpr uint32_t SERVICE_CONFIG_DESCRIPTION = 1;

// Error codes of the manager that callers may meet.
constexpr uint32_t ERROR_SERVICE_DOES_NOT_EXIST = 1060;
constexpr uint32_t ERROR_SERVICE_CANNOT_ACCEPT_CTRL = 1061;
constexpr uint32_t ERROR_SERVICE_NOT_ACTIVE = 1062;
constexpr uint32_t ERROR_FAILED_SERVICE_CONTROLLER_CONNECT = 1063;
constexpr uint32_t ERROR_SERVICE_EXISTS = 1073;

struct ServiceStatus {
    uint32_t serviceType = 0;
    uint32_t currentState = 0;
    uint32_t controlsAccepted = 0;
    uint32_t win32ExitCode = 0;
    uint32_t serviceSpecificExitCode = 0;
    uint32_t checkPoint = 0;
    uint32_t waitHint = 0;
};

struct ServiceConfig {
    std::u16string name;
    std::u16string displayName;
    uint32_t serviceType = SERVICE_WIN32_OWN_PROCESS;
    uint32_t startType = SERVICE_DEMAND_START;
    uint32_t errorControl = SERVICE_ERROR_NORMAL;
    // A command line: the program, quoted when it needs to be, and arguments.
    std::u16string binaryPath;
    std::vector<std::u16string> dependencies;
    std::u16string account;  // empty: the local system account
    std::u16string password;
};

using ServiceMainFunction = void (*)(const std::vector<std::u16string>& args);
using HandlerFunction = void (*)(uint32_t control);

// Failures return 0 or false and set the last error.
class ServiceControlManager {
public:
    virtual ~ServiceControlManager() = default;

    virtual SC_HANDLE OpenSCManager(uint32_t access) = 0;
    virtual SC_HANDLE OpenService(SC_HANDLE manager, std::u16string_view name, uint32_t access) = 0;
    virtual SC_HANDLE CreateService(SC_HANDLE manager, const ServiceConfig& config,
                                    uint32_t access) = 0;
    virtual bool CloseServiceHandle(SC_HANDLE handle) = 0;
    virtual SC_LOCK LockServiceDatabase(SC_HANDLE manager) = 0;
    virtual bool UnlockServiceDatabase(SC_LOCK lock) = 0;
    // Only SERVICE_CONFIG_DESCRIPTION.
    virtual bool ChangeServiceConfig2(SC_HANDLE service, uint32_t infoLevel,
                                      std::u16string_view description) = 0;
    virtual bool StartService(SC_HANDLE service, const std::vector<std::u16string>& args) = 0;
    virtual bool ControlService(SC_HANDLE service, uint32_t control, ServiceStatus& status) = 0;
    virtual bool DeleteService(SC_HANDLE service) = 0;

    // The service's side. The dispatcher runs `main` on a thread of its own
    // and delivers controls to the registered handler on the calling thread;
    // it returns once `main` has returned. Stop and shutdown are delivered only
    // while the last reported status accepts them (held until it does).
    virtual bool StartServiceCtrlDispatcher(std::u16string_view name, ServiceMainFunction main) = 0;
    virtual SERVICE_STATUS_HANDLE RegisterServiceCtrlHandler(std::u16string_view name,
                                                             HandlerFunction handler) = 0;
    virtual bool SetServiceStatus(SERVICE_STATUS_HANDLE handle, const ServiceStatus& status) = 0;
};

ServiceControlManager& RealServiceControlManager();
// The manager the program uses; SetServiceControlManager(nullptr) restores the
// real one.
ServiceControlManager& ServiceManager();
void SetServiceControlManager(ServiceControlManager* manager);

// A manager kept in memory, for tests: it records what is installed, described,
// started and deleted, runs a service's entry point like the real one, and
// lets a test deliver controls.
class SimServiceManager : public ServiceControlManager {
public:
    enum Call {
        kOpenSCManager,
        kOpenService,
        kCreateService,
        kLock,
        kChangeConfig,
        kStartService,
        kControlService,
        kDeleteService,
        kDispatcher,
        kRegisterHandler,
        kSetStatus
    };

    struct Service {
        ServiceConfig config;
        std::u16string description;
        uint32_t state = SERVICE_STOPPED;
        int starts = 0;
    };

    // The call fails with `code` until cleared with code 0. For kSetStatus,
    // `state` narrows the failure to reports of that state.
    void SetFailure(Call call, uint32_t code, uint32_t state = 0);
    // Another holder has the database lock while set.
    void SetLockHeld(bool held);
    void AddService(const ServiceConfig& config);

    bool Find(std::u16string_view name, Service& out) const;
    bool Exists(std::u16string_view name) const;
    // Every call made, in order ("CreateService", "ControlService 1", ...).
    std::vector<std::string> Calls() const;
    int OpenHandles() const;
    bool LockHeldByCaller() const;

    // Delivers a control to the running service's handler and returns once the
    // handler has returned; false (ERROR_SERVICE_NOT_ACTIVE or
    // ERROR_SERVICE_CANNOT_ACCEPT_CTRL) when it cannot be delivered.
    bool SendControl(uint32_t control);
    std::vector<ServiceStatus> Statuses() const;
    // Blocks until a report of `state` has been made (at most `limitMs`).
    bool WaitForState(uint32_t state, uint32_t limitMs = 30000) const;
    // Called on the reporting thread for every status report, before it counts.
    void OnStatus(std::function<void(const ServiceStatus&)> hook);
    std::u16string DispatchedName() const;

    SC_HANDLE OpenSCManager(uint32_t access) override;
    SC_HANDLE OpenService(SC_HANDLE manager, std::u16string_view name, uint32_t access) override;
    SC_HANDLE CreateService(SC_HANDLE manager, const ServiceConfig& config,
                            uint32_t access) override;
    bool CloseServiceHandle(SC_HANDLE handle) override;
    SC_LOCK LockServiceDatabase(SC_HANDLE manager) override;
    bool UnlockServiceDatabase(SC_LOCK lock) override;
    bool ChangeServiceConfig2(SC_HANDLE service, uint32_t infoLevel,
                              std::u16string_view description) override;
    bool StartService(SC_HANDLE service, const std::vector<std::u16string>& args) override;
    bool ControlService(SC_HANDLE service, uint32_t control, ServiceStatus& status) override;
    bool DeleteService(SC_HANDLE service) override;
    bool StartServiceCtrlDispatcher(std::u16string_view name, ServiceMainFunction main) override;
    SERVICE_STATUS_HANDLE RegisterServiceCtrlHandler(std::u16string_view name,
                                                     HandlerFunction handler) override;
    bool SetServiceStatus(SERVICE_STATUS_HANDLE handle, const ServiceStatus& status) override;

private:
    struct Handle {
        bool manager = false;
        std::u16string name;
        uint32_t access = 0;
    };
    struct Failure {
        uint32_t code = 0;
        uint32_t state = 0;
    };

    bool Failing(Call call, uint32_t state = 0);  // caller holds the lock
    Service* ServiceOf(SC_HANDLE handle, uint32_t needed);
    void Record(std::string call);

    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::map<std::u16string, Service> m_services;
    std::map<SC_HANDLE, Handle> m_handles;
    SC_HANDLE m_nextHandle = 1;
    std::map<Call, Failure> m_failures;
    std::vector<std::string> m_calls;
    bool m_lockHeldElsewhere = false;
    SC_LOCK m_dbLock = 0;

    // The running service.
    std::u16string m_dispatched;
    HandlerFunction m_handler = nullptr;
    bool m_mainRunning = false;
    uint32_t m_accepted = 0;
    uint32_t m_lastState = 0;
    std::vector<ServiceStatus> m_statuses;
    std::function<void(const ServiceStatus&)> m_statusHook;
    std::deque<uint32_t> m_controls;
    uint64_t m_controlsSent = 0, m_controlsDone = 0;
};

}  // namespace plat
