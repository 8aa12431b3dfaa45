// The bundled demo title (demo/), built with nuvotool and run by the real
// player headless with its click script: the screenshots at fixed frames
// match the references in tests/golden/demo/ (support/Golden.h).
#include "render/DIBSurface.h"
#include "shell/ShellTestSupport.h"
#include "support/Golden.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace nuvo {
namespace {

namespace fs = std::filesystem;

// Frames of the run: the title fading in, the blind transition to the
// scene, the scene with the bird's afterimages, the curtain transition to
// the story's room, the girl under the message window, the evening coming
// in through black with the window parked, the window back, the menu
// opening and open, a row hovered by the keys, and the clock-hand
// transition back to the title after the menu's choice.
constexpr int kShots[] = {30, 135, 250, 330, 420, 500, 560, 632, 660, 705, 740};

TEST(DemoTitle, RunsHeadlessThroughItsScreensAsTheReferencesShow) {
    test::TempDir dir;
    const fs::path title = dir.path() / "title";
    const std::string build = std::string("\"") + NUVOTOOL_PATH + "\" title build \"" NUVO_SOURCE_DIR "/demo\" \"" +
                              title.string() + "\" > /dev/null";
    ASSERT_EQ(std::system(build.c_str()), 0);
    std::string at;
    for (int frame : kShots)
        at += (at.empty() ? "" : ",") + std::to_string(frame);
    const std::string run = std::string("cd \"") + dir.str() + "\" && \"" NUVOPLAYER_PATH "\" --headless --frames 760" +
                            " --shots shots --shot-at " + at + " --input \"" NUVO_SOURCE_DIR "/demo/input.txt\"" +
                            " --save-dir saves \"" + title.string() + "\" 2> stderr.txt > /dev/null";
    ASSERT_EQ(std::system(run.c_str()), 0) << test::readFile(dir.path() / "stderr.txt");

    test::GoldenSet golden("demo");
    for (int frame : kShots) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06d", frame);
        const fs::path shot = dir.path() / "shots" / (std::string(name) + ".png");
        ASSERT_TRUE(fs::exists(shot)) << name;
        TDIBSurface picture = test::readPngFile(shot);
        golden.expect(picture, name);
    }
}

} // namespace
} // namespace nuvo
