#include "ArchiveBuilder.h"

#include "archive/ArchiveNames.h"
#include "archive/InstallSet.h"
#include "archive/VrFileManager.h"
#include "base/Cp932.h"
#include "base/Error.h"
#include "base/StreamIO.h"
#include "platform/Dialogs.h"
#include "platform/System.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

using namespace nuvo;
using namespace nuvo::test;

namespace {

struct FakeSystem : platform::ISystem {
    std::vector<std::string> roots;
    bool IsOnCdRom(const std::string&) override { return false; }
    std::vector<std::string> CdRoots() override { return roots; }
    std::unique_ptr<platform::INamedLock> TryLock(const std::string&) override { return nullptr; }
    std::string ExecutablePath() override { return {}; }
    std::string ExecutableFolder() override { return {}; }
    std::string ConfigFolder() override { return {}; }
    std::string UserDataFolder() override { return {}; }
    bool OpenDocument(const std::string&) override { return false; }
};

// Answers boxes from a script and records what was shown.
struct ScriptedDialogs : platform::IDialogs {
    std::deque<platform::MessageResult> answers;
    std::vector<std::string> shown;
    std::function<void()> onShow;
    platform::MessageResult MessageBox(const std::string& text, const std::string&, platform::MessageButtons,
                                       platform::MessageIcon) override {
        shown.push_back(text);
        if (onShow) onShow();
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

std::string load(TVrFileManager& m, std::string_view name) {
    TKvMemoryStream s;
    m.LoadToStream(s, name);
    return std::string(s.bytes().begin(), s.bytes().end());
}

std::string installRecord(int diskIndex, const std::string& title) {
    // Version 103: everything up to and including FullyInstalled.
    TKvMemoryStream s;
    s.write("is103", 5);
    WriteInt(s, diskIndex);
    WriteStr(s, title);
    WriteStr(s, "a");
    WriteStr(s, "b");
    WriteStr(s, "c");
    WriteByte(s, 0);
    WriteStr(s, "d");
    WriteByte(s, 0);
    WriteInt(s, 2); // two rows of four Int64
    WriteStr(s, "e");
    WriteInt(s, 0);
    WriteByte(s, 0);
    WriteByte(s, 0);
    WriteStr(s, "f");
    WriteStr(s, "g");
    for (int i = 0; i < 2 * 4 + 4; ++i) WriteInt64(s, i);
    WriteByte(s, 0);
    WriteByte(s, 0);
    WriteInt(s, 1);
    WriteStr(s, "file.dat");
    WriteByte(s, 1);
    return std::string(s.bytes().begin(), s.bytes().end());
}

} // namespace

TEST(FileManager, SearchOrderBaseArchivesMemoryAndDiscs) {
    TempDir dir;
    dir.write("base/bg/room.png", "from base");
    dir.write("a/game.dat", rawArchive(102, {{"BG\\Room.PNG", "from a", 1}, {"only-a.txt", "A", 1}, {"both.txt", "A", 1}}));
    dir.write("b/game.dat", rawArchive(102, {{"both.txt", "B", 1}, {"only-b.txt", zlibOf("B"), 0}}));
    dir.write("cd/disc.txt", "from disc");
    FakeSystem system;
    system.roots = {dir.str() + "/cd/"};
    TVrFileManager m(&system, nullptr);
    EXPECT_EQ(m.AddArchive(""), 0);
    m.SetBaseFolder(dir.str() + "/base");
    EXPECT_EQ(m.BaseFolder(), dir.str() + "/base/");
    EXPECT_EQ(m.AddArchive(dir.str() + "/a/game.dat"), 1);
    EXPECT_EQ(m.AddArchive(dir.str() + "/b/game.dat"), 2);
    m.Archive(0).AddMemoryEntry("mem:a.png")->Data->write("memory", 6);

    EXPECT_EQ(load(m, "bg\\ROOM.png"), "from base"); // a base-folder file wins for loading
    EXPECT_EQ(load(m, "both.txt"), "A");             // the archive added first wins
    EXPECT_EQ(load(m, "ONLY-B.TXT"), "B");
    EXPECT_EQ(load(m, "mem:a.png"), "memory");
    EXPECT_EQ(load(m, "disc.txt"), "from disc");
    for (const char* name : {"both.txt", "mem:A.PNG", "disc.txt", "bg\\room.png"}) EXPECT_TRUE(m.Exists(name));
    EXPECT_FALSE(m.Exists(""));
    EXPECT_FALSE(m.Exists("nowhere.txt"));
    EXPECT_EQ(m.FindEntry("both.txt"), m.Archive(1).FindItem("both.txt"));
    try {
        load(m, "nowhere.txt");
        FAIL();
    } catch (const ENuvoError& e) {
        EXPECT_EQ(e.message(), sj("nowhere.txt:ファイルがありません"));
    }
    EXPECT_THROW(m.OpenRangeStream("nowhere.txt"), ENuvoError);

    auto range = m.OpenRangeStream("only-a.txt");
    char c = 0;
    EXPECT_EQ(range->read(&c, 1), 1);
    EXPECT_EQ(c, 'A');
    EXPECT_EQ(m.OpenRangeStream("bg\\room.png")->size(), 9);
    EXPECT_EQ(m.OpenRangeStream("disc.txt")->size(), 9);
}

TEST(FileManager, LoadingIntoAFileStreamDecompresses) {
    TempDir dir;
    dir.write("game.dat", rawArchive(102, {{"z.txt", zlibOf("zipped"), 0}}));
    TVrFileManager m(nullptr, nullptr);
    m.AddArchive(dir.str() + "/game.dat");
    {
        TFileStream out(dir.str() + "/out.txt", TFileStream::Mode::Create);
        m.LoadToStream(out, "z.txt");
    }
    EXPECT_EQ(readFile(dir.path() / "out.txt"), "zipped");
}

TEST(FileManager, LocalCopiesAreMadeOnceAndDeletedAtTheEnd) {
    TempDir dir;
    dir.write("game.dat", rawArchive(102, {{"se\\Hit.WAV", "RIFF", 1}, {"bgm.ogg", "OggS", 1}, {"bad.txt", "not zlib", 0}}));
    dir.write("base/plain.txt", "plain");
    std::string first, second;
    {
        TVrFileManager m(nullptr, nullptr);
        m.SetBaseFolder(dir.str() + "/base/");
        m.AddArchive(dir.str() + "/game.dat");
        first = m.GetLocalPath("se\\hit.wav");
        EXPECT_EQ(m.GetLocalPath("SE\\HIT.WAV"), first);
        EXPECT_EQ(std::filesystem::path(first).filename(), "~nv00000000.wav");
        EXPECT_EQ(readFile(first), "RIFF");
        EXPECT_EQ(m.Locks().size(), 1u);
        EXPECT_EQ(m.Locks()[0].Uses, 2);
        second = m.GetLocalPath("bgm.ogg");
        EXPECT_EQ(std::filesystem::path(second).filename(), "~nv00000001.ogg");
        EXPECT_EQ(m.GetLocalPath("plain.txt"), dir.str() + "/base/plain.txt");
        EXPECT_EQ(m.GetLocalPath("absent.txt"), "absent.txt");
        // A copy that cannot be completed is neither handed out nor kept.
        EXPECT_THROW(m.GetLocalPath("bad.txt"), ENuvoError);
        EXPECT_EQ(m.Locks().size(), 2u);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(first).parent_path() / "~nv00000002.txt"));
        // The copies live in a folder only this process can enter.
        EXPECT_EQ(std::filesystem::status(std::filesystem::path(first).parent_path()).permissions(),
                  std::filesystem::perms::owner_all);
        m.DropLocalCopies("bgm.ogg");
        m.DeleteTempFiles();
        EXPECT_FALSE(std::filesystem::exists(second));
        EXPECT_EQ(m.GetLocalPath("bgm.ogg").substr(first.size() - 15), "~nv00000003.ogg");
    }
    EXPECT_FALSE(std::filesystem::exists(first));
}

