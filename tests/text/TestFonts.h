// The fonts text tests draw with: a fontconfig configuration of our own with
// the IPA faces and the test font "NuvoTest" only, so no font of the machine
// changes a picture. The test font is built at first use with
// python3-fonttools (tests/text/make_test_font.py): its glyphs are
// rectangles on the pixel grid of a 16-pixel em, so renders at 16 and 32
// pixels are exact whatever the FreeType version.
#pragma once

#include "platform/Fonts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace nuvo::test {

// The family name of the test font.
inline constexpr const char* kTestFace = "NuvoTest";

// The test font's file, built when missing or older than its script; empty
// when it cannot be built (no python3-fonttools).
inline std::string testFontPath() {
    namespace fs = std::filesystem;
    const fs::path script = fs::path(NUVO_SOURCE_DIR) / "tests" / "text" / "make_test_font.py";
    const fs::path font = fs::path(NUVO_BINARY_DIR) / "test-fonts" / "NuvoTest.ttf";
    std::error_code ec;
    if (fs::exists(font, ec) && fs::last_write_time(font, ec) >= fs::last_write_time(script, ec)) return font.string();
    fs::create_directories(font.parent_path(), ec);
    // Test programs run side by side: each builds its own copy and renames it in.
    const fs::path part = font.string() + "." + std::to_string(::getpid());
    const std::string command = std::string("\"") + NUVO_FONT_PYTHON + "\" \"" + script.string() + "\" \"" + part.string() + "\"";
    if (std::string(NUVO_FONT_PYTHON).empty() || std::system(command.c_str()) != 0) return {};
    fs::rename(part, font, ec);
    return ec ? std::string() : font.string();
}

// One engine for the test program (fontconfig and FreeType set up once).
inline platform::IFontEngine& testFontEngine() {
    static const std::unique_ptr<platform::IFontEngine> engine = [] {
        platform::FontEngineSetup setup;
        setup.ownConfiguration = true;
        if (std::string path = testFontPath(); !path.empty()) setup.extraFontFiles.push_back(path);
        return platform::createFontEngine(setup);
    }();
    return *engine;
}

inline bool testFontAvailable() { return testFontEngine().IsInstalled(kTestFace); }
inline bool ipaGothicAvailable() { return testFontEngine().IsInstalled("IPAGothic"); }

} // namespace nuvo::test

#define NUVO_REQUIRE_TEST_FONT()                                                                           \
    if (!nuvo::test::testFontAvailable())                                                                  \
    GTEST_SKIP() << "the test font cannot be built (python3-fonttools; scripts/install-deps installs it)"
#define NUVO_REQUIRE_IPA_GOTHIC()                                                                          \
    if (!nuvo::test::ipaGothicAvailable())                                                                 \
    GTEST_SKIP() << "IPAGothic is not installed (scripts/install-deps installs it)"
