#include "archive/VrFileCollection.h"
#include "archive/VrFileManager.h"
#include "base/BigStream.h"
#include "base/StreamIO.h"
#include "platform/System.h"
#include "shell/Startup.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nuvo;

namespace {

// An archive holding one entry "a.txt" with the given text.
std::string archiveWith(const std::string& text) {
    TVrFileCollection c;
    c.Open("");
    TVrFile* e = c.AddMemoryEntry("a.txt");
    e->Data->write(text.data(), static_cast<int64_t>(text.size()));
    TKvBigMemoryStream out;
    c.WriteArchive(out);
    const auto& bytes = out.Memory().bytes();
    return std::string(bytes.begin(), bytes.end());
}

std::string load(TVrFileManager& files, const char* name) {
    TKvMemoryStream s;
    files.LoadToStream(s, name);
    return std::string(s.bytes().begin(), s.bytes().end());
}

} // namespace

TEST(DataSources, EveryArgumentAddsItsGameDatAndTheFirstIsTheBase) {
    test::TempDir dir;
    dir.write("A/GAME.DAT", archiveWith("from A"));
    dir.write("B/game.dat", archiveWith("from B"));
    // A file ending in "nv" carries an appended archive: junk, the archive at
    // S, then S and "nv".
    std::string appended = std::string(100, 'x') + archiveWith("from C");
    TKvMemoryStream trailer;
    WriteInt(trailer, 100);
    appended += std::string(trailer.bytes().begin(), trailer.bytes().end()) + "nv";
    dir.write("player", appended);

    auto system = platform::createLinuxSystem();
    TVrFileManager files(system.get(), nullptr);
    SetUpDataSources(files, {(dir.path() / "A").string(), (dir.path() / "B").string(), (dir.path() / "player").string()}, *system);
    EXPECT_EQ(files.ArchiveCount(), 4); // the in-memory archive, A, B and the appended one
    EXPECT_EQ(files.BaseFolder(), (dir.path() / "A").string() + "/");
    EXPECT_EQ(load(files, "A.TXT"), "from A");
    files.RemoveArchive(1);
    EXPECT_EQ(load(files, "a.txt"), "from B");
    files.RemoveArchive(1);
    EXPECT_EQ(load(files, "a.txt"), "from C");
}

TEST(DataSources, WithoutArgumentsTheProgramFolderIsTheBase) {
    auto system = platform::createLinuxSystem();
    TVrFileManager files(system.get(), nullptr);
    SetUpDataSources(files, {}, *system);
    EXPECT_EQ(files.BaseFolder(), system->ExecutableFolder());
    EXPECT_EQ(files.ArchiveCount(), 1); // a test program carries no appended archive
}

TEST(DataSources, AnArchiveGivenAsTheDataFolderBringsItsFolder) {
    test::TempDir dir;
    dir.write("T/Game.Dat", archiveWith("from game.dat"));
    dir.write("T/story.dat", archiveWith("from story.dat"));
    const std::string folder = (dir.path() / "T").string();
    struct Case {
        std::vector<std::string> args, expected;
    };
    const Case cases[] = {
        {{folder + "/Game.Dat"}, {folder}}, // the folder's own archive is not named twice
        {{folder + "/story.dat", "x"}, {folder, folder + "/story.dat", "x"}},
        {{folder}, {folder}},
        {{"/config"}, {"/config"}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        EXPECT_EQ(TitleArguments(c.args), c.expected);
    }

    // A plain archive named on the command line is read like the folder's.
    auto system = platform::createLinuxSystem();
    TVrFileManager files(system.get(), nullptr);
    SetUpDataSources(files, TitleArguments({folder + "/story.dat"}), *system);
    EXPECT_EQ(files.BaseFolder(), folder + "/");
    EXPECT_EQ(files.ArchiveCount(), 3); // the in-memory archive, game.dat and story.dat
    EXPECT_EQ(load(files, "a.txt"), "from game.dat");
    files.RemoveArchive(1);
    EXPECT_EQ(load(files, "a.txt"), "from story.dat");
}
