// printf-style formatting into UTF-16 text, type-safe. The program's texts are
// specified as printf formats ("sqlite open: %s\r\n", "httpg_%lu"); this keeps them
// as they are written. Supported: flags "-0+ #", width, precision, length
// modifiers (h, l, ll, I64 are accepted and ignored: the argument's own type
// decides), conversions d i u x X o c s f g e p and %%. %s takes UTF-16 text
// (char16_t*, std::u16string, std::u16string_view) or UTF-8 text (char*,
// std::string, std::string_view). A missing argument formats as nothing.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

namespace plat {

struct FormatArg {
    enum Kind { kInt, kUInt, kDouble, kText16, kText8, kPointer } kind;
    union {
        long long i;
        unsigned long long u;
        double d;
        const void* p;
    };
    std::u16string_view text16;
    std::string_view text8;

    template <typename T>
        requires(std::is_integral_v<T> && std::is_signed_v<T>)
    FormatArg(T v) : kind(kInt), i(v) {}
    template <typename T>
        requires(std::is_integral_v<T> && std::is_unsigned_v<T>)
    FormatArg(T v) : kind(kUInt), u(v) {}
    template <typename T>
        requires std::is_enum_v<T>
    FormatArg(T v) : kind(kInt), i(static_cast<long long>(v)) {}
    FormatArg(double v) : kind(kDouble), d(v) {}
    FormatArg(const char16_t* s) : kind(kText16), p(nullptr), text16(s ? s : u"") {}
    FormatArg(const std::u16string& s) : kind(kText16), p(nullptr), text16(s) {}
    FormatArg(std::u16string_view s) : kind(kText16), p(nullptr), text16(s) {}
    FormatArg(const char* s) : kind(kText8), p(nullptr), text8(s ? s : "") {}
    FormatArg(const std::string& s) : kind(kText8), p(nullptr), text8(s) {}
    FormatArg(std::string_view s) : kind(kText8), p(nullptr), text8(s) {}
    FormatArg(const void* v) : kind(kPointer), p(v) {}
};

std::u16string FormatList(std::u16string_view format, std::initializer_list<FormatArg> args);

template <typename... Args>
std::u16string Format(std::u16string_view format, const Args&... args) {
    return FormatList(format, {FormatArg(args)...});
}

}  // namespace plat
