#include "platform/Format.h"

#include <cstdio>
#include <vector>

#include "platform/Text.h"

namespace plat {

namespace {

struct Conversion {
    bool left = false, zero = false, plus = false, space = false, alt = false;
    int width = -1, precision = -1;
    char conv = 0;
};

// `lead` characters of `body` (the sign, "0x") stay in front of zero padding.
void Pad(std::u16string& out, std::u16string_view body, const Conversion& sp, bool zeros,
         size_t lead = 0) {
    int pad = sp.width > int(body.size()) ? sp.width - int(body.size()) : 0;
    if (sp.left) {
        out.append(body);
        out.append(pad, u' ');
    } else if (zeros) {
        out.append(body.substr(0, lead));
        out.append(pad, u'0');
        out.append(body.substr(lead));
    } else {
        out.append(pad, u' ');
        out.append(body);
    }
}

std::u16string Ascii(const char* s) {
    std::u16string r;
    for (; *s; ++s) r.push_back(char16_t(static_cast<unsigned char>(*s)));
    return r;
}

void Number(std::u16string& out, const FormatArg& a, const Conversion& sp) {
    char fmt[32];
    char buf[128];
    int k = 0;
    fmt[k++] = '%';
    if (sp.plus) fmt[k++] = '+';
    if (sp.space) fmt[k++] = ' ';
    if (sp.alt) fmt[k++] = '#';
    if (sp.precision >= 0) k += std::snprintf(fmt + k, sizeof fmt - k, ".%d", sp.precision);
    char conv = sp.conv;
    if (conv == 'f' || conv == 'g' || conv == 'e') {
        fmt[k++] = conv;
        fmt[k] = 0;
        double v = a.kind == FormatArg::kDouble ? a.d
                   : a.kind == FormatArg::kInt  ? double(a.i)
                                                : double(a.u);
        std::snprintf(buf, sizeof buf, fmt, v);
    } else {
        fmt[k++] = 'l';
        fmt[k++] = 'l';
        fmt[k++] = conv == 'i' ? 'd' : conv;
        fmt[k] = 0;
        unsigned long long bits = a.kind == FormatArg::kInt      ? (unsigned long long)a.i
                                  : a.kind == FormatArg::kDouble ? (unsigned long long)a.d
                                                                 : a.u;
        if (conv == 'd' || conv == 'i') {
            long long v = a.kind == FormatArg::kInt ? a.i : (long long)bits;
            std::snprintf(buf, sizeof buf, fmt, v);
        } else {
            // Unsigned conversions of a negative int show its 32-bit pattern,
            // as the C library does for %u and %x of an int.
            if (a.kind == FormatArg::kInt && a.i < 0 && a.i >= INT32_MIN) bits &= 0xFFFFFFFFull;
            std::snprintf(buf, sizeof buf, fmt, bits);
        }
    }
    std::u16string body = Ascii(buf);
    size_t lead = 0;
    if (!body.empty() && (body[0] == u'-' || body[0] == u'+' || body[0] == u' ')) lead = 1;
    if (body.size() >= lead + 2 && body[lead] == u'0' &&
        (body[lead + 1] == u'x' || body[lead + 1] == u'X'))
        lead += 2;
    // As in C: a precision turns zero padding off for integers only, and "inf"
    // or "nan" is never zero padded.
    bool isFloat = conv == 'f' || conv == 'g' || conv == 'e';
    bool infOrNan = lead < body.size() && (body[lead] == u'i' || body[lead] == u'I' ||
                                           body[lead] == u'n' || body[lead] == u'N');
    bool zeros = sp.zero && (isFloat || sp.precision < 0) && !infOrNan;
    Pad(out, body, sp, zeros, lead);
}

}  // namespace

std::u16string FormatList(std::u16string_view f, std::initializer_list<FormatArg> list) {
    std::vector<const FormatArg*> args;
    for (const auto& a : list) args.push_back(&a);
    size_t next = 0;
    std::u16string out;
    out.reserve(f.size() + 32);
    for (size_t i = 0; i < f.size(); ++i) {
        char16_t c = f[i];
        if (c != u'%') {
            out.push_back(c);
            continue;
        }
        if (i + 1 < f.size() && f[i + 1] == u'%') {
            out.push_back(u'%');
            ++i;
            continue;
        }
        Conversion sp;
        size_t j = i + 1;
        for (; j < f.size(); ++j) {
            char16_t g = f[j];
            if (g == u'-') sp.left = true;
            else if (g == u'0') sp.zero = true;
            else if (g == u'+') sp.plus = true;
            else if (g == u' ') sp.space = true;
            else if (g == u'#') sp.alt = true;
            else break;
        }
        auto readNum = [&](int& v) {
            if (j < f.size() && f[j] == u'*') {
                ++j;
                v = next < args.size() ? int(args[next++]->i) : 0;
                return;
            }
            if (j < f.size() && f[j] >= u'0' && f[j] <= u'9') {
                v = 0;
                while (j < f.size() && f[j] >= u'0' && f[j] <= u'9') v = v * 10 + (f[j++] - u'0');
            }
        };
        readNum(sp.width);
        if (sp.width < 0 && sp.width != -1) {
            sp.left = true;  // a negative width from * means "-"
            sp.width = -sp.width;
        }
        if (j < f.size() && f[j] == u'.') {
            ++j;
            sp.precision = 0;
            readNum(sp.precision);
            if (sp.precision < 0) sp.precision = -1;  // a negative one counts as none
        }
        while (j < f.size()) {
            if (f[j] == u'h' || f[j] == u'l' || f[j] == u'L' || f[j] == u'z' || f[j] == u'j' ||
                f[j] == u't' || f[j] == u'q') {
                ++j;
            } else if (f.substr(j, 3) == u"I64" || f.substr(j, 3) == u"I32") {
                j += 3;
            } else {
                break;
            }
        }
        if (j >= f.size()) {
            out.append(f.substr(i));
            break;
        }
        sp.conv = char(f[j]);
        i = j;
        const FormatArg* a = next < args.size() ? args[next++] : nullptr;
        if (!a) continue;
        switch (sp.conv) {
            case 's':
            case 'S': {
                std::u16string conv;
                std::u16string_view body;
                if (a->kind == FormatArg::kText16) {
                    body = a->text16;
                } else if (a->kind == FormatArg::kText8) {
                    conv = Utf8ToUtf16(a->text8);
                    body = conv;
                } else {
                    body = u"";
                }
                if (sp.precision >= 0 && size_t(sp.precision) < body.size())
                    body = body.substr(0, sp.precision);
                Pad(out, body, sp, false);
                break;
            }
            case 'c': {
                char16_t ch = a->kind == FormatArg::kInt ? char16_t(a->i) : char16_t(a->u);
                Pad(out, std::u16string_view(&ch, 1), sp, false);
                break;
            }
            case 'p': {
                char buf[32];
                std::snprintf(buf, sizeof buf, "%p", a->p);
                Pad(out, Ascii(buf), sp, false);
                break;
            }
            case 'd':
            case 'i':
            case 'u':
            case 'x':
            case 'X':
            case 'o':
            case 'f':
            case 'g':
            case 'e':
                if (a->kind == FormatArg::kText16 || a->kind == FormatArg::kText8) break;
                Number(out, *a, sp);
                break;
            default:
                out.push_back(u'%');
                out.push_back(f[i]);
                break;
        }
    }
    return out;
}

}  // namespace plat
