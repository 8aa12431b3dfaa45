// The element stream (every version) and the layout record: byte-exact
// round trips, streams laid out by hand, and damaged streams.
#include "base/Cp932.h"
#include "base/Error.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "support/TestSupport.h"
#include "text/KvWord.h"
#include "text/WordDescribe.h"

#include <gtest/gtest.h>

namespace nuvo {
namespace {

using test::describe;
using test::sj;

const char* kEveryClass =
    "<DIV ALIGN=CENTER>ab<B>c</B><FONT COLOR=#FF0000 BCOLOR=#00FF00 SCOLOR=#0000FF BORDER=2 SHADOW=3 NAME=ＭＳ明朝>"
    "<RUBY VALUE=かな>漢</RUBY></FONT><BR><INDENT><A HREF=target><WAIT VALUE=-7>d</WAIT></A><UNDENT>"
    "<EVENT VALUE=h END><VAR NAME=name><NOBR><IMG SRC=pic.png ALIGN=TOP></NOBR><HISTCHAR VALUE=は><CLEAR>";

std::vector<uint8_t> saved(TKvWord& w, int32_t version) {
    TKvMemoryStream s;
    w.SaveToStream(s, version);
    return s.bytes();
}

TEST(WordStream, RoundTripsByteForByteInEveryVersion) {
    for (int32_t version : {100, 99, 0}) {
        TKvWord w;
        // Before version 100 a style's outline is a flag (0 or 1) and there are
        // no shadows.
        w.SetText(std::string_view(sj(version >= 100 ? kEveryClass : "<FONT BORDER=0>a<FONT BORDER=1>b</FONT></FONT><EVENT VALUE=e>")));
        TWdPageList pages;
        w.Layout(pages);
        const std::vector<uint8_t> bytes = saved(w, version);
        if (version > 0) {
            char header[10] = {};
            std::snprintf(header, sizeof header, "KvWord%03d", version);
            EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 9), header);
        }
        TKvWord back;
        TKvMemoryStream in(bytes);
        back.LoadFromStream(in);
        EXPECT_EQ(in.position(), static_cast<int64_t>(bytes.size()));
        EXPECT_EQ(describe(back), describe(w)) << version;
        EXPECT_EQ(saved(back, version), bytes) << version;
        for (int32_t i = 0; i < w.Count(); ++i) {
            EXPECT_EQ(back.ElementAt(i)->AreaRect(), (TRect{w.ElementAt(i)->X, w.ElementAt(i)->Y,
                                                            w.ElementAt(i)->X + w.ElementAt(i)->Width,
                                                            w.ElementAt(i)->Y + w.ElementAt(i)->Height}));
        }
    }
}

// One bold red character 'A' in the stream form of a version.
std::vector<uint8_t> oneCharacter(int32_t version, int32_t storedCount, int32_t styleIndex = 0, uint8_t type = 1) {
    TKvMemoryStream s;
    if (version > 0) {
        char header[10];
        std::snprintf(header, sizeof header, "KvWord%03d", version);
        s.write(header, 9);
    }
    WriteInt(s, 1);
    WriteInt(s, storedCount);
    WriteInt(s, 0x0000FF);
    WriteInt(s, -1);
    WriteInt(s, 0);
    WriteByte(s, 1);
    WriteByte(s, 0);
    if (version < 100) WriteByte(s, 5); // the old outline flag
    else WriteInt(s, 3);
    WriteStr(s, "");
    WriteStr(s, "");
    if (version >= 100) {
        WriteInt(s, 2);
        WriteInt(s, 0x00FF00);
    }
    WriteInt(s, 1);
    WriteByte(s, type);
    for (int k = 0; k < 4; ++k) WriteInt(s, k);
    WriteShort(s, 'A');
    WriteInt(s, styleIndex);
    WriteStr(s, "");
    WriteInt(s, 50);
    return s.bytes();
}

TEST(WordStream, ReadsStreamsOfEveryVersionAndCountsReferencesAgain) {
    const struct {
        int32_t version;
        const char* element;
    } cases[] = {
        {0, "A[b #FF0000 border=1]"},
        {42, "A[b #FF0000 border=1]"},
        {100, "A[b #FF0000 border=3 shadow=2 scolor=#00FF00]"},
    };
    for (const auto& c : cases) {
        TKvWord w;
        TKvMemoryStream s(oneCharacter(c.version, 77));
        w.LoadFromStream(s);
        EXPECT_EQ(describe(w), c.element) << c.version;
        ASSERT_EQ(w.Styles.Count(), 1u);
        EXPECT_EQ(w.Styles.At(0)->Count, 1) << "the stored 77 is not trusted";
        EXPECT_EQ(w.ElementAt(0)->Y, 1);
    }
}

