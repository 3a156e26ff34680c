#include "monitor/Common/JsonValue.h"

#include <atomic>
#include <charconv>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <utility>

struct CJsonValue::Shared {
    std::atomic<uint32_t> refs{1};
    std::u16string text;
};

struct CJsonValue::Container {
    std::atomic<uint32_t> refs{1};
    std::vector<CJsonValue> children;
};

namespace {

constexpr size_t kNotFound = size_t(-1);

// Drops blanks and comments outside strings, writes an escaped quote's quote as
// code 1 so that the scans below never take it for the end of a string, and
// stops at anything a reply cannot hold outside a string. Works in place: the
// output never runs ahead of the input. Returns the cleaned length.
//
// At the end of the text: a string that is not closed is dropped from its
// opening quote on (a cut reply must not pass for a whole one); an unclosed
// block comment runs to the end; a lone "/" ends the text.
size_t CleanInPlace(std::u16string& text) {
    char16_t* p = text.data();
    const size_t n = text.size();
    size_t r = 0, w = 0;
    while (r < n) {
        char16_t c = p[r];
        if (c == u'\t' || c == u'\n' || c == u'\r' || c == u' ') {
            ++r;
        } else if (c == u'"') {
            size_t opening = w;
            p[w++] = c;
            ++r;
            bool closed = false;
            while (r < n) {
                c = p[r];
                if (c == u'"') {
                    p[w++] = c;
                    ++r;
                    closed = true;
                    break;
                }
                if (c == u'\\') {
                    if (r + 1 >= n) break;
                    char16_t escaped = p[r + 1];
                    p[w++] = u'\\';
                    p[w++] = escaped == u'"' ? char16_t(1) : escaped;
                    r += 2;
                } else {
                    p[w++] = c;
                    ++r;
                }
            }
            if (!closed) return opening;
        } else if (c == u'#' || (c == u'/' && r + 1 < n && p[r + 1] == u'/')) {
            while (r < n && p[r] != u'\n') ++r;
            ++r;
        } else if (c == u'/' && r + 1 < n && p[r + 1] == u'*') {
            // The whole comment goes, its text included: kept, it would become
            // part of a value.
            r += 2;
            while (r < n && !(p[r] == u'*' && r + 1 < n && p[r + 1] == u'/')) ++r;
            r += 2;
        } else if (c >= 32 && c <= 126 && c != u'/') {
            p[w++] = c;
            ++r;
        } else {
            break;
        }
    }
    return w;
}

// Position of the first `a` or `b` in t from `start` on, at the level the search
// starts on: strings and nested brackets are skipped, a closing bracket of the
// starting level or the end gives kNotFound.
size_t FindTopLevel(std::u16string_view t, size_t start, char16_t a, char16_t b) {
    const size_t end = t.size();
    size_t depth = 0;
    for (size_t i = start; i < end; ++i) {
        char16_t c = t[i];
        if (c == u'"') {
            ++i;
            while (i < end && t[i] != u'"') ++i;
            if (i >= end) return kNotFound;
        } else if (c == u'[' || c == u'{') {
            ++depth;
        } else if (c == u']' || c == u'}') {
            if (depth == 0) return kNotFound;
            --depth;
        } else if (depth == 0 && (c == a || c == b)) {
            return i;
        }
    }
    return kNotFound;
}

size_t FindTopLevel(std::u16string_view t, size_t start, char16_t c) {
    return FindTopLevel(t, start, c, c);
}

bool IsNumberChar(char16_t c) {
    return (c >= u'0' && c <= u'9') || c == u'.' || c == u'e' || c == u'+' || c == u'-';
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsOctal(char16_t c) { return c >= u'0' && c <= u'7'; }

// Hexadecimal digits are not validated: anything else counts as 0.
unsigned HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return 0;
}

// A complete "\uXXXX" at i: its code unit.
bool ReadUnicodeEscape(std::u16string_view s, size_t i, char16_t& unit) {
    if (i + 6 > s.size() || s[i] != u'\\' || s[i + 1] != u'u') return false;
    unsigned v = 0;
    for (size_t k = i + 2; k < i + 6; ++k) v = v * 16 + HexValue(s[k]);
    unit = char16_t(v);
    return true;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The escapes that stand for one fixed character; code 1 is what the cleaning
// left of an escaped quote.
bool SimpleEscape(char16_t e, char16_t& c) {
    static constexpr char16_t kFrom[] = u"\x01'/\\bfnrtv";
    static constexpr char16_t kTo[] = u"\"'/\\\b\f\n\r\t\v";
    for (size_t k = 0; k + 1 < sizeof kFrom / sizeof kFrom[0]; ++k) {
        if (kFrom[k] == e) {
            c = kTo[k];
            return true;
        }
    }
    return false;
}

// An escape whose digits the text does not hold, and a backslash at the very
// end, are dropped like an unknown escape; what follows is read as it is.
std::u16string Unescape(std::u16string_view s) {
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        char16_t c = s[i];
        if (c != u'\\') {
            out.push_back(c);
            ++i;
            continue;
        }
        if (i + 1 >= n) break;
        char16_t e = s[i + 1];
        char16_t simple;
        if (SimpleEscape(e, simple)) {
            out.push_back(simple);
            i += 2;
        } else if (e == u'x') {
            if (i + 4 <= n) {
                out.push_back(char16_t(HexValue(s[i + 2]) * 16 + HexValue(s[i + 3])));
                i += 4;
            } else {
                i += 2;
            }
        } else if (e == u'u') {
            char16_t unit, low;
            if (!ReadUnicodeEscape(s, i, unit)) {
                i += 2;
                continue;
            }
            i += 6;
            if (IsHighSurrogate(unit) && ReadUnicodeEscape(s, i, low)) {
                if (!IsLowSurrogate(low)) continue;  // the high half is dropped
                out.push_back(unit);
                out.push_back(low);
                i += 6;
            } else {
                out.push_back(unit);
            }
        } else if (IsOctal(e) && i + 4 <= n && IsOctal(s[i + 2]) && IsOctal(s[i + 3])) {
            out.push_back(char16_t((e - u'0') * 64 + (s[i + 2] - u'0') * 8 + (s[i + 3] - u'0')));
            i += 4;
        } else {
            i += 2;  // unknown escapes vanish
        }
    }
    return out;
}

// The decimal number at the start of s (after blanks, when asked), read as far
// as it goes; 0 when there is none.
double ReadDecimal(std::u16string_view s, bool skipBlanks) {
    size_t i = 0;
    const size_t n = s.size();
    if (skipBlanks)
        while (i < n && (s[i] == u' ' || (s[i] >= 9 && s[i] <= 13))) ++i;
    std::string ascii;
    bool negative = false;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        if (negative) ascii.push_back('-');
        ++i;
    }
    size_t digits = 0, integerDigits = 0, leadingFractionZeros = 0;
    bool seenNonZero = false;
    for (; i < n && IsDigit(s[i]); ++i, ++digits) {
        ascii.push_back(char(s[i]));
        if (s[i] != u'0') seenNonZero = true;
        if (seenNonZero) ++integerDigits;
    }
    if (i < n && s[i] == u'.') {
        ascii.push_back('.');
        for (++i; i < n && IsDigit(s[i]); ++i, ++digits) {
            ascii.push_back(char(s[i]));
            if (s[i] != u'0') seenNonZero = true;
            if (!seenNonZero) ++leadingFractionZeros;
        }
    }
    if (digits == 0) return 0;
    long exponent = 0;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        size_t j = i + 1;
        bool expNegative = false;
        if (j < n && (s[j] == u'+' || s[j] == u'-')) expNegative = s[j++] == u'-';
        if (j < n && IsDigit(s[j])) {
            ascii.push_back('e');
            if (expNegative) ascii.push_back('-');
            for (; j < n && IsDigit(s[j]); ++j) {
                ascii.push_back(char(s[j]));
                if (exponent < 1000000) exponent = exponent * 10 + (s[j] - u'0');
            }
            if (expNegative) exponent = -exponent;
        }
    }
    double value = 0;
    auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: the decimal magnitude tells which.
        long magnitude = integerDigits > 0 ? long(integerDigits) : -long(leadingFractionZeros);
        value = magnitude + exponent > 0 ? HUGE_VAL : 0.0;
        if (negative) value = -value;
    }
    return value;
}

