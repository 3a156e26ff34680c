// Paths: the program folder and the one join helper. The layer above builds
// every path with JoinPath and never writes a separator itself.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace plat {

extern const char16_t kPathSeparator;

// The folder of the running executable, without a trailing separator. A front
// end or a test may name another one (SetProgramFolder) before anything reads it.
std::u16string ProgramFolder();
void SetProgramFolder(std::u16string_view folder);
// Full path of the running executable.
std::u16string ExecutablePath();

// Joins the parts with the native separator. Separators at the joins are not
// doubled, and a "\" or "/" inside a part is taken as a separator, so a relative
// path written the program's way ("skin\\plugindata") works unchanged.
std::u16string JoinPath(std::initializer_list<std::u16string_view> parts);
inline std::u16string JoinPath(std::u16string_view a, std::u16string_view b) {
    return JoinPath({a, b});
}

// The part after the last separator (either kind).
std::u16string_view FileNameOf(std::u16string_view path);
// The part before the last separator; empty when there is none.
std::u16string_view FolderOf(std::u16string_view path);

// A path of the operating system's own encoding (UTF-8 on Linux).
std::string NativePath(std::u16string_view path);

// A fresh, empty folder below the system's temporary folder.
std::u16string MakeTempFolder(std::u16string_view prefix);

}  // namespace plat
