#include "monitor/SignInCheck.h"

#include <algorithm>
#include <vector>

#include "monitor/AccountFolder.h"
#include "monitor/Common/Log.h"
#include "monitor/Common/MailAddress.h"
#include "monitor/Common/MailboxMatch.h"
#include "monitor/Common/POP3.h"
#include "monitor/LoginSettings.h"
#include "monitor/SavedLogins.h"
#include "platform/Time.h"

const char16_t kSignInBadAddressText[] = u"邮箱地址输入有误，请重新输入！";
const char16_t kSignInNoConnectionText[] = u"连接失败，请检查邮箱域名或网络连接是否正常！";
const char16_t kSignInNotServiceText[] = u"非Quillnet企业邮箱帐号！";
const char16_t kSignInTimedOutText[] = u"网络连接超时！";
const char16_t kSignInLoginFailedText[] = u"登录失败，请检查帐号和密码是否正确！";

int CheckPopLogin(const PopServer& server, std::u16string_view account,
                  std::u16string_view password, const ServerLink& link, std::u16string* errorText) {
    WRITE_LOGF(u"pop host:%s,port:%d\r\n", server.host, server.port);
    const std::u16string user(account);
    const std::u16string secret(password);
    CPOP3 client(server.host.c_str(), server.port, u"", u"");
    client.SetUser(user.c_str(), secret.c_str());
    client.SetTls(server.tls);
    int keepGoing = 1;
    client.SetKeepGoing(&keepGoing);
    client.SetLink(link);
    int result = kPopLoggedIn;
    if (server.tls ? client.LoginTls(server.port) : client.LoginPlain())
        client.Quit();
    else
        result = client.ErrorText() == kPop3LoginRefused ? kPopRefused : kPopUnreachable;
    if (errorText) *errorText = client.ErrorText();
    return result;
}

int64_t CSignInCheck::Now() const { return m_now ? m_now() : plat::TimeNow(); }

int CSignInCheck::Stop(int result, const char16_t* text) {
    WRITE_LOGF(u"%s\r\n", text);
    m_view.ShowStatus(text, u"");
    m_view.EnableControls(true);
    return result;
}

int CSignInCheck::Run(const SignInRequest& request) {
    m_view.CloseServerSettings();
    const ServerSettings settings = ReadServerSettings();
    const std::vector<std::u16string> partners = ReadPartnerDomains();
    const std::u16string& account = request.account;
    const std::u16string& password = request.password;
    m_view.ShowStatus(u"", u"");
    m_view.EnableControls(false);
    const LastLogin last = ReadLastLogin();

    // The account also names its folder and goes into SQL text.
    if (!IsMailAddress(account) || !IsSafeAccountName(account))
        return Stop(kSignInBadAddress, kSignInBadAddressText);

    CMailboxMatch match(m_link);
    match.SetUp(settings.smtpHost, account, settings.smtpPort);
    const int found = match.Run();
    const bool lastAccount = account == last.userName;
    bool keepLastLogin = false;
    if (found != kMatchService && lastAccount && Now() < last.loginTime + kOfflineSignInSeconds) {
        // The last account signs in while the servers cannot be asked.
        SetServerType(last.serverType == 1 ? 1 : 0);
        keepLastLogin = true;
    } else if (found == kMatchOtherServer || found == kMatchNoGreeting) {
        if (std::find(partners.begin(), partners.end(), match.Host()) == partners.end())
            return Stop(kSignInNotService, kSignInNotServiceText);
    } else if (found == kMatchTimedOut) {
        return Stop(kSignInTimedOut, kSignInTimedOutText);
    } else if (found != kMatchService) {
        return Stop(kSignInNoConnection, kSignInNoConnectionText);
    }

    const PopServer server = PopServerFor(settings, account, m_link.ports);
    const int pop = CheckPopLogin(server, account, password, m_link);
    // The last account may go on when the server cannot be reached, never
    // when it refused the password: that password would replace the saved one.
    if (pop == kPopRefused || (pop != kPopLoggedIn && !lastAccount))
        return Stop(kSignInLoginFailed, kSignInLoginFailedText);

    m_target.SetSignInValues({account, password, settings.mailHost, settings.mailPort});
    PrepareAccountFolder(account);
    const int32_t now = int32_t(Now());
    SaveLogin(account, password, request.remember, request.autoLogin, now);
    if (!keepLastLogin) WriteLastLogin(account, ServerType(), now);
    m_target.SyncPersonal();
    return kSignInStarted;
}