int ToInt32(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 2147483647.0) return INT_MAX;
    if (d <= -2147483648.0) return INT_MIN;
    return int(d);
}

const std::vector<CJsonValue>& NoChildren() {
    static const std::vector<CJsonValue> empty;
    return empty;
}

}  // namespace

CJsonValue::CJsonValue() noexcept
    : m_buffer(nullptr),
      m_name{Span{0, 0}},
      m_text{Span{0, 0}},
      m_payload{0.0},
      m_type(kNull),
      m_flags(0),
      m_expanded(true),
      m_bool(false) {}

CJsonValue::CJsonValue(const CJsonValue& other) noexcept
    : m_buffer(other.m_buffer),
      m_name(other.m_name),
      m_text(other.m_text),
      m_payload(other.m_payload),
      m_type(other.m_type),
      m_flags(other.m_flags),
      m_expanded(other.m_expanded),
      m_bool(other.m_bool) {
    if (m_buffer) m_buffer->refs.fetch_add(1, std::memory_order_relaxed);
    if (m_flags & kNameOwned) m_name.owned->refs.fetch_add(1, std::memory_order_relaxed);
    if (m_flags & kTextOwned) m_text.owned->refs.fetch_add(1, std::memory_order_relaxed);
    if (m_flags & kHasContainer) m_payload.container->refs.fetch_add(1, std::memory_order_relaxed);
}

