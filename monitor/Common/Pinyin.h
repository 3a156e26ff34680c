// Pinyin initials of Chinese names, on which the address book sorts and
// searches. Characters are looked up by their GB2312 zone-position code:
// (lead - 0xA0) * 100 + (trail - 0xA0), so row 16 position 01 is 1601.
#pragma once

#include <string>
#include <string_view>

// The syllable of a GB2312 character in capital ASCII without tone ("A", "AI",
// "ZHUAN"; u-umlaut is written U), "?" for any code that is no GB2312 hanzi.
// The result is static text.
const char* PinyinOf(unsigned code);

// The text with every GB2312 character replaced by the first letter of its
// syllable and ASCII letters upper-cased; other characters as the byte walk in
// Pinyin.cpp leaves them. Empty in, empty out.
std::u16string PinyinInitials(std::u16string_view text);

// One capital letter (or other character) standing for the first character of
// the text: an ASCII letter upper-cased, else the initial of that character.
// Empty for an empty text; may be empty or "?" for a character without one.
std::u16string FirstLetterKey(std::u16string_view text);
