// A reply file as the JSON reader sees it: every node on its own line, indented
// by depth, with its kind, its name and its text. Control characters, quotes
// and backslashes in names and strings are shown escaped so that each node
// stays on one line.
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "monitor/Common/JsonValue.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Format.h"
#include "tools/quillnet/Command.h"

namespace {

const char kJsonUsage[] = "json FILE";

const char16_t* KindName(int type) {
    static const char16_t* const kNames[] = {u"null", u"string", u"number",
                                             u"bool", u"array",  u"object"};
    return type >= 0 && type < 6 ? kNames[type] : u"null";
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::u16string Quoted(std::u16string_view text) {
    std::u16string out = u"\"";
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (IsHigh(c) && i + 1 < text.size() && IsLow(text[i + 1])) {
            out += text.substr(i++, 2);
            continue;
        }
        static constexpr std::u16string_view kSpecial = u"\"\\\n\r\t";
        static const char16_t* const kEscaped[] = {u"\\\"", u"\\\\", u"\\n", u"\\r", u"\\t"};
        size_t special = kSpecial.find(c);
        if (special != std::u16string_view::npos)
            out += kEscaped[special];
        else if (c < 32 || c == 127 || IsHigh(c) || IsLow(c))  // lone halves: not for UTF-8
            out += plat::Format(u"\\u%04x", unsigned(c));
        else
            out += c;
    }
    return out + u"\"";
}

// Depth first with a stack of our own: a reply may nest deeper than the call
// stack would allow.
void PrintTree(const CJsonValue& root) {
    struct Item {
        const CJsonValue* value;
        size_t depth;
        bool member;  // of an object: the name is shown even when empty
    };
    std::vector<Item> stack{{&root, 0, false}};
    while (!stack.empty()) {
        Item item = stack.back();
        stack.pop_back();
        const CJsonValue& v = *item.value;
        const bool object = v.Type() == CJsonValue::kObject;
        const auto& members = v.Members();
        std::u16string line(item.depth * 2, u' ');
        line += KindName(v.Type());
        if (item.member) line += u" " + Quoted(v.Name());
        if (v.Type() == CJsonValue::kString)
            line += u": " + Quoted(v.AsString());
        else if (v.Type() != CJsonValue::kObject && v.Type() != CJsonValue::kArray)
            line += u": " + v.AsString();
        quillnet::PrintLine(line);
        for (auto it = members.rbegin(); it != members.rend(); ++it)
            stack.push_back({&*it, item.depth + 1, object});
    }
}

int Json(const quillnet::Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: quillnet %s\n", kJsonUsage);
        return 2;
    }
    std::string bytes;
    if (!plat::ReadFile(quillnet::Wide(args[0]), bytes)) {
        std::fprintf(stderr, "quillnet json: cannot read %s\n", args[0].c_str());
        return 1;
    }
    // The callbacks convert the reply from UTF-8 as it is, byte-order mark and all.
    std::u16string text;
    plat::MultiByteToWide(plat::CP_UTF8, bytes, text);
    try {
        PrintTree(CJsonValue::Parse(std::move(text)));
    } catch (const std::invalid_argument&) {
        std::fprintf(stderr, "quillnet json: %s is refused: not one JSON object or array\n",
                     args[0].c_str());
        return 1;
    }
    return 0;
}

}  // namespace

QN_COMMAND("json", kJsonUsage, Json);
