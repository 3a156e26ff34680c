#include "monitor/Common/Base64Coder.h"

#include <cstring>
#include <new>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Sextet value of an alphabet character, -1 otherwise.
int SextetOf(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// The buffer size for a request of n bytes; the capacities are 32-bit, so a
// request that cannot be held is an allocation failure.
uint32_t RoundedSize(uint32_t n) {
    uint64_t size = (uint64_t(n) / 4096 + 1) * 4096;
    if (size > UINT32_MAX) throw std::bad_alloc();
    return uint32_t(size);
}

template <typename T>
void Reserve(std::unique_ptr<T[]>& buffer, uint32_t& capacity, uint32_t n) {
    // An equal request grows too: the buffer must hold the NUL, and an empty
    // request on a new coder must still give a text, not a null pointer.
    if (n >= capacity) {
        uint32_t size = RoundedSize(n);
        buffer.reset();
        buffer = std::make_unique<T[]>(size);
        capacity = size;
    }
    std::memset(buffer.get(), 0, capacity);
}

uint32_t LengthOf(const char* text) {
    size_t n = std::strlen(text);
    if (n > UINT32_MAX) throw std::bad_alloc();
    return uint32_t(n);
}

}  // namespace

void CBase64Coder::EncodeText(const char* text) {
    if (text) EncodeBytes(reinterpret_cast<const unsigned char*>(text), LengthOf(text));
}

void CBase64Coder::EncodeBytes(const unsigned char* bytes, uint32_t n) {
    // The encoded length is a signed 32-bit count.
    if ((uint64_t(n) + 2) / 3 * 4 > uint64_t(INT32_MAX)) throw std::bad_alloc();
    LoadPlain(bytes, n);
    // Twice the input, rounded up to 4096, always leaves room for the text and its NUL.
    ReserveEncoded(n * 2);
    const unsigned char* plain = m_plain.get();
    char* out = m_encoded.get();
    uint32_t i = 0;
    for (; i + 3 <= n; i += 3) {
        Base64Group group{{plain[i], plain[i + 1], plain[i + 2]}, 3};
        EncodeGroup(group, out + m_encodedLength);
        m_encodedLength += 4;
    }
    if (i < n) {
        Base64Group group{{plain[i], i + 1 < n ? plain[i + 1] : (unsigned char)0, 0}, int(n - i)};
        EncodeGroup(group, out + m_encodedLength);
        m_encodedLength += 4;
    }
}

void CBase64Coder::DecodeText(const char* text) {
    if (text) DecodeBytes(text, LengthOf(text));
}

void CBase64Coder::DecodeBytes(const char* text, uint32_t n) {
    LoadEncoded(text, n);
    ReservePlain(uint32_t(uint64_t(m_encodedLength) * 3 / 4 + 3));
    const char* in = m_encoded.get();
    unsigned char sextets[4];
    int have = 0;
    for (int32_t i = 0; i < m_encodedLength; ++i) {
        int v = SextetOf(in[i]);
        if (v < 0) break;
        sextets[have++] = (unsigned char)v;
        if (have == 4) {
            DecodeGroup(sextets, m_plain.get() + m_plainLength);
            m_plainLength += 3;
            have = 0;
        }
    }
    // A short last group (padded or not) holds one byte per sextet beyond the first.
    if (have >= 2) {
        unsigned char bytes[3];
        for (int k = have; k < 4; ++k) sextets[k] = 0;
        DecodeGroup(sextets, bytes);
        std::memcpy(m_plain.get() + m_plainLength, bytes, size_t(have - 1));
        m_plainLength += have - 1;
    }
}

const unsigned char* CBase64Coder::GetPlainBuffer() const { return m_plain.get(); }
const char* CBase64Coder::GetEncodedBuffer() const { return m_encoded.get(); }
int32_t CBase64Coder::GetPlainLength() const { return m_plainLength; }
int32_t CBase64Coder::GetEncodedLength() const { return m_encodedLength; }

void CBase64Coder::ReserveEncoded(uint32_t n) {
    Reserve(m_encoded, m_encodedCapacity, n);
    m_encodedLength = 0;
}

void CBase64Coder::ReservePlain(uint32_t n) {
    Reserve(m_plain, m_plainCapacity, n);
    m_plainLength = 0;
}

void CBase64Coder::LoadEncoded(const char* text, uint32_t n) {
    ReserveEncoded(n);
    for (uint32_t i = 0; i < n; ++i)
        if (!IsSkippedChar(text[i])) m_encoded[m_encodedLength++] = text[i];
}

void CBase64Coder::LoadPlain(const unsigned char* bytes, uint32_t n) {
    ReservePlain(n);
    if (n > 0) std::memcpy(m_plain.get(), bytes, n);
    m_plainLength = int32_t(n);
}

void CBase64Coder::EncodeGroup(const Base64Group& group, char* out) {
    unsigned char sextets[4];
    SplitGroup(sextets, group.bytes);
    for (int k = 0; k < 4; ++k) out[k] = kAlphabet[sextets[k]];
    if (group.count == 1) out[2] = '=';
    if (group.count <= 2) out[3] = '=';
}

void CBase64Coder::DecodeGroup(const unsigned char sextets[4], unsigned char* out) {
    JoinGroup(out, sextets);
}

void CBase64Coder::SplitGroup(unsigned char* out, const unsigned char* bytes) {
    out[0] = bytes[0] >> 2;
    out[1] = ((bytes[0] & 0x03) << 4) | (bytes[1] >> 4);
    out[2] = ((bytes[1] & 0x0f) << 2) | (bytes[2] >> 6);
    out[3] = bytes[2] & 0x3f;
}

void CBase64Coder::JoinGroup(unsigned char* out, const unsigned char* sextets) {
    out[0] = (unsigned char)((sextets[0] << 2) | (sextets[1] >> 4));
    out[1] = (unsigned char)((sextets[1] << 4) | (sextets[2] >> 2));
    out[2] = (unsigned char)((sextets[2] << 6) | sextets[3]);
}

bool CBase64Coder::IsSkippedChar(char c) const { return (c >= 7 && c <= 13) || c == ' '; }
