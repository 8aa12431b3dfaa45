// The titles CTest builds from tests/titles/ with nuvotool, in both forms:
// each opens as a title, its project loads and its pages load to the
// commands their sources say.
#include "archive/VrFileManager.h"
#include "base/Stream.h"
#include "engine/Commands.h"
#include "engine/Page.h"
#include "engine/PageSource.h"
#include "engine/ProgramContext.h"
#include "media/MidiV.h"
#include "engine/Project.h"
#include "script/ParamCollection.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace nuvo;
using nuvo::test::sj;

namespace {

const std::filesystem::path kSources = std::filesystem::path(NUVO_SOURCE_DIR) / "tests" / "titles";
const std::filesystem::path kBuilt = NUVO_TITLES_DIR;

// A built title opened as the player opens one given on the command line.
struct OpenTitle {
    TVrFileManager files{nullptr, nullptr};
    TParamCollection vars;
    TProgramContext context;

    explicit OpenTitle(const std::filesystem::path& folder) {
        files.AddArchive("");
        files.SetBaseFolder(folder.string());
        if (std::filesystem::exists(folder / "game.dat")) files.AddArchive((folder / "game.dat").string());
        context.Files = &files;
        context.Vars = &vars;
        context.Args = {folder.string()};
        context.Report = [](const std::string&) {};
    }
};

class BuiltTitle : public testing::TestWithParam<const char*> {};

} // namespace

TEST_P(BuiltTitle, OpensAndItsPagesLoadAsTheirSourcesSay) {
    OpenTitle t(kBuilt / GetParam());
    if (std::string(GetParam()).ends_with("-pack")) {
        ASSERT_EQ(t.files.ArchiveCount(), 2);
    }
    TProject project(t.context);
    project.Create();
    ASSERT_FALSE(t.context.QuitRequested);
    EXPECT_EQ(project.Title, sj("テスト題名"));
    EXPECT_EQ(t.vars.Find("hero")->Value()->AsString(), sj("太郎"));
    EXPECT_EQ(project.FolderDisks.DiskOf("bgm\\a.ogg"), 2);

    for (const char* name : {"start", "sub"}) {
        TPage page;
        page.LoadFromFile(t.context, std::string(name) + ".nsb");
        EXPECT_EQ(page.Version, 116);
        // The dump of the built page is the source it was built from.
        EXPECT_EQ(writePageSource(page), test::readFile(kSources / "basic" / (std::string(name) + ".nss")));
    }
    TPage start;
    start.LoadFromFile(t.context, "START.NSB");
    EXPECT_EQ(start.Commands.FindLabel("top"), 0);
    auto& call = dynamic_cast<TComCall&>(*start.Commands.At(5));
    EXPECT_EQ(call.PageName, "sub.nsb");

    // The picture became a layered image; the data file is as it was.
    TKvMemoryStream picture;
    t.files.LoadToStream(picture, "BG\\Room.pel");
    ASSERT_GE(picture.size(), 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(picture.memory()), 4), "Pelk");
    TKvMemoryStream data;
    t.files.LoadToStream(data, "text\\readme.txt");
    EXPECT_EQ(std::string(data.bytes().begin(), data.bytes().end()),
              test::readFile(kSources / "basic" / "text" / "readme.txt"));

    // The text form of a MIDI file became the file.
    TKvMemoryStream music;
    t.files.LoadToStream(music, "bgm\\theme.mid");
    TMidiV midi;
    ASSERT_TRUE(midi.LoadFromStream(music));
    EXPECT_EQ(midi.Format, 0);
    EXPECT_EQ(midi.Division, 96);
    EXPECT_EQ(midi.LengthMs, 500);
    EXPECT_FALSE(t.files.Exists("bgm\\theme.mid.txt"));
}

INSTANTIATE_TEST_SUITE_P(Basic, BuiltTitle, testing::Values("basic", "basic-pack"));
