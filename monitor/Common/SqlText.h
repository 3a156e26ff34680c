// Values formatted into SQL text go between single quotes; a quote inside the
// value must be doubled, or it ends the literal and the rest becomes SQL.
#pragma once

#include <string>
#include <string_view>

// The value with every "'" doubled, ready for '%s' in a statement.
std::u16string SqlQuote(std::u16string_view value);
