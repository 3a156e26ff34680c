// Code-page conversion as MultiByteToWideChar / WideCharToMultiByte do it. The
// "ANSI" and "OEM" code page of the systems the program targets is 936 (GBK).
#pragma once

#include <string>
#include <string_view>

namespace plat {

constexpr unsigned CP_ACP = 0;
constexpr unsigned CP_OEMCP = 1;
constexpr unsigned CP_GBK = 936;
constexpr unsigned CP_UTF8 = 65001;

// The code page CP_ACP and CP_OEMCP stand for.
unsigned AnsiCodePage();

// False for an unknown code page or text that does not convert (UTF-8 input is
// converted leniently, like the system does without MB_ERR_INVALID_CHARS;
// characters GBK cannot hold become "?").
bool MultiByteToWide(unsigned codePage, std::string_view in, std::u16string& out);
bool WideToMultiByte(unsigned codePage, std::u16string_view in, std::string& out);

}  // namespace plat
