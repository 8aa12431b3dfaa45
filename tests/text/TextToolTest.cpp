// nuvotool text, run as a program with a fontconfig configuration that holds
// only the test font: a rendered page against its reference, the layout and
// glyph JSON, pages, and the refusals.
#include "render/DIBSurface.h"
#include "render/ImageCodecs.h"
#include "support/TestSupport.h"
#include "text/TestFonts.h"
#include "text/TextGolden.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace nuvo {
namespace {

using test::ProgramRun;
using test::TempDir;

// Runs nuvotool with FONTCONFIG_FILE naming a configuration of the test font
// alone, so the machine's fonts never change what it draws.
class TextTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(NUVOTOOL_PATH)) GTEST_SKIP() << "nuvotool is not built";
        NUVO_REQUIRE_TEST_FONT();
        const std::filesystem::path font = test::testFontPath();
        const std::string conf = "<?xml version=\"1.0\"?>\n<fontconfig><dir>" + font.parent_path().string() +
                                 "</dir><cachedir>" + (dir_.path() / "cache").string() + "</cachedir></fontconfig>\n";
        confPath_ = dir_.write("fonts.conf", conf).string();
    }

    ProgramRun tool(std::vector<std::string> args) {
        args.insert(args.begin(), "text");
        const char* old = std::getenv("FONTCONFIG_FILE");
        const std::string saved = old ? old : "";
        setenv("FONTCONFIG_FILE", confPath_.c_str(), 1);
        ProgramRun r = test::runProgram(NUVOTOOL_PATH, args);
        if (old) setenv("FONTCONFIG_FILE", saved.c_str(), 1);
        else unsetenv("FONTCONFIG_FILE");
        return r;
    }

    std::string write(const std::string& name, const std::string& utf8) { return dir_.write(name, utf8).string(); }
    std::string path(const std::string& name) const { return (dir_.path() / name).string(); }

    TempDir dir_;
    std::string confPath_;
};

TDIBSurface readPng(const std::string& path) {
    const std::string bytes = test::readFile(path);
    TDIBSurface picture;
    int32_t key = -1;
    ReadPng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), picture, key);
    return picture;
}

