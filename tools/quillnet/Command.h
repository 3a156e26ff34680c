// The headless front end's commands. Each command file registers its commands
// with a static QN_COMMAND; main.cpp only parses the common options and
// dispatches.
#pragma once

#include <string>
#include <vector>

namespace quillnet {

// Arguments after the command name, UTF-8, common options removed.
using Args = std::vector<std::string>;
using CommandFn = int (*)(const Args& args);

struct Command {
    const char* name;
    const char* usage;  // "initials TEXT..."
    CommandFn run;
};

std::vector<Command>& Commands();

struct CommandRegistrar {
    CommandRegistrar(const char* name, const char* usage, CommandFn run) {
        Commands().push_back({name, usage, run});
    }
};

// Prints UTF-16 text as UTF-8.
void Print(const std::u16string& text);
void PrintLine(const std::u16string& text);
std::u16string Wide(const std::string& utf8);

}  // namespace quillnet

#define QN_COMMAND_CAT2(a, b) a##b
#define QN_COMMAND_CAT(a, b) QN_COMMAND_CAT2(a, b)
#define QN_COMMAND(name, usage, fn) \
    static ::quillnet::CommandRegistrar QN_COMMAND_CAT(qn_command_, __LINE__)(name, usage, fn)