TEST(FileManager, ListFolderCollectsArchiveAndDiskNames) {
    TempDir dir;
    dir.write("game.dat", rawArchive(102, {{"bgm\\a.ogg", "", 1}, {"top.txt", "", 1}, {"bgm\\sub\\deep.ogg", "", 1}}));
    dir.write("base/BGM/b.ogg", "b");
    dir.write("base/BGM/sub/x.ogg", "x");
    dir.write("base/top.txt", "t");
    TVrFileManager m(nullptr, nullptr);
    m.SetBaseFolder(dir.str() + "/base");
    m.AddArchive(dir.str() + "/game.dat");
    std::vector<std::string> list;
    m.ListFolder("bgm\\", list);
    EXPECT_EQ(list, (std::vector<std::string>{"bgm\\a.ogg", "bgm\\b.ogg"}));
    list.clear();
    m.ListFolder("", list);
    EXPECT_EQ(list, (std::vector<std::string>{"top.txt", "top.txt"}));
}

TEST(ArchiveNames, SplitFolderWalksCharacters) {
    struct Case {
        std::string name, folder;
    } cases[] = {
        {"", ""},
        {"a.png", ""},
        {"bg\\a.png", "bg\\"},
        {"bg\\sub\\a.png", "bg\\sub\\"},
        {"mem:x.png", ""},
        {"c:\\x\\y.png", "c:\\x\\"},
        {"c:y.png", "c:"},
        {"\\a:b", "\\a:"},
        {sj("ソa.png"), ""},             // 0x5C as a second byte is no separator
        {sj("表\\ソ.png"), sj("表\\")},
        {sj("ソ\\表"), sj("ソ\\")},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitFolder(c.name), c.folder) << sjisToUtf8(c.name);
    EXPECT_EQ(FileExtension(sj("a.b\\ソ")), "");
    EXPECT_EQ(FileExtension("dir.x\\file.Wav"), ".Wav");
}

