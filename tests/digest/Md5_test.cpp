#include "monitor/Common/Md5.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace {

std::string OpenSslMd5Hex(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EXPECT_EQ(1, EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr));
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned i = 0; i < length; ++i) {
        hex.push_back(kHex[digest[i] >> 4]);
        hex.push_back(kHex[digest[i] & 15]);
    }
    return hex;
}

std::string RawToHex(const uint8_t digest[16]) {
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (int i = 0; i < 16; ++i) {
        hex.push_back(kHex[digest[i] >> 4]);
        hex.push_back(kHex[digest[i] & 15]);
    }
    return hex;
}

std::string RandomBytes(std::mt19937& rng, size_t n) {
    std::string s(n, '\0');
    for (auto& c : s) c = char(rng());
    return s;
}

TEST(Md5, Rfc1321TestSuite) {
    struct Case {
        const char16_t* text;
        const char16_t* digest;
    } cases[] = {
        {u"", u"d41d8cd98f00b204e9800998ecf8427e"},
        {u"a", u"0cc175b9c0f1b6a831c399e269772661"},
        {u"abc", u"900150983cd24fb0d6963f7d28e17f72"},
        {u"message digest", u"f96b697d7cb7938d525a2f31aaf161d0"},
        {u"abcdefghijklmnopqrstuvwxyz", u"c3fcd3d76192e4007dfb496cca67e13b"},
        {u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         u"d174ab98d277d9f5a5611c2c9f419d9f"},
        {u"1234567890123456789012345678901234567890123456789012345678901234567890123456789"
         u"0",
         u"57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.digest, Md5Hex(c.text)) << plat::Utf16ToUtf8(c.text);
}

// Every split of the input into update calls, across block boundaries, gives the
// one-shot digest of the reference implementation.
TEST(Md5, IncrementalMatchesReferenceOnRandomInput) {
    std::mt19937 rng(1321);
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 200; ++n) lengths.push_back(n);
    lengths.insert(lengths.end(), {447, 448, 511, 512, 513, 4095, 4096, 4097, 100000});
    for (size_t n : lengths) {
        std::string bytes = RandomBytes(rng, n);
        Md5Context context;
        Md5Init(context);
        size_t done = 0;
        while (done < n) {
            size_t step = std::min<size_t>(n - done, rng() % 130);
            Md5Update(context, bytes.data() + done, step);
            done += step;
        }
        uint8_t digest[16];
        Md5Final(digest, context);
        ASSERT_EQ(OpenSslMd5Hex(bytes), RawToHex(digest)) << "length " << n;

        uint8_t oneShot[16];
        Md5Digest(bytes.data(), n, oneShot);
        ASSERT_EQ(OpenSslMd5Hex(bytes), RawToHex(oneShot)) << "length " << n;
    }
}

TEST(Md5, FinalWipesTheContext) {
    Md5Context context;
    Md5Init(context);
    Md5Update(context, "secret password", 15);
    uint8_t digest[16];
    Md5Final(digest, context);
    const auto* p = reinterpret_cast<const unsigned char*>(&context);
    for (size_t i = 0; i < sizeof context; ++i) ASSERT_EQ(0, p[i]) << "byte " << i;
}

// The sync code signs UTF-8: a CJK character is its three UTF-8 bytes, not its
// UTF-16 code unit and not its GBK code.
TEST(Md5, HexHashesUtf8) {
    EXPECT_EQ(plat::Utf8ToUtf16(OpenSslMd5Hex("\xE4\xB8\xAD")), Md5Hex(u"中"));
    EXPECT_NE(plat::Utf8ToUtf16(OpenSslMd5Hex(std::string("\x2D\x4E", 2))), Md5Hex(u"中"));
    EXPECT_NE(plat::Utf8ToUtf16(OpenSslMd5Hex("\xD6\xD0")), Md5Hex(u"中"));

    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        std::u16string text;
        for (int i = 0, n = int(rng() % 40); i < n; ++i)
            text.push_back(char16_t(rng() % 3 == 0 ? 0x4E00 + rng() % 0x5000 : 32 + rng() % 95));
        std::u16string hex = Md5Hex(text);
        ASSERT_EQ(plat::Utf8ToUtf16(OpenSslMd5Hex(plat::Utf16ToUtf8(text))), hex);
        for (char16_t c : hex) ASSERT_TRUE((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'));
    }
}

TEST(Md5, PcodeHashesTheTwoHexDigestsConcatenated) {
    struct Case {
        const char* account;
        const char* password;
    } cases[] = {
        {"zhang.wei@example.com.cn", "Passw0rd!"}, {"李娜@示例.中国", "密码123"}, {"", ""}};
    for (const auto& c : cases) {
        std::string expected = OpenSslMd5Hex(OpenSslMd5Hex(c.account) + OpenSslMd5Hex(c.password));
        EXPECT_EQ(plat::Utf8ToUtf16(expected),
                  MakePcode(plat::Utf8ToUtf16(c.account), plat::Utf8ToUtf16(c.password)))
            << c.account;
    }
    // Order matters: account first.
    EXPECT_NE(MakePcode(u"a@b.c", u"x"), MakePcode(u"x", u"a@b.c"));
}

}  // namespace
