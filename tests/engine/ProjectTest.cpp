// Creating the project: the steps in order, the stops and their messages,
// the save file's part, the installed-data search and EnsureAvailable.
#include "engine/Project.h"
#include "archive/VrFileCollection.h"
#include "archive/VrFileManager.h"
#include "base/BigStream.h"
#include "base/Error.h"
#include "base/StreamIO.h"
#include "engine/Page.h"
#include "engine/ProgramContext.h"
#include "engine/ProjectSetting.h"
#include "platform/Dialogs.h"
#include "platform/System.h"
#include "render/wipe/Wipe.h"
#include "script/ParamCollection.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <deque>

using namespace nuvo;
using nuvo::test::sj;
using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageResult;

namespace {

class RecordingDialogs : public platform::IDialogs {
public:
    struct Shown {
        std::string text, caption;
        MessageButtons buttons;
        MessageIcon icon;
    };
    std::vector<Shown> shown;
    std::deque<MessageResult> answers; // Ok once they run out

    MessageResult MessageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                             MessageIcon icon) override {
        shown.push_back({text, caption, buttons, icon});
        if (answers.empty()) return MessageResult::Ok;
        const MessageResult a = answers.front();
        answers.pop_front();
        return a;
    }
};

class FakeSystem : public platform::ISystem {
public:
    std::string exeFolder;
    bool IsOnCdRom(const std::string&) override { return false; }
    std::vector<std::string> CdRoots() override { return {}; }
    std::unique_ptr<platform::INamedLock> TryLock(const std::string&) override { return nullptr; }
    std::string ExecutablePath() override { return exeFolder + "player"; }
    std::string ExecutableFolder() override { return exeFolder; }
    std::string ConfigFolder() override { return exeFolder; }
    std::string UserDataFolder() override { return exeFolder; }
    bool OpenDocument(const std::string&) override { return false; }
};

std::string bytesOf(const TKvMemoryStream& s) { return std::string(s.bytes().begin(), s.bytes().end()); }

TParamData variable(uint8_t type, const char* name) {
    TParamData d;
    d.Type = type;
    d.Name = name;
    return d;
}

TProjectSetting sampleProject() {
    TProjectSetting p;
    p.Title = sj("題名");
    p.ScreenWidth = 641;
    p.ScreenHeight = 481;
    p.StartPage = "start.nsb";
    p.SaveStatus = 1;
    p.Messages = {"disk %d please", "quit?"};
    TParamData score = variable(1, "score");
    score.IntValue = 5;
    TParamData rate = variable(2, "rate");
    rate.SetFloatValue(0.5L);
    TParamData seen = variable(3, "seen");
    seen.FlagValue = 1;
    TParamData name = variable(4, "name");
    name.StrValue = sj("太郎");
    p.Variables = {score, rate, seen, name, variable(0, "ref"), variable(5, "five")};
    p.FolderDisks.Add("BG", 2);
    p.FolderDisks.Add("BGM", 2);
    return p;
}

// An archive file holding the given entries.
std::string archiveBytes(const std::vector<std::pair<std::string, std::string>>& entries) {
    TVrFileCollection c;
    c.Open("");
    for (const auto& [name, bytes] : entries)
        c.AddMemoryEntry(name)->Data->write(bytes.data(), static_cast<int64_t>(bytes.size()));
    TKvBigMemoryStream out;
    c.WriteArchive(out);
    const auto& b = out.Memory().bytes();
    return std::string(b.begin(), b.end());
}

// A title folder opened the way the player opens one given on the command line.
struct TitleFixture {
    test::TempDir dir;
    RecordingDialogs dialogs;
    TVrFileManager files{nullptr, &dialogs};
    TParamCollection vars;
    TWipeContext wipes;
    TProgramContext context;
    std::vector<std::string> reported;
    std::string caption;

    TitleFixture() {
        context.Wipes = &wipes;
        files.AddArchive("");
        files.SetBaseFolder(dir.str());
        context.Files = &files;
        context.Vars = &vars;
        context.Dialogs = &dialogs;
        context.Args = {dir.str()};
        context.Report = [this](const std::string& line) { reported.push_back(line); };
        context.SetCaption = [this](const std::string& title) { caption = title; };
    }
    void writeProject(const TProjectSetting& p) {
        TKvMemoryStream s;
        p.SaveToStream(s);
        dir.write("nuvo.npb", bytesOf(s));
    }
};

} // namespace

