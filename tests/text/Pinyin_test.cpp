#include "monitor/Common/Pinyin.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <set>
#include <string>

#include "platform/Text.h"

namespace {

bool IsCharacterCode(unsigned code) { return code % 100 >= 1 && code % 100 <= 94; }

TEST(PinyinOf, KnownCodes) {
    const struct {
        unsigned code;
        const char* syllable;
    } cases[] = {
        {1601, "A"},
        {1602, "A"},
        {1603, "AI"},
        {1615, "AI"},
        {1616, "AN"},
        {1624, "AN"},
        {1628, "AO"},
        {1636, "AO"},
        {1637, "BA"},
        {1654, "BA"},
        {5603, "WU"},
        {5685, "WU"},
        {5867, "WU"},
        {5605, "NIAN"},
        {5994, "NIAN"},
        {5606, "SA"},
        {5677, "SA"},
        {1904, "CHANG"},  // 长: placed by its other reading
        {3431, "LU"},
        {3451, "LUE"},
        {5589, "ZUO"},
        {5601, "CHU"},
        {8794, "ZHA"},
        // No character: below the hanzi rows, positions 00 and 95-99 inside a run,
        // the unused end of row 55, beyond row 87.
        {1500, "?"},
        {0, "?"},
        {1600, "?"},
        {2797, "?"},
        {2800, "?"},
        {5590, "?"},
        {5594, "?"},
        {5600, "?"},
        {8795, "?"},
        {8801, "?"},
        {9494, "?"},
        {100000, "?"},
    };
    for (const auto& c : cases) EXPECT_STREQ(PinyinOf(c.code), c.syllable) << c.code;
}

// Where each initial letter begins among the level-1 characters.
TEST(PinyinOf, InitialLetterBoundaries) {
    const struct {
        char letter;
        unsigned first;
    } starts[] = {
        {'A', 1601}, {'B', 1637}, {'C', 1833}, {'D', 2078}, {'E', 2274}, {'F', 2302},
        {'G', 2433}, {'H', 2594}, {'J', 2787}, {'K', 3106}, {'L', 3212}, {'M', 3472},
        {'N', 3635}, {'O', 3722}, {'P', 3730}, {'Q', 3858}, {'R', 4027}, {'S', 4086},
        {'T', 4390}, {'W', 4558}, {'X', 4684}, {'Y', 4925}, {'Z', 5249},
    };
    for (size_t i = 0; i < std::size(starts); ++i) {
        unsigned end = i + 1 < std::size(starts) ? starts[i + 1].first : 5590;
        for (unsigned code = starts[i].first; code < end; ++code) {
            if (!IsCharacterCode(code)) continue;
            ASSERT_EQ(PinyinOf(code)[0], starts[i].letter) << code;
        }
    }
}

// Level 1 is one run per syllable: every character has one, and the syllables
// never go back in the alphabet.
TEST(PinyinOf, LevelOneRunsAreAlphabeticalAndComplete) {
    std::string previous;
    unsigned runs = 0, characters = 0;
    for (unsigned code = 1601; code <= 5589; ++code) {
        if (!IsCharacterCode(code)) continue;
        std::string s = PinyinOf(code);
        ASSERT_NE(s, "?") << code;
        ASSERT_LE(previous, s) << code;
        if (s != previous) ++runs;
        previous = s;
        ++characters;
    }
    EXPECT_EQ(characters, 3755u);
    EXPECT_EQ(runs, 395u);
}

TEST(PinyinOf, LevelTwoIsComplete) {
    std::set<std::string> syllables;
    unsigned characters = 0;
    for (unsigned code = 5601; code <= 8794; ++code) {
        if (!IsCharacterCode(code)) continue;
        std::string s = PinyinOf(code);
        ASSERT_NE(s, "?") << code;
        for (char ch : s) ASSERT_TRUE(ch >= 'A' && ch <= 'Z') << code;
        syllables.insert(s);
        ++characters;
    }
    EXPECT_EQ(characters, 3008u);
    EXPECT_EQ(syllables.size(), 372u);
}

TEST(PinyinTable, GeneratorReproducesCommittedSource) {
    std::string command = std::string("python3 ") + QN_SOURCE_DIR +
                          "/tools/gen/make_pinyin_table.py --check " + QN_SOURCE_DIR +
                          "/monitor/Common/PinyinTable.cpp";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

struct TextCase {
    const char16_t* text;
    const char16_t* expected;
};

void ExpectEach(std::u16string (*fn)(std::u16string_view), std::initializer_list<TextCase> cases) {
    for (const auto& c : cases) EXPECT_EQ(fn(c.text), c.expected) << plat::Utf16ToUtf8(c.text);
}

TEST(PinyinInitials, Texts) {
    ExpectEach(PinyinInitials, {
                                   {u"", u""},
                                   {u"张三", u"ZS"},
                                   {u"ab王五", u"ABWW"},
                                   {u"Li 明-2", u"LI M-2"},
                                   {u"长江", u"CJ"},
                                   {u"亍齄", u"CZ"},  // first and last level-2 characters
                                   {u"啊，", u"A?"},  // full-width comma: GB2312, no hanzi
                                   {u"€王", u"W"},    // single-byte GBK character: dropped
                               });
}

// GBK characters outside GB2312. A lead byte is dropped and a trail byte below
// 0x80 then counts as ASCII: 玥 is A B 68, 丂 is 81 40. A trail byte that could
// itself lead (喆 is 86 B4, 燊 9F F6, 堃 88 D2) goes with its lead, so the
// characters after it keep their own initials.
TEST(PinyinInitials, GbkCharactersOutsideGb2312) {
    ExpectEach(PinyinInitials, {
                                   {u"玥", u"H"},
                                   {u"王玥", u"WH"},
                                   {u"丂", u"@"},
                                   {u"丂a", u"@A"},
                                   {u"喆", u""},
                                   {u"王喆明", u"WM"},
                                   {u"张燊", u"Z"},
                                   {u"堃明", u"M"},
                               });
}

TEST(FirstLetterKey, FirstCharacter) {
    ExpectEach(FirstLetterKey, {
                                   {u"", u""},
                                   {u"zhang", u"Z"},
                                   {u"Zed", u"Z"},
                                   {u"7up", u"7"},
                                   {u"-x", u"-"},
                                   {u"王五", u"W"},
                                   {u"长", u"C"},
                                   {u"玥", u"H"},
                                   {u"喆明", u""},
                                   {u"，", u"?"},
                               });
}

}  // namespace
