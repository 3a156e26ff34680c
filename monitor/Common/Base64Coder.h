// Base64 (RFC 4648 alphabet, padded, no line breaks). The POP3 client masks the
// password with it before the password reaches the log. Buffers are kept across
// calls on one coder and only grow, in 4096-byte steps.
#pragma once

#include <cstdint>
#include <memory>

// One group of 1 to 3 bytes to encode.
struct Base64Group {
    unsigned char bytes[3];
    int count;
};

class CBase64Coder {
public:
    CBase64Coder() = default;
    CBase64Coder(const CBase64Coder&) = delete;
    CBase64Coder& operator=(const CBase64Coder&) = delete;
    virtual ~CBase64Coder() = default;

    // A null text does nothing.
    virtual void EncodeText(const char* text);
    virtual void EncodeBytes(const unsigned char* bytes, uint32_t n);
    virtual void DecodeText(const char* text);
    // Characters outside the alphabet end the decoding; "=" ends it too.
    virtual void DecodeBytes(const char* text, uint32_t n);

    virtual const unsigned char* GetPlainBuffer() const;
    // Always NUL-terminated once anything was encoded or loaded; null before.
    virtual const char* GetEncodedBuffer() const;
    virtual int32_t GetPlainLength() const;
    virtual int32_t GetEncodedLength() const;

protected:
    virtual void ReserveEncoded(uint32_t n);
    virtual void ReservePlain(uint32_t n);
    virtual void LoadEncoded(const char* text, uint32_t n);
    virtual void LoadPlain(const unsigned char* bytes, uint32_t n);
    virtual void EncodeGroup(const Base64Group& group, char* out);
    virtual void DecodeGroup(const unsigned char sextets[4], unsigned char* out);
    virtual void SplitGroup(unsigned char* out, const unsigned char* bytes);
    virtual void JoinGroup(unsigned char* out, const unsigned char* sextets);
    virtual bool IsSkippedChar(char c) const;

private:
    std::unique_ptr<unsigned char[]> m_plain;
    std::unique_ptr<char[]> m_encoded;
    uint32_t m_plainCapacity = 0;
    uint32_t m_encodedCapacity = 0;
    int32_t m_plainLength = 0;
    int32_t m_encodedLength = 0;
};
