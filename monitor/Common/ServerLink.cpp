#include "monitor/Common/ServerLink.h"

#include "platform/Time.h"

bool ServerLink::Resolve(std::u16string_view host, plat::Ipv4Address& address) const {
    return resolve ? resolve(host, address) : plat::ResolveIpv4(host, address);
}

uint64_t ServerLink::Tick() const { return tick ? tick() : plat::TickCount64(); }

int PortNumber(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > 0x7FFFFFFF) return 0;  // no port; the system's value would be garbage
    }
    return int(negative ? -value : value);
}
