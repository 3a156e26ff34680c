// What a sign-in reads from and writes to conf\server.ini: the manual server
// settings, the partner domains and the record of the last sign-in, and the
// servers they lead to for an account.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/Common/ServerLink.h"

// Section SRVSET, each value as text ("" when absent).
struct ServerSettings {
    std::u16string mailHost;
    std::u16string smtpHost;
    std::u16string popHost;
    std::u16string mailPort;
    std::u16string smtpPort;
    std::u16string popPort;
};

// Section LASTLOGIN.
struct LastLogin {
    std::u16string userName;
    int serverType = 0;
    int64_t loginTime = 0;
};

std::u16string ServerIniPath();
ServerSettings ReadServerSettings();
// Domain1, Domain2, ... of section DOMAIN up to the first empty one, trimmed.
std::vector<std::u16string> ReadPartnerDomains();
LastLogin ReadLastLogin();
void WriteLastLogin(std::u16string_view account, int serverType, int32_t loginTime);

// The text after the first "@" of an account; empty without one.
std::u16string_view DomainOf(std::u16string_view account);

struct PopServer {
    std::u16string host;
    int port = 0;
    bool tls = false;
};
// The setting, else "pop3." + domain; the port setting, else the POP3 port.
// Only the POP3 port is plain.
PopServer PopServerFor(const ServerSettings& settings, std::u16string_view account,
                       const ServerPorts& ports);
