// libFuzzer target for the JSON reader: any text either is refused by Parse or
// gives a tree whose every node can be read. The input is UTF-8, as the replies
// are before the callbacks convert them.
//
// Checked on every node: a known kind, the text that kind must give, empty
// names for array elements, and that copies taken before and after the walk
// read exactly the same as the original.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/Common/JsonValue.h"
#include "platform/Text.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

bool IsNumberText(std::u16string_view text) {
    if (text.empty()) return false;
    for (char16_t c : text)
        if (std::u16string_view(u"0123456789.e+-").find(c) == std::u16string_view::npos)
            return false;
    return true;
}

// One line per node, in walk order: kind, name and text, so two walks can be
// compared.
std::u16string Walk(const CJsonValue& root) {
    std::u16string record;
    struct Item {
        const CJsonValue* value;
        bool inArray;
    };
    std::vector<Item> stack{{&root, false}};
    while (!stack.empty()) {
        Item item = stack.back();
        stack.pop_back();
        const CJsonValue& v = *item.value;
        int typeBefore = v.Type();
        Check(typeBefore >= CJsonValue::kNull && typeBefore <= CJsonValue::kObject);
        if (item.inArray) Check(v.Name().empty());

        const std::vector<CJsonValue>& members = v.Members();
        std::u16string text = v.AsString();
        int type = v.Type();
        v.AsInt();
        // Expansion only ever turns a value into null.
        Check(type == typeBefore || type == CJsonValue::kNull);
        switch (type) {
            case CJsonValue::kNull:
                Check(text == u"null");
                break;
            case CJsonValue::kBool:
                Check(text == u"true" || text == u"false");
                break;
            case CJsonValue::kNumber:
                Check(IsNumberText(text));
                break;
            case CJsonValue::kArray:
            case CJsonValue::kObject:
                Check(text.empty());
                break;
            default:
                break;
        }
        if (type == CJsonValue::kString || type == CJsonValue::kNumber || type == CJsonValue::kBool)
            Check(members.empty());

        record += char16_t(u'0' + type);
        record += v.Name();
        record += u'\x1f';
        record += text;
        record += u'\x1e';
        bool array = typeBefore == CJsonValue::kArray;
        for (auto it = members.rbegin(); it != members.rend(); ++it) stack.push_back({&*it, array});
    }
    return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text =
        plat::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
    CJsonValue root;
    try {
        root = CJsonValue::Parse(text);
    } catch (const std::invalid_argument&) {
        return 0;
    }
    Check(root.Type() == CJsonValue::kObject || root.Type() == CJsonValue::kArray);
    Check(root.Name().empty());

    CJsonValue before = root;
    std::u16string walked = Walk(root);
    CJsonValue after = root;
    Check(Walk(before) == walked);
    Check(Walk(after) == walked);
    Check(Walk(root) == walked);
    return 0;
}
