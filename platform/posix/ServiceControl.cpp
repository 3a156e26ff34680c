#include "platform/ServiceControl.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "platform/Error.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/ProcessStart.h"
#include "platform/Sync.h"
#include "platform/Text.h"

namespace plat {

namespace {

const char16_t kUnitFolder[] = u"/etc/systemd/system";

bool Fail(uint32_t code) {
    SetLastError(code);
    return false;
}

SC_HANDLE NoHandle(uint32_t code) {
    SetLastError(code);
    return 0;
}

// Unit names allow fewer characters than service names: the others become '-'.
std::u16string UnitName(std::u16string_view service) {
    std::u16string unit;
    for (char16_t c : service) {
        bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                     (c >= u'0' && c <= u'9') || c == u'_' || c == u'.' || c == u':' || c == u'-';
        unit.push_back(plain ? c : u'-');
    }
    return unit + u".service";
}

std::u16string UnitPath(std::u16string_view service) {
    return JoinPath(kUnitFolder, UnitName(service));
}

// One line of a unit: no line breaks inside.
std::string OneLine(std::u16string_view text) {
    std::string s = Utf16ToUtf8(text);
    for (auto& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

// An argument of ExecStart, quoted so that systemd neither splits it nor
// expands specifiers or variables in it.
std::string UnitArgument(std::u16string_view arg) {
    std::string out = "\"";
    for (char c : OneLine(arg)) {
        if (c == '\\' || c == '"') out += '\\';
        if (c == '%') out += '%';
        if (c == '$') out += '$';
        out += c;
    }
    return out + "\"";
}

// Runs systemctl with the arguments and waits; false with its exit status as
// the error when it fails.
bool Systemctl(std::initializer_list<std::u16string> args) {
    std::vector<std::u16string> argv{u"systemctl"};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessInformation pi;
    if (!CreateProcess(argv, StartOptions{}, pi)) return false;
    int code = -1;
    if (WaitForProcess(pi.processId, INFINITE, &code) != WAIT_OBJECT_0) return false;
    return code == 0 || Fail(uint32_t(code));
}

std::string DescriptionLine(std::u16string_view text) { return "Description=" + OneLine(text); }

class InitSystem : public ServiceControlManager {
public:
    SC_HANDLE OpenSCManager(uint32_t access) override {
        if (!DirectoryExists(u"/run/systemd/system")) return NoHandle(ECONNREFUSED);
        if (::geteuid() != 0 && access != SERVICE_QUERY_CONFIG) return NoHandle(EACCES);
        return NewHandle(true, {});
    }

    SC_HANDLE OpenService(SC_HANDLE manager, std::u16string_view name, uint32_t) override {
        if (!IsManager(manager)) return 0;
        if (!FileExists(UnitPath(name))) return NoHandle(ERROR_SERVICE_DOES_NOT_EXIST);
        return NewHandle(false, std::u16string(name));
    }

    SC_HANDLE CreateService(SC_HANDLE manager, const ServiceConfig& config, uint32_t) override {
        if (!IsManager(manager)) return 0;
        std::u16string path = UnitPath(config.name);
        if (FileExists(path)) return NoHandle(ERROR_SERVICE_EXISTS);
        std::vector<std::u16string> argv = CommandLineToArgv(config.binaryPath);
        if (argv.empty()) return NoHandle(EINVAL);
        std::string exec = "ExecStart=";
        for (size_t i = 0; i < argv.size(); ++i) exec += (i ? " " : "") + UnitArgument(argv[i]);
        std::string unit = "[Unit]\n" + DescriptionLine(config.displayName) + "\n";
        unit += "X-DisplayName=" + OneLine(config.displayName) + "\n";
        for (const auto& d : config.dependencies)
            unit += "After=" + OneLine(UnitName(d)) + "\nRequires=" + OneLine(UnitName(d)) + "\n";
        // The programs a service starts for the users outlive its stop, as
        // they do under the service manager the program was made for.
        unit += "\n[Service]\nType=simple\n" + exec + "\nKillMode=process\n";
        if (!config.account.empty()) unit += "User=" + OneLine(config.account) + "\n";
        unit += "\n[Install]\nWantedBy=multi-user.target\n";
        if (!WriteFile(path, unit)) return 0;
        bool ok = Systemctl({u"daemon-reload"});
        if (ok && config.startType == SERVICE_AUTO_START)
            ok = Systemctl({u"enable", UnitName(config.name)});
        if (!ok) {
            uint32_t code = GetLastError();
            DeleteFile(path);
            Systemctl({u"daemon-reload"});
            return NoHandle(code);
        }
        return NewHandle(false, config.name);
    }

    bool CloseServiceHandle(SC_HANDLE handle) override {
        std::lock_guard<std::mutex> l(m_lock);
        return m_handles.erase(handle) ? true : Fail(EBADF);
    }

    SC_LOCK LockServiceDatabase(SC_HANDLE manager) override {
        if (!IsManager(manager)) return 0;
        auto mutex = std::make_unique<NamedMutex>();
        if (!mutex->Create(u"QuillnetM.ServiceDatabase")) return 0;
        uint32_t r = mutex->Wait(0);
        if (r != WAIT_OBJECT_0 && r != WAIT_ABANDONED) return NoHandle(EBUSY);
        std::lock_guard<std::mutex> l(m_lock);
        SC_LOCK lock = m_next++;
        m_dbLocks[lock] = std::move(mutex);
        return lock;
    }

    bool UnlockServiceDatabase(SC_LOCK lock) override {
        std::lock_guard<std::mutex> l(m_lock);
        auto it = m_dbLocks.find(lock);
        if (it == m_dbLocks.end()) return Fail(EBADF);
        it->second->Release();
        m_dbLocks.erase(it);
        return true;
    }

    bool ChangeServiceConfig2(SC_HANDLE service, uint32_t infoLevel,
                              std::u16string_view description) override {
        std::u16string name;
        if (!ServiceName(service, name)) return false;
        if (infoLevel != SERVICE_CONFIG_DESCRIPTION) return Fail(EINVAL);
        std::string unit;
        std::u16string path = UnitPath(name);
        if (!ReadFile(path, unit)) return false;
        size_t at = unit.find("\nDescription=");
        if (at == std::string::npos) return Fail(EINVAL);
        size_t end = unit.find('\n', at + 1);
        unit.replace(at + 1, end - at - 1, DescriptionLine(description));
        return WriteFile(path, unit) && Systemctl({u"daemon-reload"});
    }

    bool StartService(SC_HANDLE service, const std::vector<std::u16string>&) override {
        std::u16string name;
        return ServiceName(service, name) && Systemctl({u"start", UnitName(name)});
    }

    bool ControlService(SC_HANDLE service, uint32_t control, ServiceStatus& status) override {
        std::u16string name;
        if (!ServiceName(service, name)) return false;
        if (control != SERVICE_CONTROL_STOP) return Fail(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
        if (!Systemctl({u"stop", UnitName(name)})) return false;
        status = ServiceStatus{};
        status.serviceType = SERVICE_WIN32_OWN_PROCESS;
        status.currentState = SERVICE_STOPPED;
        return true;
    }

    bool DeleteService(SC_HANDLE service) override {
        std::u16string name;
        if (!ServiceName(service, name)) return false;
        Systemctl({u"disable", UnitName(name)});
        if (!DeleteFile(UnitPath(name))) return false;
        return Systemctl({u"daemon-reload"});
    }

    bool StartServiceCtrlDispatcher(std::u16string_view name, ServiceMainFunction main) override;
    SERVICE_STATUS_HANDLE RegisterServiceCtrlHandler(std::u16string_view name,
                                                     HandlerFunction handler) override;
    bool SetServiceStatus(SERVICE_STATUS_HANDLE handle, const ServiceStatus& status) override;

private:
    SC_HANDLE NewHandle(bool manager, std::u16string name) {
        std::lock_guard<std::mutex> l(m_lock);
        SC_HANDLE h = m_next++;
        m_handles[h] = {manager, std::move(name)};
        return h;
    }
    bool IsManager(SC_HANDLE h) {
        std::lock_guard<std::mutex> l(m_lock);
        auto it = m_handles.find(h);
        return (it != m_handles.end() && it->second.first) || Fail(EBADF);
    }
    bool ServiceName(SC_HANDLE h, std::u16string& name) {
        std::lock_guard<std::mutex> l(m_lock);
        auto it = m_handles.find(h);
        if (it == m_handles.end() || it->second.first) return Fail(EBADF);
        name = it->second.second;
        return true;
    }

    std::mutex m_lock;
    uintptr_t m_next = 1;
    std::map<SC_HANDLE, std::pair<bool, std::u16string>> m_handles;
    std::map<SC_LOCK, std::unique_ptr<NamedMutex>> m_dbLocks;

    // The running service.
    std::u16string m_serviceName;
    std::atomic<HandlerFunction> m_handler{nullptr};
    std::atomic<uint32_t> m_accepted{0};
    std::atomic<bool> m_mainDone{false};
    std::atomic<bool> m_dispatching{false};
    pthread_t m_dispatcher{};
};

// The dispatcher's thread takes the stop and shutdown signals; every other
// thread has them blocked (the mask is set before any of them is made). The
// entry thread's end and each status report wake it with SIGUSR2.
sigset_t DispatcherSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGUSR2);
    return set;
}

bool InitSystem::StartServiceCtrlDispatcher(std::u16string_view name, ServiceMainFunction main) {
    if (m_dispatching.exchange(true)) return Fail(EBUSY);
    m_serviceName = name;
    m_mainDone = false;
    m_dispatcher = ::pthread_self();
    sigset_t set = DispatcherSignals(), old;
    ::pthread_sigmask(SIG_BLOCK, &set, &old);
    std::u16string serviceName(name);
    std::thread entry([this, main, serviceName] {
        main({serviceName});
        m_mainDone = true;
        ::pthread_kill(m_dispatcher, SIGUSR2);
    });
    uint32_t pending = 0;
    while (!m_mainDone) {
        HandlerFunction handler = m_handler.load();
        uint32_t needed =
            pending == SERVICE_CONTROL_STOP ? SERVICE_ACCEPT_STOP : SERVICE_ACCEPT_SHUTDOWN;
        if (pending && handler && (m_accepted & needed)) {
            uint32_t control = pending;
            pending = 0;
            handler(control);
            continue;
        }
        int sig = 0;
        if (::sigwait(&set, &sig) != 0) continue;
        // A stop asked for before the service accepts it is held, not lost.
        if (sig == SIGTERM) pending = SERVICE_CONTROL_STOP;
        if (sig == SIGINT && !pending) pending = SERVICE_CONTROL_SHUTDOWN;
    }
    entry.join();
    m_handler = nullptr;
    // Signals still pending would end the process once unblocked.
    struct timespec now {
        0, 0
    };
    while (::sigtimedwait(&set, nullptr, &now) > 0) {
    }
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    m_dispatching = false;
    return true;
}

SERVICE_STATUS_HANDLE InitSystem::RegisterServiceCtrlHandler(std::u16string_view name,
                                                             HandlerFunction handler) {
    if (!m_dispatching || name != m_serviceName) return NoHandle(ERROR_SERVICE_DOES_NOT_EXIST);
    m_handler = handler;
    return 1;
}

bool InitSystem::SetServiceStatus(SERVICE_STATUS_HANDLE handle, const ServiceStatus& status) {
    if (handle != 1 || !m_dispatching) return Fail(EBADF);
    m_accepted =
        status.currentState == SERVICE_STOP_PENDING || status.currentState == SERVICE_STOPPED
            ? 0
            : status.controlsAccepted;
    ::pthread_kill(m_dispatcher, SIGUSR2);
    return true;
}

}  // namespace

ServiceControlManager& RealServiceControlManager() {
    static InitSystem manager;
    return manager;
}

}  // namespace plat
