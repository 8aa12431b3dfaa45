// The bundled demo title (demo/), built with nuvotool and run by the real
// player headless with its click script: the screenshots at fixed frames
// match the references in tests/golden/demo/ (NUVO_UPDATE_GOLDEN=1 rewrites
// them; look at each before committing; a mismatch keeps the actual shot in
// the build folder's demo-actual/).
#include "render/DIBSurface.h"
#include "render/ImageCodecs.h"
#include "shell/ShellTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace nuvo {
namespace {

namespace fs = std::filesystem;

// Frames of the run: the title fading in, the blind transition to the
// scene, the scene with the bird's afterimages, the clock-hand transition
// back, and the title again.
constexpr int kShots[] = {30, 135, 250, 330, 400};

TDIBSurface readShot(const fs::path& png) {
    const std::string bytes = test::readFile(png);
    TDIBSurface picture;
    int32_t transparent = -1;
    ReadPng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), picture, transparent);
    return picture;
}

// Empty when the two pictures agree pixel for pixel.
std::string difference(TDIBSurface& actual, TDIBSurface& expected) {
    if (actual.Width() != expected.Width() || actual.Height() != expected.Height()) return "sizes differ";
    int differing = 0;
    for (int32_t y = 0; y < actual.Height(); ++y)
        for (int32_t x = 0; x < actual.Width(); ++x)
            differing += actual.ColorOfPixel(static_cast<uint32_t>(actual.GetPixel(x, y))) !=
                         expected.ColorOfPixel(static_cast<uint32_t>(expected.GetPixel(x, y)));
    return differing ? std::to_string(differing) + " pixels differ" : std::string();
}

TEST(DemoTitle, RunsHeadlessThroughItsScreensAsTheReferencesShow) {
    test::TempDir dir;
    const fs::path title = dir.path() / "title";
    const std::string build = std::string("\"") + NUVOTOOL_PATH + "\" title build \"" NUVO_SOURCE_DIR "/demo\" \"" +
                              title.string() + "\" > /dev/null";
    ASSERT_EQ(std::system(build.c_str()), 0);
    std::string at;
    for (int frame : kShots)
        at += (at.empty() ? "" : ",") + std::to_string(frame);
    const std::string run = std::string("cd \"") + dir.str() + "\" && \"" NUVOPLAYER_PATH "\" --headless --frames 420" +
                            " --shots shots --shot-at " + at + " --input \"" NUVO_SOURCE_DIR "/demo/input.txt\"" +
                            " --save-dir saves \"" + title.string() + "\" 2> stderr.txt > /dev/null";
    ASSERT_EQ(std::system(run.c_str()), 0) << test::readFile(dir.path() / "stderr.txt");

    const char* update = std::getenv("NUVO_UPDATE_GOLDEN");
    const bool updating = update && *update && std::string(update) != "0";
    for (int frame : kShots) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06d.png", frame);
        const fs::path shot = dir.path() / "shots" / name;
        const fs::path reference = fs::path(NUVO_SOURCE_DIR) / "tests" / "golden" / "demo" / name;
        ASSERT_TRUE(fs::exists(shot)) << name;
        if (updating) {
            fs::create_directories(reference.parent_path());
            fs::copy_file(shot, reference, fs::copy_options::overwrite_existing);
            continue;
        }
        ASSERT_TRUE(fs::exists(reference)) << "missing reference " << reference;
        TDIBSurface actual = readShot(shot), expected = readShot(reference);
        const std::string diff = difference(actual, expected);
        if (!diff.empty()) {
            fs::create_directories(fs::path(NUVO_BINARY_DIR) / "demo-actual");
            fs::copy_file(shot, fs::path(NUVO_BINARY_DIR) / "demo-actual" / name, fs::copy_options::overwrite_existing);
        }
        EXPECT_EQ(diff, "") << name;
    }
}

} // namespace
} // namespace nuvo
