// UTF-8 / UTF-16 conversion and the text comparisons the window manager and the
// settings files use. UTF-16 text is std::u16string everywhere.
#pragma once

#include <string>
#include <string_view>

namespace plat {

// Ill-formed input is replaced by U+FFFD, never rejected.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Whole-text comparison without regard to case, as the system compares class
// names, titles, ini sections and keys (ASCII and Latin letters fold).
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
char16_t ToUpperChar(char16_t c);
char16_t ToLowerChar(char16_t c);
std::u16string ToUpper(std::u16string_view text);
std::u16string ToLower(std::u16string_view text);

// Trims blanks, tabs and line ends on both sides.
std::u16string_view Trim(std::u16string_view text);

}  // namespace plat
