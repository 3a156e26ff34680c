// The masked form in which login.db keeps a password: the first 16 bytes of the
// password's UTF-8 are hidden under the MD5 digest of the account's reversed
// UTF-8, the rest stays as it is, all written as lowercase hexadecimal.
#pragma once

#include <string>
#include <string_view>

// At least 32 hexadecimal characters, two per byte of max(16, password bytes).
std::u16string MaskPassword(std::u16string_view account, std::u16string_view password);
// A stored text shorter than 32 characters is a plain password from before the
// mask and comes back as it is.
std::u16string UnmaskPassword(std::u16string_view account, std::u16string_view stored);
