#include "platform/ServiceControl.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Error.h"
#include "platform/Text.h"

namespace plat {

namespace {
std::atomic<ServiceControlManager*> g_manager{nullptr};

constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorDatabaseLocked = 1055;
constexpr uint32_t kErrorInvalidLevel = 124;
constexpr SERVICE_STATUS_HANDLE kStatusHandle = 0x5000;
}  // namespace

ServiceControlManager& ServiceManager() {
    ServiceControlManager* m = g_manager.load();
    return m ? *m : RealServiceControlManager();
}

void SetServiceControlManager(ServiceControlManager* manager) { g_manager.store(manager); }

void SimServiceManager::SetFailure(Call call, uint32_t code, uint32_t state) {
    std::lock_guard<std::mutex> l(m_lock);
    if (code)
        m_failures[call] = Failure{code, state};
    else
        m_failures.erase(call);
}

void SimServiceManager::SetLockHeld(bool held) {
    std::lock_guard<std::mutex> l(m_lock);
    m_lockHeldElsewhere = held;
}

void SimServiceManager::AddService(const ServiceConfig& config) {
    std::lock_guard<std::mutex> l(m_lock);
    m_services[config.name].config = config;
}

bool SimServiceManager::Find(std::u16string_view name, Service& out) const {
    std::lock_guard<std::mutex> l(m_lock);
    auto it = m_services.find(std::u16string(name));
    if (it == m_services.end()) return false;
    out = it->second;
    return true;
}

bool SimServiceManager::Exists(std::u16string_view name) const {
    Service s;
    return Find(name, s);
}

std::vector<std::string> SimServiceManager::Calls() const {
    std::lock_guard<std::mutex> l(m_lock);
    return m_calls;
}

int SimServiceManager::OpenHandles() const {
    std::lock_guard<std::mutex> l(m_lock);
    return int(m_handles.size());
}

bool SimServiceManager::LockHeldByCaller() const {
    std::lock_guard<std::mutex> l(m_lock);
    return m_dbLock != 0;
}

std::vector<ServiceStatus> SimServiceManager::Statuses() const {
    std::lock_guard<std::mutex> l(m_lock);
    return m_statuses;
}

bool SimServiceManager::WaitForState(uint32_t state, uint32_t limitMs) const {
    std::unique_lock<std::mutex> l(m_lock);
    return m_changed.wait_for(l, std::chrono::milliseconds(limitMs), [&] {
        for (const auto& s : m_statuses)
            if (s.currentState == state) return true;
        return false;
    });
}

void SimServiceManager::OnStatus(std::function<void(const ServiceStatus&)> hook) {
    std::lock_guard<std::mutex> l(m_lock);
    m_statusHook = std::move(hook);
}

std::u16string SimServiceManager::DispatchedName() const {
    std::lock_guard<std::mutex> l(m_lock);
    return m_dispatched;
}

// Caller holds the lock.
bool SimServiceManager::Failing(Call call, uint32_t state) {
    auto it = m_failures.find(call);
    if (it == m_failures.end() || (it->second.state && it->second.state != state)) return false;
    SetLastError(it->second.code);
    return true;
}

void SimServiceManager::Record(std::string call) { m_calls.push_back(std::move(call)); }

// Caller holds the lock.
SimServiceManager::Service* SimServiceManager::ServiceOf(SC_HANDLE handle, uint32_t needed) {
    auto h = m_handles.find(handle);
    if (h == m_handles.end() || h->second.manager) {
        SetLastError(kErrorInvalidHandle);
        return nullptr;
    }
    if ((h->second.access & needed) != needed) {
        SetLastError(5);  // access denied
        return nullptr;
    }
    auto s = m_services.find(h->second.name);
    if (s == m_services.end()) {
        SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return nullptr;
    }
    return &s->second;
}

SC_HANDLE SimServiceManager::OpenSCManager(uint32_t access) {
    std::lock_guard<std::mutex> l(m_lock);
    Record("OpenSCManager");
    if (Failing(kOpenSCManager)) return 0;
    SC_HANDLE h = m_nextHandle++;
    m_handles[h] = Handle{true, {}, access};
    return h;
}

SC_HANDLE SimServiceManager::OpenService(SC_HANDLE manager, std::u16string_view name,
                                         uint32_t access) {
    std::lock_guard<std::mutex> l(m_lock);
    Record("OpenService");
    auto m = m_handles.find(manager);
    if (m == m_handles.end() || !m->second.manager) {
        SetLastError(kErrorInvalidHandle);
        return 0;
    }
    if (Failing(kOpenService)) return 0;
    if (!m_services.count(std::u16string(name))) {
        SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return 0;
    }
    SC_HANDLE h = m_nextHandle++;
    m_handles[h] = Handle{false, std::u16string(name), access};
    return h;
}

SC_HANDLE SimServiceManager::CreateService(SC_HANDLE manager, const ServiceConfig& config,
                                           uint32_t access) {
    std::lock_guard<std::mutex> l(m_lock);
    Record("CreateService");
    auto m = m_handles.find(manager);
    if (m == m_handles.end() || !m->second.manager) {
        SetLastError(kErrorInvalidHandle);
        return 0;
    }
    if (Failing(kCreateService)) return 0;
    if (m_services.count(config.name)) {
        SetLastError(ERROR_SERVICE_EXISTS);
        return 0;
    }
    m_services[config.name].config = config;
    SC_HANDLE h = m_nextHandle++;
    m_handles[h] = Handle{false, config.name, access};
    return h;
}

bool SimServiceManager::CloseServiceHandle(SC_HANDLE handle) {
    std::lock_guard<std::mutex> l(m_lock);
    if (!m_handles.erase(handle)) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    return true;
}

SC_LOCK SimServiceManager::LockServiceDatabase(SC_HANDLE manager) {
    std::lock_guard<std::mutex> l(m_lock);
    Record("LockServiceDatabase");
    if (!m_handles.count(manager)) {
        SetLastError(kErrorInvalidHandle);
        return 0;
    }
    if (Failing(kLock)) return 0;
    if (m_lockHeldElsewhere || m_dbLock) {
        SetLastError(kErrorDatabaseLocked);
        return 0;
    }
    m_dbLock = 0x7000;
    return m_dbLock;
}

bool SimServiceManager::UnlockServiceDatabase(SC_LOCK lock) {
    std::lock_guard<std::mutex> l(m_lock);
    Record("UnlockServiceDatabase");
    if (lock == 0 || lock != m_dbLock) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    m_dbLock = 0;
    return true;
}

bool SimServiceManager::ChangeServiceConfig2(SC_HANDLE service, uint32_t infoLevel,
                                             std::u16string_view description) {
    std::lock_guard<std::mutex> l(m_lock);
    Record("ChangeServiceConfig2");
    Service* s = ServiceOf(service, 0);
    if (!s) return false;
    if (infoLevel != SERVICE_CONFIG_DESCRIPTION) {
        SetLastError(kErrorInvalidLevel);
        return false;
    }
    if (Failing(kChangeConfig)) return false;
    s->description = description;
    return true;
}

bool SimServiceManager::StartService(SC_HANDLE service, const std::vector<std::u16string>&) {
    std::lock_guard<std::mutex> l(m_lock);
    Record("StartService");
    Service* s = ServiceOf(service, 0);
    if (!s || Failing(kStartService)) return false;
    s->state = SERVICE_RUNNING;
    ++s->starts;
    return true;
}

bool SimServiceManager::ControlService(SC_HANDLE service, uint32_t control, ServiceStatus& status) {
    std::lock_guard<std::mutex> l(m_lock);
    Record("ControlService " + std::to_string(control));
    Service* s = ServiceOf(service, 0);
    if (!s || Failing(kControlService)) return false;
    if (s->state == SERVICE_STOPPED) {
        SetLastError(ERROR_SERVICE_NOT_ACTIVE);
        return false;
    }
    if (control == SERVICE_CONTROL_STOP) s->state = SERVICE_STOPPED;
    status = ServiceStatus{};
    status.serviceType = SERVICE_WIN32_OWN_PROCESS;
    status.currentState = s->state;
    return true;
}

bool SimServiceManager::DeleteService(SC_HANDLE service) {
    std::lock_guard<std::mutex> l(m_lock);
    Record("DeleteService");
    Service* s = ServiceOf(service, DELETE);
    if (!s || Failing(kDeleteService)) return false;
    m_services.erase(s->config.name);
    return true;
}

bool SimServiceManager::StartServiceCtrlDispatcher(std::u16string_view name,
                                                   ServiceMainFunction main) {
    std::unique_lock<std::mutex> l(m_lock);
    Record("StartServiceCtrlDispatcher");
    if (Failing(kDispatcher)) return false;
    m_dispatched = name;
    m_mainRunning = true;
    m_statuses.clear();
    std::u16string serviceName(name);
    std::thread entry([this, main, serviceName] {
        main({serviceName});
        std::lock_guard<std::mutex> done(m_lock);
        m_mainRunning = false;
        m_changed.notify_all();
    });
    for (;;) {
        m_changed.wait(l, [&] { return !m_controls.empty() || !m_mainRunning; });
        if (m_controls.empty()) break;
        uint32_t control = m_controls.front();
        m_controls.pop_front();
        HandlerFunction handler = m_handler;
        l.unlock();
        if (handler) handler(control);
        l.lock();
        ++m_controlsDone;
        m_changed.notify_all();
    }
    m_handler = nullptr;
    l.unlock();
    entry.join();
    return true;
}

SERVICE_STATUS_HANDLE SimServiceManager::RegisterServiceCtrlHandler(std::u16string_view name,
                                                                    HandlerFunction handler) {
    std::lock_guard<std::mutex> l(m_lock);
    Record("RegisterServiceCtrlHandler");
    if (Failing(kRegisterHandler)) return 0;
    if (!m_mainRunning || name != m_dispatched) {
        SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return 0;
    }
    m_handler = handler;
    return kStatusHandle;
}

bool SimServiceManager::SetServiceStatus(SERVICE_STATUS_HANDLE handle,
                                         const ServiceStatus& status) {
    std::function<void(const ServiceStatus&)> hook;
    {
        std::lock_guard<std::mutex> l(m_lock);
        hook = m_statusHook;
    }
    if (hook) hook(status);
    std::lock_guard<std::mutex> l(m_lock);
    Record("SetServiceStatus " + std::to_string(status.currentState));
    if (handle != kStatusHandle) {
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    if (Failing(kSetStatus, status.currentState)) return false;
    m_statuses.push_back(status);
    m_accepted = status.controlsAccepted;
    m_lastState = status.currentState;
    auto it = m_services.find(m_dispatched);
    if (it != m_services.end()) it->second.state = status.currentState;
    m_changed.notify_all();
    return true;
}

bool SimServiceManager::SendControl(uint32_t control) {
    std::unique_lock<std::mutex> l(m_lock);
    if (!m_mainRunning || !m_handler || m_lastState == SERVICE_STOPPED) {
        SetLastError(ERROR_SERVICE_NOT_ACTIVE);
        return false;
    }
    bool stopping = control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN;
    uint32_t needed =
        control == SERVICE_CONTROL_STOP ? SERVICE_ACCEPT_STOP : SERVICE_ACCEPT_SHUTDOWN;
    if (stopping && (!(m_accepted & needed) || m_lastState == SERVICE_STOP_PENDING)) {
        SetLastError(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
        return false;
    }
    m_controls.push_back(control);
    uint64_t ticket = ++m_controlsSent;
    m_changed.notify_all();
    m_changed.wait(l, [&] { return m_controlsDone >= ticket || !m_mainRunning; });
    return true;
}

}  // namespace plat
