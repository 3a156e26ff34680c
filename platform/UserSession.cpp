#include "platform/UserSession.h"

#include <atomic>

#include "platform/Error.h"

namespace plat {

namespace {
std::atomic<UserSessions*> g_sessions{nullptr};
}

UserSessions& Sessions() {
    UserSessions* s = g_sessions.load();
    return s ? *s : RealUserSessions();
}

void SetUserSessions(UserSessions* sessions) { g_sessions.store(sessions); }

void SimUserSessions::SetConsoleSession(uint32_t sessionId) {
    std::lock_guard<std::mutex> l(m_lock);
    m_console = sessionId;
}

void SimUserSessions::SetUser(uint32_t sessionId, const std::u16string& user, uint32_t uid) {
    std::lock_guard<std::mutex> l(m_lock);
    m_users[sessionId] = UserIdentity{uid, uid, user};
}

void SimUserSessions::SetFailure(Step step, uint32_t code) {
    std::lock_guard<std::mutex> l(m_lock);
    if (code)
        m_failures[step] = code;
    else
        m_failures.erase(step);
}

void SimUserSessions::OnStart(std::function<void(const Start&)> hook) {
    std::lock_guard<std::mutex> l(m_lock);
    m_hook = std::move(hook);
}

std::vector<SimUserSessions::Start> SimUserSessions::Starts() const {
    std::lock_guard<std::mutex> l(m_lock);
    return m_starts;
}

std::vector<uint32_t> SimUserSessions::QueriedSessions() const {
    std::lock_guard<std::mutex> l(m_lock);
    return m_queried;
}

// Caller holds the lock.
bool SimUserSessions::Failing(Step step) {
    auto it = m_failures.find(step);
    if (it == m_failures.end()) return false;
    SetLastError(it->second);
    return true;
}

uint32_t SimUserSessions::WTSGetActiveConsoleSessionId() {
    std::lock_guard<std::mutex> l(m_lock);
    return m_console;
}

bool SimUserSessions::WTSQueryUserToken(uint32_t sessionId, UserToken& token) {
    std::lock_guard<std::mutex> l(m_lock);
    m_queried.push_back(sessionId);
    if (Failing(kQueryToken)) return false;
    auto it = m_users.find(sessionId);
    if (it == m_users.end()) {
        SetLastError(kErrorFileNotFound);
        return false;
    }
    token = UserToken{};
    token.sessionId = sessionId;
    token.identity = it->second;
    token.home = u"/home/" + it->second.user;
    return true;
}

bool SimUserSessions::DuplicateTokenEx(const UserToken& token, UserToken& primary) {
    std::lock_guard<std::mutex> l(m_lock);
    if (Failing(kDuplicateToken)) return false;
    primary = token;
    primary.primary = true;
    return true;
}

bool SimUserSessions::CreateEnvironmentBlock(const UserToken& token, bool inherit,
                                             EnvironmentBlock& environment) {
    std::lock_guard<std::mutex> l(m_lock);
    if (Failing(kEnvironment)) return false;
    environment = {u"HOME=" + token.home, u"USER=" + token.identity.user};
    if (inherit) environment.push_back(u"INHERITED=1");
    return true;
}

bool SimUserSessions::CreateProcessAsUser(const UserToken& token, std::u16string_view commandLine,
                                          const EnvironmentBlock* environment,
                                          ProcessInformation& info) {
    std::function<void(const Start&)> hook;
    Start start;
    {
        std::lock_guard<std::mutex> l(m_lock);
        if (!token.primary) {
            SetLastError(kErrorAccessDenied);
            return false;
        }
        if (Failing(kCreateProcess)) return false;
        start.token = token;
        start.commandLine = commandLine;
        start.hasEnvironment = environment != nullptr;
        if (environment) start.environment = *environment;
        m_starts.push_back(start);
        info.processId = m_nextPid++;
        hook = m_hook;
    }
    if (hook) hook(start);
    return true;
}

}  // namespace plat