CJsonValue::CJsonValue(CJsonValue&& other) noexcept : CJsonValue() { Swap(other); }

CJsonValue& CJsonValue::operator=(const CJsonValue& other) noexcept {
    CJsonValue copy(other);
    Swap(copy);
    return *this;
}

CJsonValue& CJsonValue::operator=(CJsonValue&& other) noexcept {
    CJsonValue taken(std::move(other));
    Swap(taken);
    return *this;
}

void CJsonValue::Swap(CJsonValue& other) noexcept {
    std::swap(m_buffer, other.m_buffer);
    std::swap(m_name, other.m_name);
    std::swap(m_text, other.m_text);
    std::swap(m_payload, other.m_payload);
    std::swap(m_type, other.m_type);
    std::swap(m_flags, other.m_flags);
    std::swap(m_expanded, other.m_expanded);
    std::swap(m_bool, other.m_bool);
}

CJsonValue::~CJsonValue() { Release(); }

namespace {

template <typename T>
void Drop(T* shared) noexcept {
    if (shared->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete shared;
}

}  // namespace

void CJsonValue::Release() noexcept {
    if (m_buffer) Drop(m_buffer);
    if (m_flags & kNameOwned) Drop(m_name.owned);
    if (m_flags & kTextOwned) Drop(m_text.owned);
    if (m_flags & kHasContainer) DropContainer(m_payload.container);
    m_buffer = nullptr;
    m_flags = 0;
}

void CJsonValue::DropContainer(Container* container) noexcept {
    if (container->refs.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    // Deeply nested trees must not recurse once per level: containers freed
    // while one is being freed are queued and freed in turn.
    thread_local std::vector<Container*>* pending = nullptr;
    if (pending) {
        pending->push_back(container);
        return;
    }
    std::vector<Container*> queue{container};
    pending = &queue;
    while (!queue.empty()) {
        Container* next = queue.back();
        queue.pop_back();
        delete next;
    }
    pending = nullptr;
}

CJsonValue CJsonValue::Parse(std::u16string text) {
    size_t length = CleanInPlace(text);
    text.resize(length);
    bool balanced = length >= 2 && ((text[0] == u'{' && text[length - 1] == u'}') ||
                                    (text[0] == u'[' && text[length - 1] == u']'));
    if (!balanced) throw std::invalid_argument("json text is not one object or array");
    // Positions are kept in 32 bits.
    if (length > UINT32_MAX) throw std::invalid_argument("json text is too long");
    // A pretty-printed text loses much of its length to the cleaning.
    if (length < text.capacity() / 4 * 3) text.shrink_to_fit();
    CJsonValue root;
    root.m_type = text[0] == u'{' ? kObject : kArray;
    root.m_buffer = new Shared;
    root.m_buffer->text = std::move(text);
    root.m_text.span = Span{0, uint32_t(length)};
    root.m_expanded = false;
    return root;
}

std::u16string_view CJsonValue::Raw(Span span) const {
    if (!m_buffer) return {};
    return std::u16string_view(m_buffer->text.data() + span.offset, span.length);
}

std::u16string_view CJsonValue::Name() const {
    if (m_flags & kNameOwned) return m_name.owned->text;
    return Raw(m_name.span);
}

std::u16string_view CJsonValue::Text() const {
    if (m_flags & kTextOwned) return m_text.owned->text;
    return Raw(m_text.span);
}

void CJsonValue::Expand() const {
    if (m_expanded) return;
    m_expanded = true;
    switch (m_type) {
        case kString:
            ExpandString();
            break;
        case kNumber:
            m_payload.number = ReadDecimal(Text(), false);
            break;
        case kObject:
        case kArray:
            Split();
            break;
        default:
            break;
    }
}

void CJsonValue::ExpandString() const {
    std::u16string_view raw = Raw(m_text.span);
    if (raw.size() < 2 || raw.front() != u'"' || raw.back() != u'"') {
        BecomeNull();
        return;
    }
    Span content{m_text.span.offset + 1, m_text.span.length - 2};
    std::u16string_view text = Raw(content);
    if (text.find(u'\\') == std::u16string_view::npos) {
        m_text.span = content;
        return;
    }
    Shared* owned = new Shared;
    owned->text = Unescape(text);
    m_text.owned = owned;
    m_flags |= kTextOwned;
}

void CJsonValue::BecomeNull() const { m_type = kNull; }

CJsonValue& CJsonValue::AddChild(std::vector<CJsonValue>& children) const {
    // Room for 8, then doubling.
    if (children.size() == children.capacity())
        children.reserve(children.empty() ? 8 : children.capacity() * 2);
    CJsonValue& child = children.emplace_back();
    child.m_buffer = m_buffer;
    m_buffer->refs.fetch_add(1, std::memory_order_relaxed);
    return child;
}

void CJsonValue::Split() const {
    const Span whole = m_text.span;
    m_text.span.length = 0;  // a container's own text is empty once split
    if (whole.length < 3) return;
    auto* container = new Container;
    m_payload.container = container;
    m_flags |= kHasContainer;
    std::u16string_view t = Raw(whole);
    if (m_type == kObject)
        SplitMembers(container->children, t, whole.offset);
    else
        SplitElements(container->children, t, whole.offset);
    container->children.shrink_to_fit();
}

void CJsonValue::SplitMembers(std::vector<CJsonValue>& children, std::u16string_view t,
                              uint32_t offset) const {
    const size_t end = t.size();
    size_t keyStart = 1;
    size_t colon = FindTopLevel(t, keyStart, u':');
    if (colon == kNotFound) {
        BecomeNull();
        return;
    }
    for (;;) {
        size_t comma = FindTopLevel(t, colon + 1, u',');
        size_t valueEnd = comma == kNotFound ? end - 1 : comma;
        CJsonValue& child = AddChild(children);
        child.SetName(offset + uint32_t(keyStart), uint32_t(colon - keyStart));
        child.Classify(offset + uint32_t(colon + 1), uint32_t(valueEnd - colon - 1));
        if (comma == kNotFound) return;
        keyStart = comma + 1;
        colon = FindTopLevel(t, keyStart, u':');
        if (colon == kNotFound) {
            BecomeNull();  // the members read so far stay
            return;
        }
    }
}

void CJsonValue::SplitElements(std::vector<CJsonValue>& children, std::u16string_view t,
                               uint32_t offset) const {
    const size_t end = t.size();
    size_t start = 1;
    for (;;) {
        // A ":" at the element's own level makes the whole array null; looking
        // for both at once reads every element only once.
        size_t separator = FindTopLevel(t, start, u',', u':');
        if (separator != kNotFound && t[separator] == u':') {
            BecomeNull();
            return;
        }
        size_t elementEnd = separator == kNotFound ? end - 1 : separator;
        CJsonValue& child = AddChild(children);
        child.Classify(offset + uint32_t(start), uint32_t(elementEnd - start));
        if (separator == kNotFound) return;
        start = separator + 1;
    }
}

void CJsonValue::SetName(uint32_t offset, uint32_t length) {
    std::u16string_view key = Raw(Span{offset, length});
    // A quoted key loses its quotes; an unquoted one is taken whole.
    if (key.size() >= 2 && key.front() == u'"' && key.back() == u'"') {
        ++offset;
        length -= 2;
        key = key.substr(1, length);
    }
    if (key.find(u'\\') == std::u16string_view::npos) {
        m_name.span = Span{offset, length};
        return;
    }
    Shared* owned = new Shared;
    owned->text = Unescape(key);
    m_name.owned = owned;
    m_flags |= kNameOwned;
}

void CJsonValue::Classify(uint32_t offset, uint32_t length) {
    m_text.span = Span{offset, length};
    m_type = kNull;
    m_expanded = true;
    if (length == 0) return;
    std::u16string_view text = Raw(m_text.span);
    char16_t first = text.front(), last = text.back();
    switch (first) {
        case u'"':
            if (length >= 2 && last == u'"') m_type = kString;
            break;
        case u'[':
            if (last == u']') m_type = kArray;
            break;
        case u'{':
            if (last == u'}') m_type = kObject;
            break;
        case u't':
        case u'f':
        case u'n':
            if (text == u"true" || text == u"false") {
                m_type = kBool;
                m_bool = first == u't';
            }
            return;
        default:
            for (char16_t c : text)
                if (!IsNumberChar(c)) return;
            m_type = kNumber;
            break;
    }
    m_expanded = m_type == kNull;
}

const std::vector<CJsonValue>& CJsonValue::Members() const {
    Expand();
    if (!(m_flags & kHasContainer)) return NoChildren();
    Container* shared = m_payload.container;
    if (shared->refs.load(std::memory_order_acquire) > 1) {
        // Another copy holds these children: take our own before anyone
        // expands them through us.
        auto* own = new Container;
        own->children = shared->children;
        m_payload.container = own;
        DropContainer(shared);
    }
    return m_payload.container->children;
}

std::u16string CJsonValue::AsString() const {
    Expand();
    switch (m_type) {
        case kNull:
            return u"null";
        case kBool:
            return m_bool ? u"true" : u"false";
        case kString:
        case kNumber:
            return std::u16string(Text());
        default:
            return std::u16string();
    }
}

int CJsonValue::AsInt() const {
    Expand();
    switch (m_type) {
        case kBool:
            return m_bool ? 1 : 0;
        case kString:
            return ToInt32(ReadDecimal(Text(), true));
        case kNumber:
            return ToInt32(m_payload.number);
        default:
            return 0;
    }
}
