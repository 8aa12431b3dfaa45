// nuvotool page and project: dump of a built file gives its source, build of
// that source gives the same bytes.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
const fs::path kSources = fs::path(NUVO_SOURCE_DIR) / "tests" / "titles";
const fs::path kBuilt = fs::path(NUVO_TITLES_DIR);

int nuvotool(const std::string& args, const fs::path& output) {
    const std::string command = std::string("\"") + NUVOTOOL_PATH + "\" " + args + " > \"" + output.string() + "\"";
    return std::system(command.c_str());
}

} // namespace

TEST(ToolRoundTrip, PageAndProjectDumpAndBuild) {
    nuvo::test::TempDir dir;
    // (tolerant: calls of unknown function numbers and odd argument counts,
    // which only the raw form writes.)
    for (const auto& [title, page] : {std::pair{"basic", "start"}, {"basic", "sub"}, {"tolerant", "start"}}) {
        const fs::path built = kBuilt / title / (std::string(page) + ".nsb");
        const fs::path text = dir.path() / (std::string(page) + ".nss");
        ASSERT_EQ(nuvotool("page dump \"" + built.string() + "\"", text), 0);
        EXPECT_EQ(nuvo::test::readFile(text), nuvo::test::readFile(kSources / title / (std::string(page) + ".nss")));
        const fs::path rebuilt = dir.path() / (std::string(page) + ".nsb");
        ASSERT_EQ(nuvotool("page build \"" + text.string() + "\" \"" + rebuilt.string() + "\"", dir.path() / "out"), 0);
        EXPECT_EQ(nuvo::test::readFile(rebuilt), nuvo::test::readFile(built)) << title << "/" << page;
    }
    const fs::path projectText = dir.path() / "nuvo.nps";
    ASSERT_EQ(nuvotool("project dump \"" + (kBuilt / "basic" / "nuvo.npb").string() + "\"", projectText), 0);
    ASSERT_EQ(nuvotool("project build \"" + projectText.string() + "\" \"" + (dir.path() / "nuvo.npb").string() + "\"",
                       dir.path() / "out"),
              0);
    EXPECT_EQ(nuvo::test::readFile(dir.path() / "nuvo.npb"), nuvo::test::readFile(kBuilt / "basic" / "nuvo.npb"));

    // A source with a mistake fails with its line.
    dir.write("bad.nss", "page version=116\nJump idx=3\n");
    const fs::path err = dir.path() / "err";
    const std::string command = std::string("\"") + NUVOTOOL_PATH + "\" page build \"" +
                                (dir.path() / "bad.nss").string() + "\" \"" + (dir.path() / "bad.nsb").string() +
                                "\" 2> \"" + err.string() + "\"";
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_NE(nuvo::test::readFile(err).find("line 2"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.path() / "bad.nsb"));
}
