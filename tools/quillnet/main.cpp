// quillnet: the monitor's logic without windows, for administrators, scripts and
// the demonstration. Usage: quillnet [--folder DIR] COMMAND ARGS...
#include <cstdio>
#include <cstring>

#include "platform/Path.h"
#include "platform/Text.h"
#include "tools/quillnet/Command.h"

namespace quillnet {

std::vector<Command>& Commands() {
    static std::vector<Command> commands;
    return commands;
}

void Print(const std::u16string& text) {
    std::string s = plat::Utf16ToUtf8(text);
    std::fwrite(s.data(), 1, s.size(), stdout);
}

void PrintLine(const std::u16string& text) {
    Print(text);
    std::fputc('\n', stdout);
}

std::u16string Wide(const std::string& utf8) { return plat::Utf8ToUtf16(utf8); }

}  // namespace quillnet

namespace {

int Usage() {
    std::fprintf(stderr, "usage: quillnet [--folder DIR] COMMAND ARGS...\ncommands:\n");
    for (const auto& c : quillnet::Commands()) std::fprintf(stderr, "  %s\n", c.usage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    quillnet::Args args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--folder") == 0 && i + 1 < argc) {
            plat::SetProgramFolder(plat::Utf8ToUtf16(argv[++i]));
            continue;
        }
        args.emplace_back(argv[i]);
    }
    if (args.empty()) return Usage();
    std::string name = args.front();
    args.erase(args.begin());
    for (const auto& c : quillnet::Commands())
        if (name == c.name) return c.run(args);
    std::fprintf(stderr, "quillnet: unknown command '%s'\n", name.c_str());
    return Usage();
}