TEST(WordStream, ShortStreamWithoutHeaderIsReadFromWhereItStood) {
    // Three bytes of something else, then an empty list without a header:
    // eight bytes, shorter than a header.
    TKvMemoryStream s(std::vector<uint8_t>{9, 9, 9, 0, 0, 0, 0, 0, 0, 0, 0});
    s.setPosition(3);
    TKvWord w;
    w.SetText(std::string_view("x"));
    w.LoadFromStream(s);
    EXPECT_EQ(w.Count(), 0);
    EXPECT_EQ(s.position(), 11);
}

TEST(WordStream, DamagedStreamsFailAndLeaveTheWordAlone) {
    std::vector<uint8_t> truncated = oneCharacter(100, 1);
    truncated.resize(truncated.size() - 3);
    std::vector<uint8_t> hugeStyles = oneCharacter(100, 1);
    hugeStyles[9] = 0xFF;
    hugeStyles[12] = 0x7F; // style count 0x7F0000FF
    std::vector<uint8_t> hugeName = oneCharacter(0, 1);
    hugeName[26] = 0x40; // the name's length: 1 GiB
    std::vector<uint8_t> badHeader = oneCharacter(100, 1);
    badHeader[7] = 'x';
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"truncated", truncated},
        {"style count beyond the stream", hugeStyles},
        {"string length beyond the stream", hugeName},
        {"style index out of range", oneCharacter(100, 1, 1)},
        {"negative style index", oneCharacter(100, 1, -1)},
        {"unknown element type", oneCharacter(100, 1, 0, 8)},
        {"header without a version", badHeader},
        {"element count beyond the stream", std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0x10}},
    };
    for (const auto& c : cases) {
        TKvWord w;
        w.SetText(std::string_view("<B>keep"));
        TKvMemoryStream s(c.bytes);
        EXPECT_THROW(w.LoadFromStream(s), ENuvoError) << c.name;
        EXPECT_EQ(describe(w), "k[b]|e[b]|e[b]|p[b]") << c.name;
        EXPECT_EQ(w.Styles.Count(), 1u) << c.name;
    }
}

TEST(WordStream, LayoutRecordRoundTripsAndRefusesATruncatedRecord) {
    TKvWord w;
    w.FontSize = 20;
    w.FontName = sj("ＭＳ 明朝");
    w.FontColor = 0x123456;
    w.PageHeight = 300;
    w.Width = 400;
    w.LineSpace = -2;
    w.OriginX = 5;
    w.OriginY = 6;
    w.Paging = true;
    w.LinkColor = 1;
    w.HoverColor = 2;
    w.Delay = 100;
    w.BorderColor = 3;
    w.Alpha = 128;
    w.TextPaused = true;
    w.CaretX = 7;
    w.CaretY = 8;
    w.CaretHeight = 9;
    w.TextDelayRate = 128;
    w.Flag = 0xA5;
    w.Antialias = 0;
    w.ShadowColor = 4;
    w.BorderWidth = 2;
    w.ShadowOffset = 1;
    TKvMemoryStream s;
    w.SaveLayout(s);
    EXPECT_EQ(s.size(), 4 + 4 + static_cast<int64_t>(w.FontName.size()) + 19 * 4 + 3);
    TKvWord back;
    s.setPosition(0);
    back.LoadLayout(s);
    TKvMemoryStream again;
    back.SaveLayout(again);
    EXPECT_EQ(again.bytes(), s.bytes());
    EXPECT_EQ(back.Flag, 0xA5);
    EXPECT_EQ(back.FontName, w.FontName);

    std::vector<uint8_t> cut = s.bytes();
    cut.pop_back();
    TKvWord fresh;
    TKvMemoryStream short_(cut);
    EXPECT_THROW(fresh.LoadLayout(short_), ENuvoError);
    EXPECT_EQ(fresh.FontSize, 12) << "nothing changes";
}

} // namespace
} // namespace nuvo
