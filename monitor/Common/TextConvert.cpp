#include "monitor/Common/TextConvert.h"

#include "platform/CodePage.h"
#include "platform/Format.h"
#include "platform/Time.h"

std::u16string FormatTime(int64_t seconds) {
    plat::SystemTime t;
    if (!plat::LocalTimeOf(seconds, t)) t = plat::SystemTime();
    // The time part is what strftime's "%H:%M:%S" gives.
    std::u16string clock = plat::Format(u"%02d:%02d:%02d", t.hour, t.minute, t.second);
    return plat::Format(u"%04d-%02d-%02d %s", t.year, t.month, t.day, clock);
}

std::optional<std::u16string> ToWide(unsigned codePage, std::string_view text) {
    std::u16string out;
    if (text.empty() || !plat::MultiByteToWide(codePage, text, out) || out.empty())
        return std::nullopt;
    return out;
}

std::optional<std::string> ToNarrow(unsigned codePage, std::u16string_view text) {
    std::string out;
    if (text.empty() || !plat::WideToMultiByte(codePage, text, out) || out.empty())
        return std::nullopt;
    return out;
}
