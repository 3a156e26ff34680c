#include "monitor/PasswordMask.h"

#include <algorithm>
#include <string>

#include "monitor/Common/Md5.h"
#include "platform/Format.h"
#include "platform/Text.h"

namespace {

constexpr size_t kMaskBytes = 16;

void AccountKey(std::u16string_view account, uint8_t key[kMaskBytes]) {
    std::string bytes = plat::Utf16ToUtf8(account);
    std::reverse(bytes.begin(), bytes.end());
    Md5Digest(bytes.data(), bytes.size(), key);
}

// 0-9, then 10-35 for the letters of either case, 0 for anything else.
unsigned HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'z') return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
    return 0;
}

}  // namespace

std::u16string MaskPassword(std::u16string_view account, std::u16string_view password) {
    uint8_t key[kMaskBytes];
    AccountKey(account, key);
    const std::string plain = plat::Utf16ToUtf8(password);
    std::string buffer(std::max(plain.size(), kMaskBytes), '\0');
    for (size_t i = 0; i < kMaskBytes; ++i) buffer[i] = char(buffer[i] ^ key[i]);
    for (size_t i = 0; i < plain.size(); ++i) buffer[i] = char(buffer[i] ^ plain[i]);
    std::u16string text;
    text.reserve(buffer.size() * 2);
    for (unsigned char b : buffer) text += plat::Format(u"%02x", b);
    return text;
}

std::u16string UnmaskPassword(std::u16string_view account, std::u16string_view stored) {
    if (stored.size() < 2 * kMaskBytes) return plat::Utf8ToUtf16(plat::Utf16ToUtf8(stored));
    std::string bytes(stored.size() / 2, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = char((HexValue(stored[2 * i]) * 16 + HexValue(stored[2 * i + 1])) & 0xFF);
    uint8_t key[kMaskBytes];
    AccountKey(account, key);
    for (size_t i = 0; i < kMaskBytes; ++i) bytes[i] = char(bytes[i] ^ key[i]);
    // The padding zeros end the password.
    bytes.resize(std::min(bytes.size(), bytes.find('\0')));
    return plat::Utf8ToUtf16(bytes);
}
