#include "monitor/AddressBookSync/HostResolve.h"

#include <vector>

#include "platform/CodePage.h"
#include "platform/ProcessPipe.h"
#include "platform/Text.h"
#include "platform/Time.h"

const char16_t kServiceWebHost[] = u"web.quillnet.net";
const char16_t kServiceCanonicalSuffix[] = u".quillnet.net";

namespace {

constexpr size_t kChunk = 4096;
constexpr uint32_t kChunkPauseMs = 1000;

}  // namespace

std::u16string RunNslookup(std::u16string_view name) {
    std::u16string output;
    plat::ProcessPipe pipe;
    // The name goes to the program as one argument of its own; "-type" is the
    // query-type option of the resolver tool found here.
    if (!pipe.Start({u"nslookup", u"-type=cname", std::u16string(name)})) return output;
    std::vector<char> buffer(kChunk);
    for (;;) {
        int64_t n = pipe.Read(buffer.data(), buffer.size());
        if (n <= 0) break;
        std::u16string piece;
        if (plat::MultiByteToWide(plat::CP_ACP, std::string_view(buffer.data(), size_t(n)), piece))
            output += piece;
        plat::Sleep(kChunkPauseMs);
    }
    pipe.Wait();
    return output;
}

std::u16string CanonicalNameOf(std::u16string_view output) {
    size_t at = output.find(u"canonical name");
    if (at == std::u16string_view::npos) return {};
    size_t eq = output.find(u'=', at);
    if (eq == std::u16string_view::npos) return {};
    size_t end = output.find(u'\r', eq);
    if (end == std::u16string_view::npos) end = output.find(u'\n', eq);
    if (end == std::u16string_view::npos) return {};
    std::u16string name = plat::ToLower(plat::Trim(output.substr(eq + 1, end - eq - 1)));
    // The resolver tool here writes names fully qualified ("a.b.", the root's
    // dot); the name is the same without it.
    if (name.size() > 1 && name.back() == u'.') name.pop_back();
    return name;
}

std::u16string ResolveServiceHost(std::u16string_view host, const HostLookup& lookup,
                                  const HostResolveConfig& config) {
    std::u16string result(host);
    if (host.rfind(u"mail.", 0) != 0 || !lookup) return result;
    std::u16string canonical = CanonicalNameOf(lookup(host));
    if (canonical != config.webHost && !config.cnameHost) return result;
    std::u16string smtp(host);
    for (size_t at = smtp.find(u"mail."); at != std::u16string::npos;
         at = smtp.find(u"mail.", at + 5))
        smtp.replace(at, 5, u"smtp.");
    std::u16string smtpCanonical = CanonicalNameOf(lookup(smtp));
    if (!smtpCanonical.empty() && smtpCanonical.find(config.suffix) != std::u16string::npos)
        result = smtpCanonical;
    return result;
}
