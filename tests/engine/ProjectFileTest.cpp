// The project file: every field with its version condition, the variable
// records, the folder-disk table, bad input, and the text form.
#include "base/Error.h"
#include "base/StreamIO.h"
#include "engine/FolderDiskList.h"
#include "engine/ProjectSetting.h"
#include "engine/ProjectSource.h"
#include "engine/SourceText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nuvo;
using nuvo::test::sj;

namespace {

// Writes a project file field by field, the way the format table lists it,
// independently of TProjectSetting::SaveToStream.
std::vector<uint8_t> projectBytes(int32_t version) {
    TKvMemoryStream s;
    WriteInt(s, version);
    WriteStr(s, sj("題名"));
    WriteInt(s, 800);
    WriteInt(s, 600);
    WriteInt(s, 1024);
    WriteInt(s, 768);
    WriteStr(s, "start.nsb");
    if (version >= 110) WriteStr(s, "end.nsb");
    WriteStr(s, "Key");
    WriteInt(s, 1234);
    if (version >= 104) WriteByte(s, 1);
    if (version >= 106) WriteByte(s, 1);
    if (version >= 109) WriteStr(s, ".ogg");
    if (version >= 113) WriteByte(s, 1);
    if (version >= 114) WriteByte(s, 1);
    if (version >= 116) WriteByte(s, 0);
    WriteStr(s, "change %d");
    WriteStr(s, "bye");
    WriteInt(s, 6);
    WriteByte(s, 1), WriteStr(s, "i"), WriteInt(s, -7);
    WriteByte(s, 2), WriteStr(s, "f"), WriteFloat(s, 2.5L);
    WriteByte(s, 3), WriteStr(s, "b"), WriteByte(s, 1);
    WriteByte(s, 4), WriteStr(s, "s"), WriteStr(s, sj("文字"));
    WriteByte(s, 0), WriteStr(s, "ref");
    WriteByte(s, 9), WriteStr(s, "odd");
    WriteInt(s, 2);
    WriteStr(s, "BG"), WriteInt(s, 2);
    WriteStr(s, "BGM"), WriteInt(s, 3);
    return s.bytes();
}

TProjectSetting load(std::vector<uint8_t> bytes) {
    TKvMemoryStream s(std::move(bytes));
    TProjectSetting p;
    p.LoadFromStream(s);
    EXPECT_EQ(s.remaining(), 0);
    return p;
}

} // namespace

TEST(ProjectFile, EveryFieldReadsByVersion) {
    for (int32_t version : {103, 104, 106, 109, 110, 113, 114, 116}) {
        SCOPED_TRACE(version);
        const TProjectSetting p = load(projectBytes(version));
        EXPECT_EQ(p.Title, sj("題名"));
        EXPECT_EQ(p.ScreenWidth, 800);
        EXPECT_EQ(p.FullScreenHeight, 768);
        EXPECT_EQ(p.StartPage, "start.nsb");
        EXPECT_EQ(p.ExitPage, version >= 110 ? "end.nsb" : "");
        EXPECT_EQ(p.RegistryKey, "Key");
        EXPECT_EQ(p.ImageSeed, 1234);
        EXPECT_EQ(p.SaveStatus, version >= 104 ? 1 : 0);
        EXPECT_EQ(p.YieldBetweenFrames, version >= 106 ? 1 : 0);
        EXPECT_EQ(p.NoPromptExtensions, version >= 109 ? ".ogg" : ".wav.wma.ogg.mid");
        EXPECT_EQ(p.PauseWhenInactive, version >= 113 ? 1 : 0);
        EXPECT_EQ(p.UnusedFlag, version >= 114 ? 1 : 0);
        EXPECT_EQ(p.ShowToolbar, version >= 116 ? 0 : 1);
        EXPECT_EQ(p.Messages[0], "change %d");
        EXPECT_EQ(p.Messages[1], "bye");
        ASSERT_EQ(p.Variables.size(), 6u);
        EXPECT_EQ(p.Variables[0].IntValue, -7);
        EXPECT_EQ(p.Variables[1].FloatValue(), 2.5L);
        EXPECT_EQ(p.Variables[2].FlagValue, 1);
        EXPECT_EQ(p.Variables[3].StrValue, sj("文字"));
        EXPECT_EQ(p.Variables[4].Name, "ref"); // types 0 and 9 carry only the name
        EXPECT_EQ(p.Variables[5].Name, "odd");
        EXPECT_EQ(p.FolderDisks.Entries().size(), 2u);

        // Written back byte for byte.
        TKvMemoryStream out;
        p.SaveToStream(out);
        EXPECT_EQ(out.bytes(), projectBytes(version));
    }
}

