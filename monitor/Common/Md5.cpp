#include "monitor/Common/Md5.h"

#include <cstring>

#include "platform/CodePage.h"

namespace {

constexpr uint32_t kInitialState[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};

// Per-round shift amounts and the sine-derived constants, as tabulated in the
// standard.
constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

inline uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void Transform(uint32_t state[4], const uint8_t block[64]) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = uint32_t(block[i * 4]) | uint32_t(block[i * 4 + 1]) << 8 |
               uint32_t(block[i * 4 + 2]) << 16 | uint32_t(block[i * 4 + 3]) << 24;
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (b & d) | (c & ~d);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        uint32_t next = b + RotateLeft(a + f + kSine[i] + x[g], kShift[i]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

}  // namespace

void Md5Init(Md5Context& context) {
    std::memcpy(context.state, kInitialState, sizeof kInitialState);
    context.count[0] = context.count[1] = 0;
    std::memset(context.buffer, 0, sizeof context.buffer);
}

void Md5Update(Md5Context& context, const void* bytes, size_t length) {
    const uint8_t* in = static_cast<const uint8_t*>(bytes);
    size_t used = (context.count[0] >> 3) & 63;
    uint64_t bits = (uint64_t(context.count[1]) << 32 | context.count[0]) + (uint64_t(length) << 3);
    context.count[0] = uint32_t(bits);
    context.count[1] = uint32_t(bits >> 32);

    if (used > 0) {
        size_t room = 64 - used;
        if (length < room) {
            std::memcpy(context.buffer + used, in, length);
            return;
        }
        std::memcpy(context.buffer + used, in, room);
        Transform(context.state, context.buffer);
        in += room;
        length -= room;
    }
    for (; length >= 64; in += 64, length -= 64) Transform(context.state, in);
    if (length > 0) std::memcpy(context.buffer, in, length);
}

void Md5Final(uint8_t digest[16], Md5Context& context) {
    uint8_t lengthBytes[8];
    for (int i = 0; i < 4; ++i) {
        lengthBytes[i] = uint8_t(context.count[0] >> (8 * i));
        lengthBytes[i + 4] = uint8_t(context.count[1] >> (8 * i));
    }
    // Pad to 56 bytes modulo 64 with a single one bit, then the bit count.
    static const uint8_t kPadding[64] = {0x80};
    size_t used = (context.count[0] >> 3) & 63;
    Md5Update(context, kPadding, used < 56 ? 56 - used : 120 - used);
    Md5Update(context, lengthBytes, 8);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) digest[i * 4 + j] = uint8_t(context.state[i] >> (8 * j));
    // Nothing of the hashed text may stay behind in memory.
    volatile uint8_t* p = reinterpret_cast<volatile uint8_t*>(&context);
    for (size_t i = 0; i < sizeof context; ++i) p[i] = 0;
}

void Md5Digest(const void* bytes, size_t length, uint8_t digest[16]) {
    Md5Context context;
    Md5Init(context);
    Md5Update(context, bytes, length);
    Md5Final(digest, context);
}

std::u16string Md5Hex(std::u16string_view text) {
    std::u16string result;
    std::string utf8;
    if (!plat::WideToMultiByte(plat::CP_UTF8, text, utf8)) return result;
    uint8_t digest[16];
    Md5Digest(utf8.data(), utf8.size(), digest);
    static const char16_t kHex[] = u"0123456789abcdef";
    result.reserve(32);
    for (uint8_t b : digest) {
        result.push_back(kHex[b >> 4]);
        result.push_back(kHex[b & 15]);
    }
    return result;
}

std::u16string MakePcode(std::u16string_view account, std::u16string_view password) {
    return Md5Hex(Md5Hex(account) + Md5Hex(password));
}