TEST(FileManager, NamesWithTrailByte5CFindTheirFiles) {
    TempDir dir;
    dir.write("base/ソ/表.txt", "utf8 on disk");
    dir.write("game.dat", rawArchive(102, {{sj("ソ\\表.txt"), "in archive", 1}}));
    TVrFileManager m(nullptr, nullptr);
    m.SetBaseFolder(dir.str() + "/base");
    m.AddArchive(dir.str() + "/game.dat");
    EXPECT_EQ(load(m, sj("ソ\\表.txt")), "utf8 on disk");
    std::vector<std::string> list;
    m.ListFolder(sj("ソ\\"), list);
    // The archive's name and the disk's (the check for duplicates looks at bare names only).
    EXPECT_EQ(list, (std::vector<std::string>{sj("ソ\\表.txt"), sj("ソ\\表.txt")}));
}

TEST(FileManager, InstallRecordReadsItsFields) {
    TNuvoInstallSet set;
    TKvMemoryStream s;
    const std::string bytes = installRecord(1, "Title");
    s.write(bytes.data(), int64_t(bytes.size()));
    s.setPosition(0);
    set.LoadFromStream(s);
    EXPECT_EQ(set.Version, 103);
    EXPECT_EQ(set.DiskIndex, 1);
    EXPECT_EQ(set.TitleId, "Title");
    EXPECT_TRUE(set.FullyInstalled);
    EXPECT_EQ(s.position(), s.size());
    // Without "is" it is version 0 from byte 0; cut short it raises.
    TKvMemoryStream old;
    WriteInt(old, 0);
    WriteStr(old, "Old");
    for (int i = 0; i < 4; ++i) WriteStr(old, "");
    old.write("\0\0", 2);
    WriteInt(old, 0);
    WriteStr(old, "");
    WriteInt(old, 0);
    old.write("\0\0", 2);
    WriteStr(old, "");
    WriteStr(old, "");
    for (int i = 0; i < 4; ++i) WriteInt(old, 0);
    WriteByte(old, 0);
    old.setPosition(0);
    set.LoadFromStream(old);
    EXPECT_EQ(set.Version, 0);
    EXPECT_EQ(set.TitleId, "Old");
    EXPECT_FALSE(set.FullyInstalled);
    TKvMemoryStream cut(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 40));
    EXPECT_THROW(set.LoadFromStream(cut), ENuvoError);
}

TEST(FileManager, AskForDiskMountsTheRightDiscOrGivesUp) {
    TempDir dir;
    dir.write("cd1/GAME.DAT", rawArchive(102, {{"d1.txt", "one", 1}}));
    dir.write("cd1/install.dat", installRecord(0, "Title"));
    dir.write("cd2/game.dat", rawArchive(102, {{"d2.txt", "two", 1}}));
    dir.write("cd2/install.dat", installRecord(1, "Title"));
    FakeSystem system;
    system.roots = {dir.str() + "/cd1/", dir.str() + "/cd2/"};
    ScriptedDialogs dialogs;
    TVrFileManager m(&system, &dialogs);
    m.Prompt().titleId = "Title";
    bool quit = false;
    m.Prompt().requestQuit = [&] { quit = true; };

    EXPECT_TRUE(m.MountDisk(0));
    EXPECT_EQ(m.ArchiveCount(), 1);
    // Asking for disk 2 drops disc archives first; the first OK finds disk 2.
    dialogs.answers = {platform::MessageResult::Ok};
    EXPECT_TRUE(m.AskForDisk(2));
    EXPECT_EQ(dialogs.shown[0], sj("ディスク2を入れてから[OK]をクリックしてください"));
    ASSERT_EQ(m.ArchiveCount(), 1);
    EXPECT_TRUE(m.Exists("d2.txt"));
    EXPECT_FALSE(m.Exists("d1.txt"));

    // Disk 3 is nowhere: OK asks again, Cancel then Cancel goes back, then
    // Cancel and OK gives up and asks the program to stop.
    dialogs.shown.clear();
    dialogs.answers = {platform::MessageResult::Ok, platform::MessageResult::Cancel, platform::MessageResult::Cancel,
                       platform::MessageResult::Cancel, platform::MessageResult::Ok};
    m.Prompt().changeMedia = "%d/%s/%%";
    EXPECT_FALSE(m.AskForDisk(3));
    EXPECT_TRUE(quit);
    EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"3/%s/%", "3/%s/%", sj("終了します"), "3/%s/%", sj("終了します")}));
}
