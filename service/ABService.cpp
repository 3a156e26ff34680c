#include "service/ABService.h"

#include <system_error>
#include <thread>

#include "platform/CrashHandler.h"
#include "platform/Error.h"
#include "platform/EventLog.h"
#include "platform/Path.h"
#include "platform/ProcessStart.h"
#include "platform/ProcessTable.h"
#include "platform/Text.h"
#include "platform/Time.h"
#include "platform/UserSession.h"
#include "service/ServiceLog.h"

using namespace plat;

const char16_t kServiceName[] = u"QuillnetM Plugin";
const char16_t kServiceDescription[] = u"QuillNet通讯录插件服务";

namespace {

const char16_t kShellName[] = u"explorer.exe";
const char16_t* const kMailPrograms[] = {u"Foxmail.exe", u"FlashMail.exe", u"msimn.exe",
                                         u"OUTLOOK.EXE"};
constexpr uint32_t kPassPeriodMs = 1000;

std::atomic<CABService*> g_current{nullptr};

std::u16string MonitorName() {
    return u"QuillnetM-PluginMonitor" + std::u16string(kExecutableSuffix);
}

// Error codes are logged as the system's %d shows them.
int LastError() { return int(GetLastError()); }

void ServiceMainThunk(const std::vector<std::u16string>&) {
    if (CABService* s = CABService::Current()) s->ServiceMain();
}

void HandlerThunk(uint32_t control) {
    if (CABService* s = CABService::Current()) s->ControlHandler(control);
}

// Closes a manager handle when the scope ends.
struct ScHandle {
    SC_HANDLE h = 0;
    explicit ScHandle(SC_HANDLE handle) : h(handle) {}
    ~ScHandle() {
        if (h) ServiceManager().CloseServiceHandle(h);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    explicit operator bool() const { return h != 0; }
};

}  // namespace

std::u16string ArgumentTail(int argc, char** argv) {
    std::u16string tail;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) tail += u' ';
        tail += Utf8ToUtf16(argv[i]);
    }
    return tail;
}

void ReportServiceEventText(const std::u16string& text) {
    EventLogSink& log = EventLog();
    HEVENTLOG source = log.RegisterEventSource(kServiceName);
    if (!source) return;
    log.ReportEvent(source, EVENTLOG_INFORMATION_TYPE, 0, 0, {text});
    log.DeregisterEventSource(source);
}

CABService::CABService() : m_pause([](uint32_t ms) { Sleep(ms); }) { g_current.store(this); }

CABService::~CABService() {
    CABService* self = this;
    g_current.compare_exchange_strong(self, nullptr);
}

CABService* CABService::Current() { return g_current.load(); }

int CABService::Run(std::u16string_view argumentTail) {
    m_folder = ProgramFolder();
    OpenServiceLog(JoinPath(m_folder, u"ABService_log.txt"));
    InstallCrashHandler(CrashHandlerConfig{m_folder, u"PluginService_%u.dmp",
                                           JoinPath(m_folder, u"ErrorReport.exe")});
    return RunMode(argumentTail);
}

int CABService::RunMode(std::u16string_view argumentTail) {
    if (EqualsNoCase(argumentTail, u"/install")) {
        Install();
    } else if (EqualsNoCase(argumentTail, u"/uninstall")) {
        Uninstall();
    } else if (!ServiceManager().StartServiceCtrlDispatcher(kServiceName, &ServiceMainThunk)) {
        ReportServiceEvent(u"Register Service Main Function Error!");
    }
    return 0;
}

