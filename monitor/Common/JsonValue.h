// The reader of the web interface's JSON replies. It is lenient by design: only
// the outer brackets of the whole text are checked; objects and arrays are split
// one level at a time when a caller first looks inside them, every value is
// classified by its first and last character, and whatever is malformed turns
// into a null value instead of an error.
//
// Values behave as values. Copies share the cleaned text and the children of an
// expanded object or array; a copy whose children are shared gets its own list
// before it hands them out. Distinct copies may be used on distinct threads, but
// a reference obtained from Members() belongs to the value it came from and must
// not be used while a copy of that value is in use on another thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CJsonValue {
public:
    enum Kind : uint8_t {
        kNull = 0,
        kString = 1,
        kNumber = 2,
        kBool = 3,
        kArray = 4,
        kObject = 5,
    };

    // A null value.
    CJsonValue() noexcept;
    CJsonValue(const CJsonValue& other) noexcept;
    CJsonValue(CJsonValue&& other) noexcept;
    CJsonValue& operator=(const CJsonValue& other) noexcept;
    CJsonValue& operator=(CJsonValue&& other) noexcept;
    ~CJsonValue();

    // The root object or array, not yet split. Cleaning drops blanks and
    // comments ("#" and "//" to the line end, "/* */" whole) outside strings
    // and ends the text at anything else a reply cannot hold there; a string
    // left open at the end is dropped. Throws std::invalid_argument when the
    // cleaned text does not begin with "{" or "[" and end with the matching
    // bracket. Pass the text by move: it is cleaned in place and kept.
    static CJsonValue Parse(std::u16string text);

    // Kind; an object or array that turns out malformed becomes null when it is
    // first expanded.
    int Type() const { return m_type; }
    // Member name (unescaped); a quoted key loses its quotes, an unquoted one
    // is taken whole. Empty for array elements and the root. Valid as long as
    // this value lives.
    std::u16string_view Name() const;
    // Children in text order (duplicate names kept). Empty for anything but an
    // object or array, except an object or array that became null after some of
    // its members were read: those stay.
    const std::vector<CJsonValue>& Members() const;
    // A string's unescaped content, a number's or bool's own text, "null" for
    // null, the empty text for an object or array.
    std::u16string AsString() const;
    // Null 0, bool 0 or 1, a number truncated toward zero (saturated at the
    // 32-bit limits), a string read as a decimal number, containers 0.
    int AsInt() const;

private:
    struct Shared;
    struct Container;
    struct Span {
        uint32_t offset;
        uint32_t length;
    };
    // Raw text in the cleaned buffer, or an unescaped copy of our own.
    union TextRef {
        Span span;
        Shared* owned;
    };
    union Payload {
        double number;
        Container* container;
    };
    enum Flags : uint8_t {
        kNameOwned = 1,
        kTextOwned = 2,
        kHasContainer = 4,
    };

    void Expand() const;
    void ExpandString() const;
    void Split() const;
    void SplitMembers(std::vector<CJsonValue>& children, std::u16string_view t,
                      uint32_t offset) const;
    void SplitElements(std::vector<CJsonValue>& children, std::u16string_view t,
                       uint32_t offset) const;
    void BecomeNull() const;
    CJsonValue& AddChild(std::vector<CJsonValue>& children) const;
    void Classify(uint32_t offset, uint32_t length);
    void SetName(uint32_t offset, uint32_t length);
    std::u16string_view Text() const;
    std::u16string_view Raw(Span span) const;
    void Swap(CJsonValue& other) noexcept;
    void Release() noexcept;
    static void DropContainer(Container* container) noexcept;

    Shared* m_buffer;  // the cleaned text; null for a default-made value
    mutable TextRef m_name;
    mutable TextRef m_text;
    mutable Payload m_payload;
    mutable uint8_t m_type;
    mutable uint8_t m_flags;
    mutable bool m_expanded;
    mutable bool m_bool;
};
