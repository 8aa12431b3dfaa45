#include "base/Cp932.h"
#include "base/Error.h"

#include <gtest/gtest.h>

using namespace nuvo;

TEST(Cp932, DecodesTheWindowsMappings) {
    struct Case { uint16_t code; int32_t unicode; } cases[] = {
        {0x5C, 0x5C}, {0x7E, 0x7E}, {0xA1, 0xFF61}, {0xDF, 0xFF9F}, {0x8160, 0xFF5E},
        {0x815F, 0xFF3C}, {0x817C, 0xFF0D}, {0x8191, 0xFFE0}, {0x83BF, 0x03B1},
        {0x8740, 0x2460}, {0x8790, 0x2252}, {0xED40, 0x7E8A}, {0xFA40, 0x2170},
        {0xF040, 0xE000}, {0x8540, -1}, {0x81, -1},
    };
    for (auto c : cases) EXPECT_EQ(cp932ToUnicode(c.code), c.unicode) << std::hex << c.code;
}

TEST(Cp932, EncodesDuplicatesAsWindowsDoes) {
    struct Case { uint32_t unicode; int32_t code; } cases[] = {
        {0x2252, 0x81E0}, // JIS X 0208 before NEC row 13
        {0x2160, 0x8754}, // NEC row 13 before the IBM extensions
        {0x2170, 0xFA40}, // IBM extensions before the NEC-selected ones
        {0xFFE2, 0x81CA}, {0x3042, 0x82A0}, {0x20AC, -1},
    };
    for (auto c : cases) EXPECT_EQ(unicodeToCp932(c.unicode), c.code) << std::hex << c.unicode;
}

TEST(Cp932, PlainConversionRoundTrips) {
    const std::string utf8 = "表示ソ\\テスト～ｱｲｳ abc";
    const std::string sjis = utf8ToSjis(utf8);
    EXPECT_EQ(sjis.size(), 22u);
    EXPECT_EQ(sjisToUtf8(sjis), utf8);
}

TEST(Cp932, EscapedFormIsByteExact) {
    const std::string cases[] = {
        std::string("\x87\x90", 2),          // NEC duplicate of a JIS character
        std::string("\xED\x40", 2),          // NEC-selected IBM duplicate
        std::string("\x85\x40", 2),          // undefined code
        std::string("ab\x81", 3),            // lone lead byte at the end
        std::string("\\x{41}", 6),           // text that looks like an escape
        std::string("bg\\\x95\x5C.png", 9),  // 0x5C as a second byte
    };
    for (const auto& raw : cases) {
        const std::string text = sjisToUtf8Escaped(raw);
        auto back = utf8EscapedToSjis(text);
        ASSERT_TRUE(back.has_value()) << text;
        EXPECT_EQ(*back, raw) << text;
    }
    EXPECT_EQ(sjisToUtf8Escaped(std::string("\x87\x90", 2)), "\\x{8790}");
    EXPECT_EQ(sjisToUtf8Escaped("bg\\room"), "bg\\room");
    EXPECT_FALSE(utf8EscapedToSjis("\xE2\x82\xAC").has_value()); // the euro sign has no Shift-JIS form
}

TEST(Cp932, CaseFoldingStepsOverDoubleByteCharacters) {
    // 0x83 0x41 is katakana A; its second byte must not become 'a'.
    const std::string s("AB\x83\x41z", 5);
    EXPECT_EQ(sjisLower(s), std::string("ab\x83\x41z", 5));
    EXPECT_EQ(sjisUpper(s), std::string("AB\x83\x41Z", 5));
    EXPECT_TRUE(sjisSameText("Bg\\Room.PNG", "bg\\room.png"));
    EXPECT_FALSE(sjisSameText(std::string("\x83\x41", 2), std::string("\x83\x61", 2)));
}

TEST(Error, FormatsShiftJisTemplates) {
    const std::string name = utf8ToSjis("背景.png");
    EXPECT_EQ(formatSjis(sjisText("%s:ファイルがありません"), {name}), utf8ToSjis("背景.png:ファイルがありません"));
    EXPECT_EQ(formatSjis(sjisText("[%d]:配列の添字が不正です"), {-1LL}), utf8ToSjis("[-1]:配列の添字が不正です"));
    // "ソ" ends in 0x5C and "%" after it is still a marker.
    EXPECT_EQ(formatSjis(sjisText("ソ%d%%"), {7LL}), utf8ToSjis("ソ7%"));
    try {
        raiseFormat("%s:不正な変数です", {name});
        FAIL();
    } catch (const ENuvoError& e) {
        EXPECT_STREQ(e.what(), "背景.png:不正な変数です");
    }
}