bool CABService::IsInstalled() {
    ServiceControlManager& scm = ServiceManager();
    ScHandle manager(scm.OpenSCManager(SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        SERVICE_LOGF(u"IsInstalled() OpenSCManager fail:%d\r\n", LastError());
        return false;
    }
    SERVICE_LOG(u"IsInstalled() OpenSCManager success\r\n");
    ScHandle service(scm.OpenService(manager.h, kServiceName, SERVICE_QUERY_CONFIG));
    if (service) {
        SERVICE_LOG(u"IsInstalled() OpenService success\r\n");
        return true;
    }
    int error = LastError();
    SERVICE_LOGF(u"IsInstalled() OpenService fail:%d\r\n", error);
    SERVICE_LOGF(u"IsInstalled() OpenService fail:%d\r\n", error);
    return false;
}

void CABService::Install() {
    if (IsInstalled()) return;
    ServiceControlManager& scm = ServiceManager();
    ScHandle manager(scm.OpenSCManager(SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        SERVICE_LOGF(u"Install() OpenSCManager fail:%d\r\n", LastError());
        return;
    }
    SERVICE_LOG(u"Install() OpenSCManager success\r\n");

    ServiceConfig config;
    config.name = kServiceName;
    config.displayName = kServiceName;
    config.serviceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS;
    config.startType = SERVICE_AUTO_START;
    config.errorControl = SERVICE_ERROR_NORMAL;
    // Quoted: an unquoted path with blanks would let the manager start a
    // program named by its first word instead.
    config.binaryPath = QuoteArgument(ExecutablePath(), true);
    ScHandle service(scm.CreateService(manager.h, config, SERVICE_ALL_ACCESS));
    if (!service) {
        SERVICE_LOGF(u"Install() CreateService fail:%d\r\n", LastError());
        return;
    }
    SERVICE_LOG(u"Install() CreateService success\r\n");

    if (SC_LOCK lock = scm.LockServiceDatabase(manager.h)) {
        if (scm.ChangeServiceConfig2(service.h, SERVICE_CONFIG_DESCRIPTION, kServiceDescription))
            SERVICE_LOG(u"Install() ChangeServiceConfig2 success\r\n");
        else
            SERVICE_LOGF(u"Install() ChangeServiceConfig2 fail:%d\r\n", LastError());
        scm.UnlockServiceDatabase(lock);
    }

    if (scm.StartService(service.h, {}))
        SERVICE_LOG(u"Install() StartService success\r\n");
    else
        SERVICE_LOGF(u"Install() StartService fail:%d\r\n", LastError());
}

void CABService::Uninstall() {
    if (!IsInstalled()) return;
    ServiceControlManager& scm = ServiceManager();
    ScHandle manager(scm.OpenSCManager(SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        SERVICE_LOGF(u"Uninstall() OpenSCManager fail:%d\r\n", LastError());
        return;
    }
    SERVICE_LOG(u"Uninstall() OpenSCManager success\r\n");
    ScHandle service(scm.OpenService(manager.h, kServiceName, SERVICE_STOP | DELETE));
    if (!service) {
        SERVICE_LOGF(u"Uninstall() OpenService fail:%d\r\n", LastError());
        return;
    }
    SERVICE_LOG(u"Uninstall() OpenService success\r\n");
    ServiceStatus status;
    scm.ControlService(service.h, SERVICE_CONTROL_STOP, status);
    if (!scm.DeleteService(service.h)) ReportServiceEvent(u"Service could not be deleted");
}

bool CABService::ReportStatus() {
    ServiceStatus status;
    status.serviceType = SERVICE_WIN32_OWN_PROCESS;
    status.currentState = m_currentState;
    status.controlsAccepted = status.currentState == SERVICE_START_PENDING
                                  ? 0
                                  : SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;
    if (ServiceManager().SetServiceStatus(m_statusHandle, status)) return true;
    if (status.currentState == SERVICE_STOP_PENDING) {
        SERVICE_LOG(u"SetServiceStatus fail \r\n");
        TerminateService();
    }
    return false;
}

void CABService::ServiceMain() {
    SERVICE_STATUS_HANDLE handle =
        ServiceManager().RegisterServiceCtrlHandler(kServiceName, &HandlerThunk);
    if (!handle) {
        SERVICE_LOGF(u"RegisterServiceCtrlHandler fail:%d\r\n", LastError());
        return;
    }
    SERVICE_LOG(u"RegisterServiceCtrlHandler success\r\n");
    m_statusHandle = handle;
    m_currentState = SERVICE_START_PENDING;
    ReportStatus();

    if (!m_exitEvent.Create(true, false)) {
        SERVICE_LOG(u"CreateEvent failed\r\n");
        return;
    }
    SERVICE_LOG(u"CreateEvent success\r\n");

    m_run = true;
    try {
        std::thread(&CABService::ServiceProc, this).detach();
        m_workerStarted = true;
    } catch (const std::system_error&) {
        m_run = false;
        SERVICE_LOG(u"CreateThread failed\r\n");
        return;
    }
    m_currentState = SERVICE_RUNNING;
    ReportStatus();

    m_exitEvent.Wait(INFINITE);
    m_exitEvent.Close();
    SERVICE_LOG(u"ABService Exit\r\n");
}

void CABService::ControlHandler(uint32_t control) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            m_currentState = SERVICE_STOP_PENDING;
            ReportStatus();
            TerminateService();
            break;
        case SERVICE_CONTROL_INTERROGATE:
            ReportStatus();
            break;
        default:
            ReportServiceEvent(u"Bad service request");
            ReportStatus();
            break;
    }
}

void CABService::TerminateService() {
    // A failed stop-pending report already ran it; a second run would wait
    // for a worker that has gone.
    if (m_stopping.exchange(true)) return;
    // The event exists before the flag is cleared, so the worker always
    // signals an event that is there.
    m_finishedEvent.Create(true, false);
    m_run = false;
    if (m_workerStarted) m_finishedEvent.Wait(INFINITE);
    m_finishedEvent.Close();
    m_currentState = SERVICE_STOPPED;
    ReportStatus();
    SERVICE_LOG(u"ABService TerminateService Exist\r\n");
    m_exitEvent.Set();
}

void CABService::ServiceProc() {
    SERVICE_LOGF(u"WTSGetActiveConsoleSessionId:%d\r\n",
                 int(Sessions().WTSGetActiveConsoleSessionId()));
    while (m_run) {
        WatchPass();
        m_pause(kPassPeriodMs);
    }
    SERVICE_LOG(u"ABService ServiceProc Exit\r\n");
    m_finishedEvent.Set();
}

std::u16string CABService::MonitorCommandLine() const {
    return QuoteArgument(JoinPath(m_folder, MonitorName()), true);
}

void CABService::WatchPass() {
    std::vector<ProcessEntry> processes;
    if (!Processes().Snapshot(processes)) return;
    if (processes.empty()) {
        SERVICE_LOG(u"Process32First\r\n");
        return;
    }
    const std::u16string monitor = MonitorName();
    bool monitorRunning = false, shellFound = false, mailFound = false;
    for (const ProcessEntry& p : processes) {
        if (p.HasName(monitor)) {
            monitorRunning = true;
        } else if (p.HasName(kShellName)) {
            if (p.sessionKnown) shellFound = true;
        } else {
            for (const char16_t* mail : kMailPrograms)
                if (p.HasName(mail)) {
                    if (p.sessionKnown) {
                        mailFound = true;
                        m_targetSessionId = p.sessionId;
                    }
                    break;
                }
        }
    }
    if (monitorRunning || !mailFound) return;
    std::u16string commandLine = MonitorCommandLine();
    if (shellFound && !CreateProcessEx(commandLine)) SERVICE_LOG(u"CreateProcessEx fail\r\n");
}

bool CABService::CreateProcessEx(const std::u16string& commandLine) {
    UserSessions& sessions = Sessions();
    uint32_t session =
        m_targetSessionId ? m_targetSessionId.load() : sessions.WTSGetActiveConsoleSessionId();
    UserToken token;
    if (!sessions.WTSQueryUserToken(session, token)) {
        SERVICE_LOGF(u"WTSQueryUserToken fail:%d\r\n", LastError());
        return false;
    }
    UserToken primary;
    if (!sessions.DuplicateTokenEx(token, primary)) {
        SERVICE_LOGF(u"DuplicateTokenEx fail:%d\r\n", LastError());
        return false;
    }
    EnvironmentBlock environment;
    if (!sessions.CreateEnvironmentBlock(primary, false, environment)) {
        SERVICE_LOGF(u"CreateEnvironmentBlock fail:%d\r\n", LastError());
        return false;
    }
    // The monitor gets the user's environment, not the service's.
    ProcessInformation info;
    if (!sessions.CreateProcessAsUser(primary, commandLine, &environment, info)) {
        SERVICE_LOGF(u"CreateProcessAsUser fail,%s:%d\r\n", commandLine, LastError());
        return false;
    }
    SERVICE_LOG(u"CreateProcessAsUser success\r\n");
    return true;
}
