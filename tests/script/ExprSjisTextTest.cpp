#include "script/SjisText.h"

#include "base/Cp932.h"
#include "base/Error.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace nuvo {
namespace {

using test::sj;

TEST(SjisText, CountsAndPositionsByCharacter) {
    const std::string s = sj("あいa"); // two double-byte characters and one letter
    EXPECT_EQ(JLength(s), 3);
    EXPECT_EQ(s.size(), 5u);
    EXPECT_EQ(JCharAt(s, 1), 0x82A0);
    EXPECT_EQ(JCharAt(s, 3), 'a');
    EXPECT_EQ(JCharAt(s, 4), 0);
    EXPECT_EQ(JByteIndex(s, 0), 1);
    EXPECT_EQ(JByteIndex(s, 2), 3);
    EXPECT_EQ(JByteIndex(s, 3), 5);
    EXPECT_EQ(JByteIndex(s, 9), 6);
    // A lead byte that ends the text is a character of its own.
    EXPECT_EQ(JLength("a\x82"), 2);
    EXPECT_EQ(JCharAt("a\x82", 2), 0x82);
}

TEST(SjisText, TrailBytesThatLookLikeAscii) {
    const std::string so = sj("ソ"); // 0x83 0x5C: the second byte is a backslash
    ASSERT_EQ(so, "\x83\x5C");
    EXPECT_FALSE(IsTrailByte(so, 1));
    EXPECT_TRUE(IsTrailByte(so, 2));
    EXPECT_EQ(JPos("\\", so), 0);
    EXPECT_EQ(JPos("\\", so + "\\"), 2);
    std::string rest = so + "\\x";
    EXPECT_EQ(SplitFirst(rest, "\\"), so);
    EXPECT_EQ(rest, "x");
    // Runs of lead bytes: parity decides.
    EXPECT_FALSE(IsTrailByte("\x82\x82\x41", 3));
    EXPECT_TRUE(IsTrailByte("\x82\x82\x82\x41", 4));
    EXPECT_THROW(IsTrailByte("ab", 0), ENuvoError);
    EXPECT_THROW(IsTrailByte("ab", 3), ENuvoError);
    try {
        IsTrailByte("", 1);
    } catch (const ENuvoError& e) {
        EXPECT_EQ(e.message(), "Illegal Index");
    }
}

TEST(SjisText, CopyDeleteInsertClamp) {
    const std::string s = sj("あいうえ");
    struct Case {
        int from, count;
        const char* expected;
    };
    for (const Case& c : {Case{1, 0, ""}, Case{0, 3, "あい"}, Case{2, 2, "いう"}, Case{3, 9, "うえ"}, Case{5, 1, ""},
                          Case{-5, 7, "あ"}, Case{1, -1, ""}})
        EXPECT_EQ(JCopy(s, c.from, c.count), sj(c.expected)) << c.from << "," << c.count;

    for (const Case& c : {Case{0, 1, "いうえ"}, Case{2, 2, "あえ"}, Case{4, 9, "あいう"}, Case{5, 1, "あいうえ"},
                          Case{2, 0, "あいうえ"}})
        EXPECT_EQ(JDelete(s, c.from, c.count), sj(c.expected)) << c.from << "," << c.count;

    EXPECT_EQ(JInsert("x", s, 0), sj("xあいうえ"));
    EXPECT_EQ(JInsert("x", s, 3), sj("あいxうえ"));
    EXPECT_EQ(JInsert("x", s, 5), sj("あいうえx"));
    EXPECT_EQ(JInsert("x", s, 99), sj("あいうえx"));
    EXPECT_EQ(JPos(sj("う"), s), 3);
    EXPECT_EQ(JPos("", s), 0);
}

TEST(SjisText, SplitFirst) {
    std::string s = "a,,b";
    EXPECT_EQ(SplitFirst(s, ","), "a");
    EXPECT_EQ(s, ",b");
    EXPECT_EQ(SplitFirst(s, ";,"), "");
    EXPECT_EQ(SplitFirst(s, ","), "b");
    EXPECT_EQ(s, "");
    EXPECT_EQ(SplitFirst(s, ","), "");
    s = "abc";
    EXPECT_EQ(SplitFirst(s, ""), "abc");
    EXPECT_EQ(s, "");
}

TEST(SjisText, JTrimKeepsTabs) {
    EXPECT_EQ(JTrim(sj("　 あ\t")), sj("あ\t"));
    EXPECT_EQ(JTrim(sj(" x 　")), "x");
    EXPECT_EQ(JTrim(sj("　　")), "");
    // 0x81 0x40 only counts as a whole character: a lone 0x40 after a letter stays.
    EXPECT_EQ(JTrim("\x82\x81\x40"), "\x82\x81\x40");
}

TEST(SjisText, HanToZen) {
    EXPECT_EQ(HanToZen(" !\"#$%&'()*+,-./09:;<=>?@AZ[\\]^_`az{|}~"),
              sj("　！”＃＄％＆’（）＊＋，－．／０９：；＜＝＞？＠ＡＺ［￥］＾＿‘ａｚ｛｜｝～"));
    std::string kana;
    for (int b = 0xA1; b <= 0xDF; ++b) kana.push_back(static_cast<char>(b));
    EXPECT_EQ(sjisToUtf8(HanToZen(kana)),
              "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜");
    EXPECT_EQ(HanToZen(sj("ｶﾞﾊﾟﾎﾞﾄﾞ")), sj("ガパボド"));
    EXPECT_EQ(HanToZen(sj("ｳﾞｶﾟｱﾞ")), sj("ウ゛カ゜ア゛"));
    EXPECT_EQ(HanToZen("\t\x7F\x80\xA0\xFD"), "");
    EXPECT_EQ(HanToZen(sj("漢a")), sj("漢ａ"));
}

TEST(SjisText, ZenToHanInvertsHanToZen) {
    EXPECT_EQ(ZenToHan(sj("ガ")), sj("ｶﾞ"));
    EXPECT_EQ(ZenToHan(sj("あ")), sj("あ"));
    EXPECT_EQ(ZenToHan(sj("ヴヶ漢")), sj("ヴヶ漢"));
    EXPECT_EQ(ZenToHan(sj("“”")), "\"\"");
    std::string all;
    for (int b = 0x20; b <= 0x7E; ++b) all.push_back(static_cast<char>(b));
    for (int b = 0xA1; b <= 0xDF; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(ZenToHan(HanToZen(all)), all);
    const std::string voiced = sj("ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ");
    EXPECT_EQ(sjisToUtf8(HanToZen(voiced)), "ガギグゲゴザジズゼゾダヂヅデドバビブベボパピプペポ");
    EXPECT_EQ(ZenToHan(HanToZen(voiced)), voiced);
}

} // namespace
} // namespace nuvo