TEST(Project, CreateLoadsTheTitleAndDefinesItsVariables) {
    TitleFixture t;
    t.writeProject(sampleProject());
    t.dir.write("start.nsb", "page");
    TProject project(t.context);
    EXPECT_EQ(t.context.Project, &project);
    EXPECT_EQ(project.Title, sj("情報")); // until the file is read
    project.Create();

    EXPECT_FALSE(t.context.QuitRequested);
    EXPECT_TRUE(t.dialogs.shown.empty());
    EXPECT_EQ(project.Title, sj("題名"));
    EXPECT_EQ(t.caption, sj("題名"));
    EXPECT_EQ(project.ScreenWidth, 641);
    const std::array<int32_t, 2> zoomCentre = {320, 240}; // 641 and 481 halved toward zero
    EXPECT_EQ(t.wipes.Defaults[WP_ZOOMIN], zoomCentre);
    EXPECT_EQ(project.Messages[0], "disk %d please");
    EXPECT_EQ(t.files.Prompt().changeMedia, "disk %d please");
    EXPECT_EQ(project.FolderDisks.DiskOf("bg\\a.png"), 2);

    const auto* score = t.vars.Find("score");
    ASSERT_NE(score, nullptr);
    EXPECT_EQ(score->Value()->AsInteger(), 5);
    EXPECT_EQ(score->ExtraFlag, kProjectDefinedFlag);
    EXPECT_EQ(t.vars.Find("rate")->Value()->AsFloat(), 0.5L);
    EXPECT_TRUE(t.vars.Find("seen")->Value()->AsBool());
    EXPECT_EQ(t.vars.Find("name")->Value()->AsString(), sj("太郎"));
    EXPECT_EQ(t.vars.Find("ref"), nullptr); // no reference comes from a project file
    EXPECT_EQ(t.vars.Find("five"), nullptr);
}

TEST(Project, TheSaveFileRestoresStatusCopiesSaveEntriesAndListsSlots) {
    TitleFixture t;
    t.writeProject(sampleProject());
    t.dir.write("start.nsb", "page");

    // A status variable "score" that the project also defines.
    TParamCollection saved;
    auto* score = saved.Add(PT_INT);
    saved.SetName(score, "score");
    score->IsStatus = 1;
    score->Value()->SetInteger(99);
    TKvMemoryStream status;
    status.write("Status103", 9);
    saved.SaveStatusVariables(status);
    auto gameSave = [](const std::string& caption) {
        TKvMemoryStream s;
        WriteInt(s, 145);
        WriteStr(s, caption);
        return bytesOf(s);
    };
    t.dir.write("save.dat", archiveBytes({{"STATUSSAVEDATA", bytesOf(status)},
                                          {"SAVE:notes.txt", "kept"},
                                          {"GAMESAVEDATA0", gameSave("first")},
                                          {"GAMESAVEDATA12", gameSave("twelfth")},
                                          {"GAMESAVEDATA-1", gameSave("negative")},
                                          {"GAMESAVEDATAx", gameSave("not a slot")},
                                          {"gamesavedata3", gameSave("letter case")}}));
    // A table that replaces the project's folder-disk table.
    TProjectSetting original;
    original.FolderDisks.Add("MOVIE", 4);
    TKvMemoryStream originalBytes;
    original.SaveToStream(originalBytes);
    t.files.Archive(0).AddMemoryEntry("/original_nuvo.npb")->Data->write(originalBytes.memory(), originalBytes.size());

    TProject project(t.context);
    project.Create();
    ASSERT_FALSE(t.context.QuitRequested);
    EXPECT_EQ(t.vars.Find("score")->Value()->AsInteger(), 99); // the restored value stays
    EXPECT_EQ(t.vars.Find("score")->IsStatus, 1);
    EXPECT_TRUE(t.files.Exists("save:notes.txt"));
    TKvMemoryStream notes;
    t.files.LoadToStream(notes, "save:notes.txt");
    EXPECT_EQ(bytesOf(notes), "kept");
    ASSERT_EQ(project.SaveTitles.size(), 2u);
    EXPECT_EQ(project.GetSaveTitle(0), "first");
    EXPECT_EQ(project.GetSaveTitle(12), "twelfth");
    EXPECT_EQ(project.GetSaveTitle(3), "");
    EXPECT_EQ(project.FolderDisks.DiskOf("movie\\a.mpg"), 4);
    EXPECT_EQ(project.FolderDisks.DiskOf("bg\\a.png"), 0);
    EXPECT_EQ(project.SavePath(), t.dir.str() + "/save.dat");
}

