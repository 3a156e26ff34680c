// The mailbox address check of the login window.
#pragma once

#include <string_view>

// True when the text starts with a mailbox address: an optional local part and
// "@" (or a bare "@"), a domain label, then at least one "." and one more
// character. Letters, digits, "-", "_" and the ideographs U+4E00-U+9FA5 are
// allowed. Whatever follows the match is not examined.
bool IsMailAddress(std::u16string_view text);
