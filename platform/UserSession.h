// The users' sessions as a service sees them: the active console session, the
// token of a session's user, that user's environment block, and starting a
// program as that user (WTSGetActiveConsoleSessionId, WTSQueryUserToken,
// DuplicateTokenEx, CreateEnvironmentBlock, CreateProcessAsUser).
//
// Here a session is the operating system's session of a process (the id in
// ProcessEntry::sessionId), the group that a login, a terminal or a desktop
// starts its programs in. Its user is the owner of the session's leader; when
// the leader is gone or runs as the superuser, the owner of the first listed
// process of the session that is not the superuser's.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ProcessStart.h"

namespace plat {

// No session is attached to the console.
constexpr uint32_t kNoConsoleSession = 0xFFFFFFFF;

struct UserToken {
    uint32_t sessionId = 0;
    UserIdentity identity;
    std::u16string home;
    std::u16string shell;
    uint32_t sourcePid = 0;  // the session's process the token was taken from
    bool primary = false;    // usable to start a process
};

class UserSessions {
public:
    virtual ~UserSessions() = default;
    // kNoConsoleSession when there is none.
    virtual uint32_t WTSGetActiveConsoleSessionId() = 0;
    // Failures return false and set the last error.
    virtual bool WTSQueryUserToken(uint32_t sessionId, UserToken& token) = 0;
    virtual bool DuplicateTokenEx(const UserToken& token, UserToken& primary) = 0;
    // The user's own variables; with `inherit` the caller's are added.
    virtual bool CreateEnvironmentBlock(const UserToken& token, bool inherit,
                                        EnvironmentBlock& environment) = 0;
    // Starts the command line as the token's user, detached from the caller;
    // `environment` null gives the caller's.
    virtual bool CreateProcessAsUser(const UserToken& token, std::u16string_view commandLine,
                                     const EnvironmentBlock* environment,
                                     ProcessInformation& info) = 0;
};

UserSessions& RealUserSessions();
// The sessions the program uses; SetUserSessions(nullptr) restores the real ones.
UserSessions& Sessions();
void SetUserSessions(UserSessions* sessions);

// Sessions kept by hand, for tests: users by session, a console session, and
// failures of single steps.
class SimUserSessions : public UserSessions {
public:
    enum Step { kQueryToken, kDuplicateToken, kEnvironment, kCreateProcess };

    struct Start {
        UserToken token;
        std::u16string commandLine;
        bool hasEnvironment = false;
        EnvironmentBlock environment;
    };

    void SetConsoleSession(uint32_t sessionId);
    void SetUser(uint32_t sessionId, const std::u16string& user, uint32_t uid = 1000);
    // The step fails with `code` until cleared with code 0.
    void SetFailure(Step step, uint32_t code);
    // Called for every successful start (a test puts the new process into its
    // process table here).
    void OnStart(std::function<void(const Start&)> hook);

    std::vector<Start> Starts() const;
    std::vector<uint32_t> QueriedSessions() const;

    uint32_t WTSGetActiveConsoleSessionId() override;
    bool WTSQueryUserToken(uint32_t sessionId, UserToken& token) override;
    bool DuplicateTokenEx(const UserToken& token, UserToken& primary) override;
    bool CreateEnvironmentBlock(const UserToken& token, bool inherit,
                                EnvironmentBlock& environment) override;
    bool CreateProcessAsUser(const UserToken& token, std::u16string_view commandLine,
                             const EnvironmentBlock* environment,
                             ProcessInformation& info) override;

private:
    bool Failing(Step step);

    mutable std::mutex m_lock;
    uint32_t m_console = kNoConsoleSession;
    std::map<uint32_t, UserIdentity> m_users;
    std::map<Step, uint32_t> m_failures;
    std::function<void(const Start&)> m_hook;
    std::vector<Start> m_starts;
    std::vector<uint32_t> m_queried;
    uint32_t m_nextPid = 9000;
};

}  // namespace plat
