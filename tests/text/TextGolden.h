// Comparing a rendered picture with a reference PNG in tests/golden/text/.
// NUVO_UPDATE_GOLDEN=1 writes the picture instead (look at it before
// committing it).
#pragma once

#include "render/DIBSurface.h"
#include "render/ImageCodecs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace nuvo::test {

inline std::filesystem::path textGoldenPath(const std::string& name) {
    return std::filesystem::path(NUVO_SOURCE_DIR) / "tests" / "golden" / "text" / (name + ".png");
}

// Every pixel of picture (colour only) equals the reference's.
inline ::testing::AssertionResult matchesTextGolden(TDIBX& picture, const std::string& name) {
    const std::filesystem::path path = textGoldenPath(name);
    if (std::getenv("NUVO_UPDATE_GOLDEN")) {
        TDIBSurface copy(picture.Width(), picture.Height(), 24);
        ConvertPixels(picture, copy);
        const std::vector<uint8_t> png = WritePng(copy, -1);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    }
    if (!std::filesystem::exists(path)) return ::testing::AssertionFailure() << "missing " << path;
    const std::string bytes = readFile(path);
    TDIBSurface expected;
    int32_t key = -1;
    ReadPng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), expected, key);
    if (expected.Width() != picture.Width() || expected.Height() != picture.Height())
        return ::testing::AssertionFailure() << name << ": " << picture.Width() << "x" << picture.Height()
                                             << " against the reference's " << expected.Width() << "x" << expected.Height();
    int mismatches = 0, firstX = -1, firstY = -1;
    for (int32_t y = 0; y < picture.Height(); ++y)
        for (int32_t x = 0; x < picture.Width(); ++x)
            if (picture.PixelToColor(static_cast<uint32_t>(picture.GetPixel(x, y))) !=
                expected.PixelToColor(static_cast<uint32_t>(expected.GetPixel(x, y))) && mismatches++ == 0) {
                firstX = x;
                firstY = y;
            }
    if (mismatches)
        return ::testing::AssertionFailure() << name << ": " << mismatches << " pixels differ, the first at (" << firstX
                                             << ", " << firstY << ")";
    return ::testing::AssertionSuccess();
}

} // namespace nuvo::test
