#include "monitor/Common/SqlText.h"

std::u16string SqlQuote(std::u16string_view value) {
    std::u16string quoted;
    quoted.reserve(value.size());
    for (char16_t c : value) {
        quoted += c;
        if (c == u'\'') quoted += c;
    }
    return quoted;
}
