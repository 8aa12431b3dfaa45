// nuvotool title build makes a multi-frame layered image from a NAME.pel
// folder of PNG frames: name order, times from "@MS" in the names, masks from
// alpha, keys from a transparent colour; a folder without frames or a bad
// time is refused.
#include "base/Stream.h"
#include "render/DIBSurface.h"
#include "render/ImageCodecs.h"
#include "render/PelkImage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace nuvo;

namespace {

std::string png(int32_t width, int32_t height, uint32_t rgb, int alpha = -1) {
    TDIBSurface s(width, height, 24);
    s.Clear(static_cast<int32_t>(rgb));
    if (alpha >= 0) {
        s.CreateMask();
        s.Mask->Clear(alpha);
        s.Mask->SetPixel(0, 0, 255);
    }
    const std::vector<uint8_t> bytes = WritePng(s, -1);
    return std::string(bytes.begin(), bytes.end());
}

int build(const test::TempDir& dir) {
    const std::string command = std::string("\"") + NUVOTOOL_PATH + "\" title build \"" +
                                (dir.path() / "src").string() + "\" \"" + (dir.path() / "out").string() + "\" 2> \"" +
                                (dir.path() / "err.txt").string() + "\"";
    return std::system(command.c_str());
}

} // namespace

TEST(TitleFrames, AFramesFolderBecomesOneLayeredImage) {
    test::TempDir dir;
    dir.write("src/nuvo.nps", "project version=116\nstart \"start.nsb\"\n");
    dir.write("src/start.nss", "page version=116\n");
    dir.write("src/anim/walk.pel/b@250.png", png(6, 4, 0x00FF00));
    dir.write("src/anim/walk.pel/a.png", png(8, 5, 0xFF0000, 0));
    dir.write("src/anim/walk.pel/c@40.png", png(8, 5, 0x0000FF));
    dir.write("src/anim/walk.pel/.hidden.png", png(1, 1, 0));
    ASSERT_EQ(build(dir), 0) << test::readFile(dir.path() / "err.txt");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out" / "anim" / "walk.pel" / "a.png"));

    const std::string bytes = test::readFile(dir.path() / "out" / "anim" / "walk.pel");
    TKvMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    TPelkFrameList list(0);
    list.LoadFromStream(s, false, false, false);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.GetFrame(0).Width(), 8);
    EXPECT_EQ(list.GetFrame(0).Duration, 100);
    EXPECT_TRUE(list.GetFrame(0).HasMask()); // from the alpha channel
    EXPECT_EQ(list.GetFrame(1).Width(), 6);
    EXPECT_EQ(list.GetFrame(1).Duration, 250);
    EXPECT_EQ(list.GetFrame(2).Duration, 40);
    EXPECT_EQ(list.GetFrame(2).Composite.GetPixel(0, 0) & 0xFFFFFF, 0x0000FF);

    test::TempDir bad;
    bad.write("src/nuvo.nps", "project version=116\nstart \"start.nsb\"\n");
    bad.write("src/x.pel/a@0.png", png(2, 2, 0));
    EXPECT_NE(build(bad), 0);
    test::TempDir empty;
    empty.write("src/nuvo.nps", "project version=116\nstart \"start.nsb\"\n");
    empty.write("src/x.pel/readme.txt", "no frames");
    EXPECT_NE(build(empty), 0);
}
