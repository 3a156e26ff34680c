#include "platform/CodePage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/Text.h"

namespace plat {

unsigned AnsiCodePage() { return CP_GBK; }

namespace {

bool IsGbk(unsigned cp) { return cp == CP_ACP || cp == CP_OEMCP || cp == CP_GBK; }

// Converts with iconv; an unconvertible input unit becomes `replacement` in the
// output and the conversion goes on, as the system's converters do.
bool Iconv(const char* to, const char* from, const char* in, size_t inLen, std::string& out,
           const char* replacement, size_t replacementLen, size_t skipUnit) {
    iconv_t cd = iconv_open(to, from);
    if (cd == (iconv_t)-1) return false;
    out.clear();
    out.resize(inLen * 2 + 16);
    char* src = const_cast<char*>(in);
    size_t left = inLen;
    size_t used = 0;
    while (left > 0) {
        char* dst = out.data() + used;
        size_t room = out.size() - used;
        size_t r = iconv(cd, &src, &left, &dst, &room);
        used = out.size() - room;
        if (r != (size_t)-1) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else {
            // EILSEQ or EINVAL (truncated sequence): replace one unit, go on.
            size_t skip = std::min(skipUnit, left);
            src += skip;
            left -= skip;
            if (out.size() - used < replacementLen) out.resize(out.size() * 2 + replacementLen);
            std::memcpy(out.data() + used, replacement, replacementLen);
            used += replacementLen;
        }
    }
    iconv_close(cd);
    out.resize(used);
    return true;
}

}  // namespace

bool MultiByteToWide(unsigned cp, std::string_view in, std::u16string& out) {
    if (cp == CP_UTF8) {
        out = Utf8ToUtf16(in);
        return true;
    }
    if (!IsGbk(cp)) return false;
    std::string bytes;
    static const char16_t kRepl = u'\uFFFD';
    if (!Iconv("UTF-16LE", "CP936", in.data(), in.size(), bytes,
               reinterpret_cast<const char*>(&kRepl), 2, 1))
        return false;
    out.assign(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
    return true;
}

bool WideToMultiByte(unsigned cp, std::u16string_view in, std::string& out) {
    if (cp == CP_UTF8) {
        out = Utf16ToUtf8(in);
        return true;
    }
    if (!IsGbk(cp)) return false;
    return Iconv("CP936", "UTF-16LE", reinterpret_cast<const char*>(in.data()), in.size() * 2,
                 out, "?", 1, 2);
}

}  // namespace plat
