#include "monitor/LoginSettings.h"

#include "platform/Format.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace {

std::u16string Read(std::u16string_view section, std::u16string_view key) {
    return plat::GetPrivateProfileString(section, key, u"", ServerIniPath());
}

}  // namespace

std::u16string ServerIniPath() {
    return plat::JoinPath({plat::ProgramFolder(), u"conf", u"server.ini"});
}

ServerSettings ReadServerSettings() {
    ServerSettings s;
    s.mailHost = Read(u"SRVSET", u"MailHost");
    s.smtpHost = Read(u"SRVSET", u"SmtpHost");
    s.popHost = Read(u"SRVSET", u"PopHost");
    s.mailPort = Read(u"SRVSET", u"MailPort");
    s.smtpPort = Read(u"SRVSET", u"SmtpPort");
    s.popPort = Read(u"SRVSET", u"PopPort");
    return s;
}

std::vector<std::u16string> ReadPartnerDomains() {
    std::vector<std::u16string> domains;
    for (int n = 1;; ++n) {
        std::u16string value(plat::Trim(Read(u"DOMAIN", plat::Format(u"Domain%d", n))));
        if (value.empty()) break;
        domains.push_back(std::move(value));
    }
    return domains;
}

LastLogin ReadLastLogin() {
    const std::u16string ini = ServerIniPath();
    LastLogin last;
    last.userName = plat::GetPrivateProfileString(u"LASTLOGIN", u"USERNAME", u"", ini);
    last.serverType = plat::GetPrivateProfileInt(u"LASTLOGIN", u"servertype", 0, ini);
    last.loginTime = plat::GetPrivateProfileInt(u"LASTLOGIN", u"logintime", 0, ini);
    return last;
}

void WriteLastLogin(std::u16string_view account, int serverType, int32_t loginTime) {
    const std::u16string ini = ServerIniPath();
    plat::WritePrivateProfileString(u"LASTLOGIN", u"servertype", serverType == 1 ? u"1" : u"0",
                                    ini);
    plat::WritePrivateProfileString(u"LASTLOGIN", u"USERNAME", account, ini);
    plat::WritePrivateProfileString(u"LASTLOGIN", u"logintime", plat::Format(u"%d", loginTime),
                                    ini);
}

std::u16string_view DomainOf(std::u16string_view account) {
    size_t at = account.find(u'@');
    return at == std::u16string_view::npos ? std::u16string_view() : account.substr(at + 1);
}

PopServer PopServerFor(const ServerSettings& settings, std::u16string_view account,
                       const ServerPorts& ports) {
    PopServer pop;
    pop.host =
        settings.popHost.empty() ? u"pop3." + std::u16string(DomainOf(account)) : settings.popHost;
    pop.port = settings.popPort.empty() ? ports.pop : PortNumber(settings.popPort);
    pop.tls = pop.port != ports.pop;
    return pop;
}
