// The time stamp of the sync requests and conversions between UTF-16 and 8-bit
// code pages (plat::CP_UTF8 for web texts, digests and POP3, plat::CP_ACP for
// the ANSI code page).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// "year-month-day hours:minutes:seconds" in local time, e.g. "1970-01-01 08:00:00"
// for 0 at UTC+8. A time that cannot be converted gives "0000-00-00 00:00:00".
std::u16string FormatTime(int64_t seconds);

// No result (std::nullopt) for an empty text, an unknown code page or a failed
// conversion; a result is never empty.
std::optional<std::u16string> ToWide(unsigned codePage, std::string_view text);
std::optional<std::string> ToNarrow(unsigned codePage, std::u16string_view text);
