// Private-profile (ini) files with the semantics of the system's functions:
// section and key names compare without regard to case, every read has a
// default, a missing file gives the defaults, writing keeps the rest of the file
// and creates the file when it is missing. Files are read as UTF-8 (a UTF-8 or
// UTF-16LE byte-order mark is honoured, and a file that is not UTF-8 is read as
// the ANSI code page) and written back in the encoding they were read in.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace plat {

// The value with blanks trimmed and one pair of enclosing quotes removed.
std::u16string GetPrivateProfileString(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view defaultValue,
                                       std::u16string_view path);
// The leading decimal number of the value (with an optional sign); the default
// when the key is missing; 0 when the value does not start with a digit.
int GetPrivateProfileInt(std::u16string_view section, std::u16string_view key, int defaultValue,
                         std::u16string_view path);
// Sets a key; the section is created when missing.
bool WritePrivateProfileString(std::u16string_view section, std::u16string_view key,
                               std::u16string_view value, std::u16string_view path);
bool DeletePrivateProfileKey(std::u16string_view section, std::u16string_view key,
                             std::u16string_view path);
bool DeletePrivateProfileSection(std::u16string_view section, std::u16string_view path);
std::vector<std::u16string> GetPrivateProfileSectionNames(std::u16string_view path);
// Keys of a section in file order.
std::vector<std::u16string> GetPrivateProfileKeys(std::u16string_view section,
                                                  std::u16string_view path);

}  // namespace plat
