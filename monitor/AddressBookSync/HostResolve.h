// The choice of the server a web call talks to: a host "mail.<domain>" whose
// SMTP name is an alias inside the service's own domain is replaced by that
// canonical name. Names are looked up with nslookup.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// The service's web host and the suffix of its canonical names.
extern const char16_t kServiceWebHost[];
extern const char16_t kServiceCanonicalSuffix[];

// The output of a canonical-name lookup of `name`.
using HostLookup = std::function<std::u16string(std::u16string_view name)>;

// Runs nslookup for the canonical name of `name`, hidden, and collects what it
// prints (standard output and error), chunk by chunk.
std::u16string RunNslookup(std::u16string_view name);

// The canonical name an nslookup output reports, trimmed and in lower case;
// empty when it reports none.
std::u16string CanonicalNameOf(std::u16string_view output);

struct HostResolveConfig {
    std::u16string webHost = kServiceWebHost;
    std::u16string suffix = kServiceCanonicalSuffix;
    // sysconfig.ini [common] cnamehost: also try the SMTP name when the mail
    // name is not an alias of the web host.
    bool cnameHost = true;
};

// The host to use for `host` (unchanged unless it starts with "mail.").
std::u16string ResolveServiceHost(std::u16string_view host, const HostLookup& lookup,
                                  const HostResolveConfig& config);
