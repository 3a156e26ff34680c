#include "platform/ProcessStart.h"

namespace plat {

namespace {
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
}  // namespace

std::vector<std::u16string> CommandLineToArgv(std::u16string_view line) {
    std::vector<std::u16string> args;
    size_t i = 0, n = line.size();
    for (;;) {
        while (i < n && IsBlank(line[i])) ++i;
        if (i >= n) break;
        std::u16string arg;
        bool quoted = false;
        while (i < n && (quoted || !IsBlank(line[i]))) {
            char16_t c = line[i];
            if (c == u'\\') {
                size_t count = 0;
                while (i < n && line[i] == u'\\') ++count, ++i;
                if (i < n && line[i] == u'"') {
                    arg.append(count / 2, u'\\');
                    if (count % 2) {
                        arg.push_back(u'"');
                        ++i;
                    }
                } else {
                    arg.append(count, u'\\');
                }
            } else if (c == u'"') {
                if (quoted && i + 1 < n && line[i + 1] == u'"') {
                    arg.push_back(u'"');
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg.push_back(c);
                ++i;
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::u16string QuoteArgument(std::u16string_view arg, bool alwaysQuote) {
    bool needs = arg.empty() || arg.find_first_of(u" \t\"") != std::u16string_view::npos;
    if (!needs && !alwaysQuote) return std::u16string(arg);
    std::u16string out(1, u'"');
    size_t backslashes = 0;
    for (char16_t c : arg) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: double them there.
        if (c == u'"') {
            out.append(backslashes * 2 + 1, u'\\');
        } else {
            out.append(backslashes, u'\\');
        }
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, u'\\');
    out.push_back(u'"');
    return out;
}

}  // namespace plat