TEST(Project, StopsAndTheirMessages) {
    {
        SCOPED_TRACE("no project file: a silent stop, one line for the terminal");
        TitleFixture t;
        TProject project(t.context);
        project.Create();
        EXPECT_TRUE(t.context.QuitRequested);
        EXPECT_TRUE(t.dialogs.shown.empty());
        EXPECT_EQ(t.reported.size(), 1u);
    }
    {
        SCOPED_TRACE("an empty project file");
        TitleFixture t;
        t.dir.write("nuvo.npb", "");
        TProject project(t.context);
        project.Create();
        EXPECT_TRUE(t.context.QuitRequested);
        ASSERT_EQ(t.dialogs.shown.size(), 1u);
        EXPECT_EQ(t.dialogs.shown[0].text, sj("プロジェクトがありません"));
        EXPECT_EQ(t.dialogs.shown[0].caption, sj("警告"));
        EXPECT_EQ(t.dialogs.shown[0].icon, MessageIcon::Warning);
    }
    {
        SCOPED_TRACE("a version the player does not read");
        TitleFixture t;
        TProjectSetting p = sampleProject();
        p.Version = 116;
        TKvMemoryStream s;
        p.SaveToStream(s);
        s.memory()[0] = 117;
        t.dir.write("nuvo.npb", bytesOf(s));
        TProject project(t.context);
        try {
            project.Create();
            FAIL() << "version 117 loaded";
        } catch (const ENuvoError& e) {
            EXPECT_EQ(e.message(), sj("このバージョンには対応していません"));
        }
        EXPECT_TRUE(t.context.QuitRequested);
    }
    {
        SCOPED_TRACE("no start page");
        TitleFixture t;
        t.writeProject(sampleProject());
        TProject project(t.context);
        project.Create();
        EXPECT_TRUE(t.context.QuitRequested);
        ASSERT_EQ(t.dialogs.shown.size(), 1u);
        EXPECT_EQ(t.dialogs.shown[0].text, sj("スタートページがありません"));
        EXPECT_EQ(t.dialogs.shown[0].caption, sj("警告"));
        EXPECT_EQ(t.vars.Find("score")->Value()->AsInteger(), 5); // everything before it happened
    }
}

TEST(Project, EnsureAvailablePromptsOnlyForListedFoldersAndExtensions) {
    TitleFixture t;
    t.writeProject(sampleProject());
    t.dir.write("start.nsb", "page");
    TProject project(t.context);
    project.Create();
    ASSERT_FALSE(t.context.QuitRequested);
    project.NoPromptExtensions = ".wav.wma.ogg.mid";

    EXPECT_TRUE(project.EnsureAvailable("START.NSB"));
    EXPECT_FALSE(project.EnsureAvailable(""));
    EXPECT_FALSE(project.EnsureAvailable("other\\a.png")); // not on a numbered disk
    EXPECT_FALSE(project.EnsureAvailable("bgm\\x.OGG"));   // listed extension
    EXPECT_FALSE(project.EnsureAvailable("bg\\readme"));   // no extension: "." is in every list
    EXPECT_TRUE(t.dialogs.shown.empty());

    // bg\a.png lies on disk 2: the prompt asks for it; refusing and confirming
    // the exit message gives up and stops the title.
    t.dialogs.answers = {MessageResult::Cancel, MessageResult::Ok};
    EXPECT_FALSE(project.EnsureAvailable("bg\\a.png"));
    ASSERT_EQ(t.dialogs.shown.size(), 2u);
    EXPECT_EQ(t.dialogs.shown[0].text, "disk 2 please");
    EXPECT_EQ(t.dialogs.shown[1].text, "quit?");
    EXPECT_TRUE(t.context.QuitRequested);
}

namespace {

// "install.dat" of record version 103: the title id and the installed flag
// with the fields between them left empty.
std::string installRecord(const std::string& titleId, bool fullyInstalled) {
    TKvMemoryStream s;
    s.write("is103", 5);
    WriteInt(s, 0);
    WriteStr(s, titleId);
    WriteStr(s, ""), WriteStr(s, ""), WriteStr(s, "");
    WriteByte(s, 0);
    WriteStr(s, "");
    WriteByte(s, 0);
    WriteInt(s, 0); // table rows
    WriteStr(s, "");
    for (int i = 0; i < 6; ++i)
        WriteByte(s, 0);
    WriteStr(s, ""), WriteStr(s, "");
    for (int i = 0; i < 4 * 8 + 1 + 1; ++i)
        WriteByte(s, 0);
    WriteInt(s, 0); // string list
    WriteByte(s, fullyInstalled ? 1 : 0);
    return bytesOf(s);
}

} // namespace

