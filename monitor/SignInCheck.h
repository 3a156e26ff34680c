// The sign-in check of the login window, without the window: address check,
// server discovery, POP3 login, then the account's folder, the saved login, the
// last-login record and the hand-over to the monitor window, which starts the
// first synchronisation. The window gives it what its boxes hold and shows what
// it reports.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "monitor/Common/ServerLink.h"

// The sign-in values the monitor window keeps.
struct SignInValues {
    std::u16string account;
    std::u16string password;  // plain
    std::u16string mailHost;  // web host setting as read for this sign-in
    std::u16string mailPort;
};

// What the monitor window does with a successful sign-in.
class CSignInTarget {
public:
    virtual ~CSignInTarget() = default;
    virtual void SetSignInValues(const SignInValues& values) = 0;
    // Starts the synchronisation of the private address book; its end decides
    // whether the user is signed in.
    virtual void SyncPersonal() = 0;
};

// What the login window shows while it checks.
class CSignInView {
public:
    virtual ~CSignInView() = default;
    virtual void CloseServerSettings() = 0;
    // Disabled while checking; enabled again when the check stops.
    virtual void EnableControls(bool enable) = 0;
    // The two status lines.
    virtual void ShowStatus(std::u16string_view first, std::u16string_view second) = 0;
};

struct SignInRequest {
    std::u16string account;  // as typed, not trimmed
    std::u16string password;
    bool remember = false;
    bool autoLogin = false;
};

enum SignInResult {
    kSignInStarted = 0,  // handed over; the controls stay disabled
    kSignInBadAddress = 1,
    kSignInNoConnection = 2,
    kSignInNotService = 3,
    kSignInTimedOut = 4,
    kSignInLoginFailed = 5
};

extern const char16_t kSignInBadAddressText[];  // "邮箱地址输入有误，请重新输入！"
extern const char16_t kSignInNoConnectionText[];  // "连接失败，请检查邮箱域名或网络连接是否正常！"
extern const char16_t kSignInNotServiceText[];  // "非Quillnet企业邮箱帐号！"
extern const char16_t kSignInTimedOutText[];    // "网络连接超时！"
extern const char16_t kSignInLoginFailedText[];  // "登录失败，请检查帐号和密码是否正确！"

// The POP3 login that verifies the password, logged out again at once.
enum PopLoginResult { kPopLoggedIn = 0, kPopRefused = 2, kPopUnreachable = 3 };
struct PopServer;
// `errorText` (may be null) gets the POP3 client's error text.
int CheckPopLogin(const PopServer& server, std::u16string_view account,
                  std::u16string_view password, const ServerLink& link,
                  std::u16string* errorText = nullptr);

// How long the last account may sign in without reaching the servers.
constexpr int64_t kOfflineSignInSeconds = 691200;  // 8 days

class CSignInCheck {
public:
    CSignInCheck(CSignInView& view, CSignInTarget& target) : m_view(view), m_target(target) {}

    void SetLink(const ServerLink& link) { m_link = link; }
    // Seconds since 1970; empty: the system's time.
    void SetClock(std::function<int64_t()> now) { m_now = std::move(now); }

    // Runs on the calling (user interface) thread and blocks it while the
    // servers answer.
    int Run(const SignInRequest& request);

private:
    int Stop(int result, const char16_t* text);
    int64_t Now() const;

    CSignInView& m_view;
    CSignInTarget& m_target;
    ServerLink m_link;
    std::function<int64_t()> m_now;
};
