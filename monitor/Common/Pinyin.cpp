#include "monitor/Common/Pinyin.h"

#include "platform/CodePage.h"

namespace {

bool IsAsciiLower(char16_t c) { return c >= u'a' && c <= u'z'; }
bool IsAsciiUpper(char16_t c) { return c >= u'A' && c <= u'Z'; }

}  // namespace

// The walk runs over the OEM code page's bytes (GBK on the systems the program
// targets, a superset of GB2312).
std::u16string PinyinInitials(std::u16string_view text) {
    std::string bytes;
    if (text.empty() || !plat::WideToMultiByte(plat::CP_OEMCP, text, bytes)) return {};
    std::string out;
    out.reserve(bytes.size());
    const size_t n = bytes.size();
    for (size_t i = 0; i < n;) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        const bool hasNext = i + 1 < n;
        const unsigned char t = hasNext ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if (hasNext && b >= 0xA1 && t >= 0xA1) {
            out.push_back(PinyinOf(b * 100u + t - 16160u)[0]);
            i += 2;
        } else if (hasNext && b >= 0x81 && b <= 0xFE && t >= 0x80) {
            // A GBK character outside GB2312 whose trail byte could pass for a
            // lead byte: skip both, or the trail would pair with the next
            // character's lead and garble every initial after it.
            i += 2;
        } else {
            // Dropped; a trail byte below 0x80 that follows is then taken as ASCII.
            ++i;
        }
    }
    // Only bytes below 0x80 are left, which read the same in the ANSI code page
    // as in UTF-16: widen them directly instead of a second conversion.
    std::u16string result(out.size(), u'\0');
    for (size_t k = 0; k < out.size(); ++k) {
        char c = out[k];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        result[k] = static_cast<char16_t>(c);
    }
    return result;
}

std::u16string FirstLetterKey(std::u16string_view text) {
    if (text.empty()) return {};
    const char16_t c = text.front();
    if (IsAsciiLower(c)) return std::u16string(1, static_cast<char16_t>(c - u'a' + u'A'));
    if (IsAsciiUpper(c)) return std::u16string(1, c);
    // Initials come back upper-cased already.
    return PinyinInitials(text.substr(0, 1));
}
