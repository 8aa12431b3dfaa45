// What the player's tests share: test titles built from tests/titles with
// nuvotool (once per title and test program), and running the player.
#pragma once

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace nuvo::test {

// The built title (plain folders) of tests/titles/NAME.
inline std::string builtTitle(const std::string& name) {
    static TempDir root;
    const std::filesystem::path out = root.path() / name;
    if (!std::filesystem::exists(out / "nuvo.npb")) {
        const std::string command = std::string(NUVOTOOL_PATH) + " title build \"" NUVO_SOURCE_DIR "/tests/titles/" +
                                    name + "\" \"" + out.string() + "\" > /dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
    }
    return out.string();
}

} // namespace nuvo::test