TEST_F(TextTool, RendersAPageAsTheReferenceShowsIt) {
    // A picture with a soft edge, named as titles name files.
    TDIBSurface pic(12, 12, 24);
    pic.Clear(0x3060C0);
    pic.CreateMask();
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 12; ++x) pic.Mask->SetPixel(x, y, x < 2 || y < 2 ? 96 : 255);
    const std::vector<uint8_t> png = WritePng(pic, -1);
    dir_.write("data/pics/dot.png", std::string(png.begin(), png.end()));
    // Everything but the last character (index 11) revealed.
    const std::string in = write("in.txt", "あい<B>う</B><VAR NAME=n>\n<FONT SHADOW=2 SCOLOR=#C0C0C0><U>えお</U></FONT>"
                                           "<A HREF=x>か</A><BR><IMG SRC=\"Pics\\Dot.PNG\" ALIGN=CENTER>"
                                           "<FONT COLOR=#008000>き</FONT>く");
    const ProgramRun r = tool({"render", in, path("out.png"), "--font", "NuvoTest", "--size", "16", "--border", "1",
                               "--border-color", "#FF0000", "--background", "#FFFFE0", "--var", "n:str=ab",
                               "--width", "200", "--reveal", "11", "--data", path("data")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    TDIBSurface picture = readPng(path("out.png"));
    EXPECT_EQ(picture.Width(), 200);
    EXPECT_TRUE(test::matchesTextGolden(picture, "tool-render"));
}

TEST_F(TextTool, PrintsTheLayout) {
    const std::string in = write("in.txt", "a<A HREF=l>い</A><BR><INDENT>");
    const ProgramRun r = tool({"layout", in, "--size", "10", "--color", "#112233"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "{\"width\":15,\"pages\":[{\"rows\":["
              "{\"x\":0,\"y\":0,\"w\":15,\"h\":10,\"elements\":["
              "{\"index\":0,\"type\":\"char\",\"text\":\"a\",\"x\":0,\"y\":0,\"w\":5,\"h\":10,\"size\":10,\"color\":-1,"
              "\"style\":0,\"link\":\"\",\"ruby\":\"\",\"wait\":50},"
              "{\"index\":1,\"type\":\"char\",\"text\":\"い\",\"x\":5,\"y\":0,\"w\":10,\"h\":10,\"size\":10,\"color\":-1,"
              "\"style\":0,\"link\":\"l\",\"ruby\":\"\",\"wait\":50},"
              "{\"index\":2,\"type\":\"return\",\"text\":\"\",\"x\":15,\"y\":0,\"w\":0,\"h\":0,\"size\":0,\"color\":-1,"
              "\"style\":0,\"link\":\"\",\"ruby\":\"\",\"wait\":0},"
              "{\"index\":3,\"type\":\"indent\",\"text\":\"\",\"x\":15,\"y\":0,\"w\":0,\"h\":0,\"size\":0,\"color\":-1,"
              "\"style\":0,\"link\":\"\",\"ruby\":\"\",\"wait\":0}]}]}]}\n");
    // Standard input.
    const ProgramRun empty = tool({"layout", "-"});
    EXPECT_EQ(empty.code, 0) << empty.err;
    EXPECT_EQ(empty.out, "{\"width\":0,\"pages\":[]}\n");
}

TEST_F(TextTool, PrintsGlyphs) {
    const ProgramRun r = tool({"glyph", "A ", "--font", "NuvoTest", "--size", "16", "--level", "0", "--style", "4"});
    ASSERT_EQ(r.code, 0) << r.err;
    // The frame's top row is full ink, the next only its two sides.
    const std::string first = "[\n{\"code\":65,\"font\":\"NuvoTest\",\"height\":16,\"styleBits\":4,\"level\":0,"
                              "\"originX\":1,\"originY\":3,\"underlineSize\":1,\"strikePos\":0,\"strikeSize\":0,"
                              "\"extraAdvance\":1,\"bitmapWidth\":6,\"bitmapHeight\":10,\"coverage\":[\"FFFFFFFFFFFF\",\"FF";
    EXPECT_EQ(r.out.substr(0, first.size()), first);
    EXPECT_NE(r.out.find("{\"code\":32,\"font\":\"NuvoTest\",\"height\":16,\"styleBits\":4,\"level\":0,\"originX\":0,"
                         "\"originY\":0,\"underlineSize\":1,\"strikePos\":0,\"strikeSize\":0,\"extraAdvance\":8,"
                         "\"bitmapWidth\":0,\"bitmapHeight\":0,\"coverage\":[]}"),
              std::string::npos)
        << r.out;
}

TEST_F(TextTool, WritesEveryPageAndRefusesWhatItCannotDo) {
    const std::string in = write("in.txt", "あ<BR>い<BR>う");
    ProgramRun r = tool({"render", in, path("p.png"), "--font", "NuvoTest", "--size", "16", "--page-height", "20", "--page", "all"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(path("p-000.png")));
    EXPECT_TRUE(std::filesystem::exists(path("p-002.png")));
    EXPECT_FALSE(std::filesystem::exists(path("p-003.png")));
    EXPECT_EQ(readPng(path("p-001.png")).Height(), 20);

    r = tool({"render", in, path("q.png"), "--page-height", "20", "--page", "3"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("no page 3 (the text has 3)"), std::string::npos) << r.err;

    const std::string bad = write("bad.txt", "<A>x</A>");
    r = tool({"render", bad, path("b.png")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("<A>タグにHREF値がありません"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(path("b.png")));

    for (const std::vector<std::string>& args : {std::vector<std::string>{"layout", in, "--color", "red"},
                                                 std::vector<std::string>{"layout", in, "--antialias", "maybe"},
                                                 std::vector<std::string>{"layout", in, "--size", "0"},
                                                 std::vector<std::string>{"glyph", "a", "--level", "4"}}) {
        r = tool(args);
        EXPECT_EQ(r.code, 2) << args[2];
        EXPECT_EQ(r.out, "");
    }
}

} // namespace
} // namespace nuvo