TEST(ProjectFile, AVersionAbove116IsRefused) {
    auto bytes = projectBytes(116);
    bytes[0] = 117;
    TKvMemoryStream s(bytes);
    TProjectSetting p;
    try {
        p.LoadFromStream(s);
        FAIL() << "version 117 loaded";
    } catch (const ENuvoError& e) {
        EXPECT_EQ(e.message(), sj("このバージョンには対応していません"));
    }
}

TEST(ProjectFile, TruncatedOrOversizedDataRaisesWithoutLeavingHalfAFile) {
    const auto full = projectBytes(116);
    for (size_t cut = 0; cut < full.size(); cut += 7) {
        TKvMemoryStream s(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<ptrdiff_t>(cut)));
        TProjectSetting p;
        p.Title = "kept";
        EXPECT_THROW(p.LoadFromStream(s), ENuvoError) << cut;
        EXPECT_EQ(p.Title, "kept");
    }
    // A variable count no stream can hold is refused before anything is allocated.
    TKvMemoryStream s;
    TProjectSetting empty;
    empty.SaveToStream(s);
    auto bytes = s.bytes();
    const size_t countAt = bytes.size() - 8; // the variable count, then the disk count
    bytes[countAt + 3] = 0x7F;
    TKvMemoryStream bad(bytes);
    EXPECT_THROW(empty.LoadFromStream(bad), ENuvoError);
}

TEST(FolderDiskList, DiskOfTakesTheDeepestListedFolder) {
    TFolderDiskList list;
    list.Add("BG", 2);
    list.Add("bg\\Sub", 3);
    list.Add("BGM", 4);
    list.Add("BGM", 5); // a second entry for a folder never counts
    struct Case {
        const char* path;
        int32_t disk;
    } cases[] = {
        {"BG\\SUB\\A.PNG", 3}, {"bg\\sub\\deeper\\a.png", 3},
        {"bg\\a.png", 2},      {"BG", 2},
        {"bgm\\x.ogg", 4},     {"BGX\\a.png", 0},
        {"a.png", 0},          {"", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(list.DiskOf(c.path), c.disk) << c.path;

    // The second byte of a double-byte character is never a separator: "表"
    // ends in 0x5C.
    TFolderDiskList sjis;
    sjis.Add(sj("表"), 7);
    EXPECT_EQ(sjis.DiskOf(sj("表\\a.png")), 7);
    EXPECT_EQ(sjis.DiskOf(sj("表a.png")), 0);
}

TEST(ProjectSource, RoundTripsEveryFieldAndVersion) {
    for (int32_t version : {-1, 103, 110, 116}) {
        const TProjectSetting p = load(projectBytes(version));
        const std::string text = writeProjectSource(p);
        TProjectSetting back;
        readProjectSource(text, back);
        EXPECT_EQ(back, p) << text;
    }
}

TEST(ProjectSource, ReadsWhatAnAuthorWrites) {
    TProjectSetting p;
    readProjectSource("# a title\n"
                      "project version=116\n"
                      "title \"猫の\\x{8740}日\"\n"
                      "screen 641 480\n"
                      "start \"start.nsb\"\n"
                      "var float rate = 1.25\n"
                      "var bool seen = TRUE\n"
                      "var 7 $\"odd name\"\n"
                      "disk \"BGM\" 2\n",
                      p);
    EXPECT_EQ(p.Title, sj("猫の") + "\x87\x40" + sj("日")); // a NEC code kept as its bytes
    EXPECT_EQ(p.ScreenWidth, 641);
    EXPECT_EQ(p.Variables.at(0).FloatValue(), 1.25L);
    EXPECT_EQ(p.Variables.at(1).FlagValue, 1);
    EXPECT_EQ(p.Variables.at(2).Type, 7);
    EXPECT_EQ(p.Variables.at(2).Name, "odd name");
    EXPECT_EQ(p.FolderDisks.DiskOf("bgm\\a.ogg"), 2);
    EXPECT_EQ(p.Messages[1], sj("終了します")); // the player's own default

    struct Bad {
        const char* text;
        const char* message;
    } bad[] = {
        {"title \"x\"\n", "begins with"},
        {"project version=117\n", "up to 116"},
        {"project version=109\nexit \"e.nsb\"\n", "needs project version 110"},
        {"project version=116\nscreen 1\n", "expected an integer"},
        {"project version=116\ncolour 3\n", "unknown setting"},
        {"project version=116\ntitle \"a\"\ntitle \"b\"\n", "given twice"},
        {"project version=116\nvar int x\n", "expected '='"},
    };
    for (const Bad& b : bad) {
        TProjectSetting q;
        try {
            readProjectSource(b.text, q);
            ADD_FAILURE() << b.text;
        } catch (const ESourceError& e) {
            EXPECT_NE(std::string(e.what()).find(b.message), std::string::npos) << e.what();
        }
    }
}