TEST(Project, InstalledDataSearchWithoutArguments) {
    {
        SCOPED_TRACE("no install.dat anywhere");
        TitleFixture t;
        FakeSystem system;
        system.exeFolder = t.dir.str() + "/";
        t.context.System = &system;
        t.context.Args.clear();
        t.writeProject(sampleProject());
        TProject project(t.context);
        project.Create();
        EXPECT_TRUE(t.context.QuitRequested);
        ASSERT_EQ(t.dialogs.shown.size(), 1u);
        EXPECT_EQ(t.dialogs.shown[0].text, sj("インストールし直してください"));
        EXPECT_EQ(t.dialogs.shown[0].caption, sj("情報"));
        EXPECT_EQ(t.dialogs.shown[0].icon, MessageIcon::Information);
    }
    {
        SCOPED_TRACE("fully installed: game.dat beside the program");
        test::TempDir exe;
        exe.write("install.dat", installRecord("T", true));
        TKvMemoryStream p;
        sampleProject().SaveToStream(p);
        exe.write("game.dat", archiveBytes({{"nuvo.npb", bytesOf(p)}, {"start.nsb", "page"}}));
        RecordingDialogs dialogs;
        TVrFileManager files(nullptr, &dialogs);
        files.AddArchive("");
        TParamCollection vars;
        FakeSystem system;
        system.exeFolder = exe.str() + "/";
        TProgramContext context;
        context.Files = &files;
        context.Vars = &vars;
        context.Dialogs = &dialogs;
        context.System = &system;
        TProject project(context);
        project.Create();
        EXPECT_FALSE(context.QuitRequested);
        EXPECT_EQ(files.BaseFolder(), exe.str() + "/");
        EXPECT_EQ(files.ArchiveCount(), 2);
        EXPECT_TRUE(dialogs.shown.empty());
    }
    {
        SCOPED_TRACE("not fully installed and no disc: the prompt, then the exit message");
        TitleFixture t;
        FakeSystem system;
        system.exeFolder = t.dir.str() + "/";
        t.context.System = &system;
        t.context.Args.clear();
        t.dir.write("install.dat", installRecord("T", false));
        t.dialogs.answers = {MessageResult::Ok, MessageResult::Cancel, MessageResult::Cancel, MessageResult::Cancel,
                             MessageResult::Ok};
        TProject project(t.context);
        project.Create();
        EXPECT_TRUE(t.context.QuitRequested);
        // Ok searches again; Cancel shows the exit message, whose Cancel
        // searches again and whose Ok gives up.
        ASSERT_EQ(t.dialogs.shown.size(), 5u);
        EXPECT_EQ(t.dialogs.shown[0].text, sj("ディスクを入れてください"));
        EXPECT_EQ(t.dialogs.shown[0].buttons, MessageButtons::OkCancel);
        EXPECT_EQ(t.dialogs.shown[1].text, sj("ディスクを入れてください"));
        EXPECT_EQ(t.dialogs.shown[2].text, sj("終了します"));
        EXPECT_EQ(t.dialogs.shown[2].caption, sj("情報"));
        EXPECT_EQ(t.dialogs.shown[3].text, sj("ディスクを入れてください"));
        EXPECT_EQ(t.dialogs.shown[4].text, sj("終了します"));
    }
}

TEST(Project, PagesLoadThroughTheFileManager) {
    TitleFixture t;
    bool closeAsked = false;
    t.context.RequestClose = [&] { closeAsked = true; };
    TKvMemoryStream old;
    WriteInt(old, 102);
    t.dir.write("old.nsb", bytesOf(old));
    TKvMemoryStream newer;
    WriteInt(newer, 117);
    t.dir.write("new.nsb", bytesOf(newer) + "anything");

    TPage page;
    page.LoadFromFile(t.context, "NEW.NSB"); // above 116: empty, silently
    EXPECT_EQ(page.Commands.Count(), 0);
    EXPECT_TRUE(t.dialogs.shown.empty());
    EXPECT_FALSE(t.context.QuitRequested);

    page.LoadFromFile(t.context, "old.nsb"); // below 103: the title stops
    EXPECT_TRUE(t.context.QuitRequested);
    EXPECT_TRUE(closeAsked);
    ASSERT_EQ(t.dialogs.shown.size(), 1u);
    EXPECT_EQ(t.dialogs.shown[0].text, "old.nsb\r\n" + sj("リビルドしてください"));
    EXPECT_EQ(t.dialogs.shown[0].caption, sj("警告"));

    try {
        page.LoadFromFile(t.context, "missing.nsb");
        FAIL() << "a missing page loaded";
    } catch (const ENuvoError& e) {
        EXPECT_EQ(e.message(), "missing.nsb" + sj(":ファイルがありません"));
    }
}
