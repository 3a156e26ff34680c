// How the sign-in reaches the mail servers: the waits, the port numbers that
// choose a protocol, and the name lookup. The defaults are the product's; tests
// shorten the waits, map host names to the loopback emulator and move the fixed
// port numbers to ports it could bind.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/Socket.h"

struct ServerWaits {
    uint32_t readLimitMs = 30000;     // one read of a reply; the whole SMTP greeting
    uint32_t connectLimitMs = 30000;  // one connect attempt
    uint32_t reconnectMs = 10000;     // plain POP3: pause between connect attempts
    int connectRetries = 4;           // plain POP3: attempts after the first, minus one
};

struct ServerPorts {
    int smtp = 25;      // SmtpPort left empty
    int smtpTls = 465;  // the SMTP port that speaks TLS from the first byte
    int pop = 110;      // PopPort left empty, and the only plain POP3 port
};

struct ServerLink {
    ServerWaits waits;
    ServerPorts ports;
    // Host name to address; empty: the system's resolver.
    std::function<bool(std::u16string_view host, plat::Ipv4Address& address)> resolve;
    // Milliseconds of a monotonic clock for the time limits; empty: the system's.
    std::function<uint64_t()> tick;

    bool Resolve(std::u16string_view host, plat::Ipv4Address& address) const;
    uint64_t Tick() const;
};

// The number a port setting starts with, read as the system's text-to-integer
// conversion reads it: blanks and a sign first, digits up to the first other
// character; 0 when there are none.
int PortNumber(std::u16string_view text);
