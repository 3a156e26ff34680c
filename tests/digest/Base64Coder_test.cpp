#include "monitor/Common/Base64Coder.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <random>
#include <string>

namespace {

std::string OpenSslEncode(const std::string& bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    int n =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(bytes.data()), int(bytes.size()));
    out.resize(size_t(n));
    return out;
}

std::string Encoded(const CBase64Coder& coder) {
    return std::string(coder.GetEncodedBuffer(), size_t(coder.GetEncodedLength()));
}

std::string Plain(const CBase64Coder& coder) {
    return std::string(reinterpret_cast<const char*>(coder.GetPlainBuffer()),
                       size_t(coder.GetPlainLength()));
}

TEST(Base64Coder, Rfc4648Vectors) {
    struct Case {
        const char* plain;
        const char* encoded;
    } cases[] = {{"", ""},
                 {"f", "Zg=="},
                 {"fo", "Zm8="},
                 {"foo", "Zm9v"},
                 {"foob", "Zm9vYg=="},
                 {"fooba", "Zm9vYmE="},
                 {"foobar", "Zm9vYmFy"}};
    for (const auto& c : cases) {
        CBase64Coder coder;
        coder.EncodeText(c.plain);
        ASSERT_NE(nullptr, coder.GetEncodedBuffer()) << c.plain;
        EXPECT_STREQ(c.encoded, coder.GetEncodedBuffer()) << c.plain;
        EXPECT_EQ(int(std::strlen(c.encoded)), coder.GetEncodedLength());
        EXPECT_EQ(int(std::strlen(c.plain)), coder.GetPlainLength());
    }
}

TEST(Base64Coder, NullTextLeavesTheCoderAlone) {
    CBase64Coder coder;
    coder.EncodeText(nullptr);
    EXPECT_EQ(nullptr, coder.GetEncodedBuffer());
    EXPECT_EQ(0, coder.GetEncodedLength());
}

TEST(Base64Coder, LongInputIsOneUnbrokenLine) {
    std::string input(5000, '\0');
    for (size_t i = 0; i < input.size(); ++i) input[i] = char('a' + i % 26);
    CBase64Coder coder;
    coder.EncodeText(input.c_str());
    ASSERT_EQ(6668, coder.GetEncodedLength());
    EXPECT_EQ(6668u, std::strlen(coder.GetEncodedBuffer()));
    EXPECT_EQ(nullptr, std::strpbrk(coder.GetEncodedBuffer(), "\r\n"));
    EXPECT_EQ(OpenSslEncode(input), coder.GetEncodedBuffer());
}

// One coder reused for inputs of every length, long and short in turn: the
// buffers grow, are cleared on each call, and the text stays NUL-terminated.
TEST(Base64Coder, ReusedCoderMatchesReferenceOnRandomBytes) {
    std::mt19937 rng(4648);
    CBase64Coder coder;
    for (int round = 0; round < 400; ++round) {
        size_t n = round % 2 ? rng() % 20 : rng() % 9000;
        std::string bytes(n, '\0');
        for (auto& c : bytes) c = char(rng());
        coder.EncodeBytes(reinterpret_cast<const unsigned char*>(bytes.data()), uint32_t(n));
        ASSERT_EQ(OpenSslEncode(bytes), Encoded(coder)) << "length " << n;
        ASSERT_EQ(size_t(coder.GetEncodedLength()), std::strlen(coder.GetEncodedBuffer()));
        ASSERT_EQ(bytes, Plain(coder));
    }
}

TEST(Base64Coder, PaddingByRemainder) {
    struct Case {
        std::string bytes;
        const char* encoded;
    } cases[] = {{std::string("\0\0\0", 3), "AAAA"},
                 {std::string("\xff\xff", 2), "//8="},
                 {std::string("\xfb", 1), "+w=="},
                 {std::string("\0", 1), "AA=="}};
    for (const auto& c : cases) {
        CBase64Coder coder;
        coder.EncodeBytes(reinterpret_cast<const unsigned char*>(c.bytes.data()),
                          uint32_t(c.bytes.size()));
        EXPECT_STREQ(c.encoded, coder.GetEncodedBuffer());
    }
}

TEST(Base64Coder, DecodesWhatItEncodesSkippingLineBreaksAndBlanks) {
    std::mt19937 rng(99);
    CBase64Coder encoder, decoder;
    for (int round = 0; round < 200; ++round) {
        size_t n = rng() % 600;
        std::string bytes(n, '\0');
        for (auto& c : bytes) c = char(rng());
        encoder.EncodeBytes(reinterpret_cast<const unsigned char*>(bytes.data()), uint32_t(n));
        std::string text = Encoded(encoder);
        // Sprinkle the characters the decoder skips (codes 7 to 13 and blank).
        std::string noisy;
        for (char c : text) {
            noisy.push_back(c);
            if (rng() % 5 == 0) noisy.push_back(" \a\b\t\n\v\f\r"[rng() % 8]);
        }
        decoder.DecodeText(noisy.c_str());
        ASSERT_EQ(bytes, Plain(decoder)) << "length " << n;
    }
}

TEST(Base64Coder, DecodingStopsAtTheFirstForeignCharacter) {
    struct Case {
        const char* text;
        std::string plain;
    } cases[] = {{"Zm9vYmFy", "foobar"}, {"Zm9v\x06YmFy", "foo"}, {"Zm9=YmFy", "fo"},
                 {"Zm9vY", "foo"},       {"Zm9vYg", "foob"},      {"", ""}};
    for (const auto& c : cases) {
        CBase64Coder coder;
        coder.DecodeText(c.text);
        EXPECT_EQ(c.plain, Plain(coder)) << c.text;
    }
}

}  // namespace
