// MD5 (RFC 1321) of our own, and the lowercase hexadecimal digests that sign the
// web interface's requests and key the saved-password store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The standard's context: chaining words, the bit count (low word first) and the
// block being filled.
struct Md5Context {
    uint32_t state[4];
    uint32_t count[2];
    uint8_t buffer[64];
};

void Md5Init(Md5Context& context);
void Md5Update(Md5Context& context, const void* bytes, size_t length);
// Writes the 16-byte digest and wipes the context.
void Md5Final(uint8_t digest[16], Md5Context& context);

// One-shot digest of a byte range.
void Md5Digest(const void* bytes, size_t length, uint8_t digest[16]);

// The digest of the text's UTF-8 bytes (no terminating NUL), 32 lowercase
// hexadecimal characters.
std::u16string Md5Hex(std::u16string_view text);

// Md5Hex(Md5Hex(account) + Md5Hex(password)): the "pcode=" of the web requests.
std::u16string MakePcode(std::u16string_view account, std::u16string_view password);
