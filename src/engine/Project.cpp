#include "engine/Project.h"

#include "archive/InstallSet.h"
#include "archive/VrFileManager.h"
#include "base/Cp932.h"
#include "base/Error.h"
#include "base/StreamIO.h"
#include "engine/CallMan.h"
#include "engine/EngineMessages.h"
#include "engine/ProgramContext.h"
#include "engine/ProjectSetting.h"
#include "platform/FileSystem.h"
#include "platform/System.h"
#include "render/wipe/Wipe.h"
#include "script/NumberText.h"
#include "script/ParamCollection.h"

#include <filesystem>
#include <system_error>

namespace nuvo {

using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageResult;

TProject::TProject(TProgramContext& context)
    : Title(engineText(EngineText::Information)), Messages{engineText(EngineText::ChangeMedia),
                                                           engineText(EngineText::ExitMessage)},
      context_(context) {
    context_.Project = this;
}

TProject::~TProject() {
    // ---- teardown: the exit page (the interpreter) ----
    try {
        RunExitPage();
    } catch (const ENuvoError&) {
        // Nobody is left to show it.
    }
    // Writing the status record comes with the save file.
    CallMan.reset();
    if (context_.Project == this) context_.Project = nullptr;
}

// ---- the interpreter's part: stepping and the exit page ----

void TProject::Step() {
    if (CallMan) CallMan->Run();
}

void TProject::RunExitPage() {
    if (exitPageRun_ || !CallMan || ExitPage.empty()) return;
    exitPageRun_ = true;
    CallMan->Start(ExitPage);
    context_.QuitRequested = false;
    try {
        CallMan->Run();
    } catch (...) {
        context_.QuitRequested = true;
        throw;
    }
    context_.QuitRequested = true;
}

void TProject::Create() {
    // 1. Nothing counts as loaded until the last step.
    context_.QuitRequested = true;

    // 2. A player started without a data folder runs from its installation.
    if (context_.Args.empty() && !FindInstalledData()) return;

    // 3. The project file; nowhere to be found stops silently.
    TKvMemoryStream stream;
    try {
        context_.Files->LoadToStream(stream, "nuvo.npb");
    } catch (const ENuvoError&) {
        context_.ReportLine("no project file nuvo.npb in the title's data; nothing to run");
        return;
    }
    if (stream.size() == 0) {
        context_.ShowMessage(engineText(EngineText::NoProject), engineText(EngineText::Warning), MessageButtons::Ok,
                             MessageIcon::Warning);
        return;
    }

    // 4. An unsupported version raises; main-window creation shows it.
    TProjectSetting setting;
    setting.LoadFromStream(stream);

    // 5.
    applySetting(setting);

    // 6. and 7. What the save file keeps for the player.
    restoreStatus();
    copySaveEntries();

    // 8. Variables restored in 6 keep their values.
    defineProjectVariables(setting);

    // 9.
    context_.QuitRequested = false;

    // 10.
    BuildSaveTitles();

    // 11.
    useOriginalFolderDisks();

    // 12.
    startTitle();
}

void TProject::applySetting(const TProjectSetting& s) {
    Title = s.Title;
    if (context_.SetCaption) context_.SetCaption(Title);
    ScreenWidth = s.ScreenWidth;
    ScreenHeight = s.ScreenHeight;
    FullScreenWidth = s.FullScreenWidth;
    FullScreenHeight = s.FullScreenHeight;
    StartPage = s.StartPage;
    ExitPage = s.ExitPage;
    RegistryKey = s.RegistryKey;
    ImageSeed = s.ImageSeed;
    SaveStatus = s.SaveStatus;
    YieldBetweenFrames = s.YieldBetweenFrames;
    NoPromptExtensions = s.NoPromptExtensions;
    PauseWhenInactive = s.PauseWhenInactive;
    ShowToolbar = s.ShowToolbar;
    Messages = s.Messages;
    FolderDisks = s.FolderDisks;
    if (context_.Wipes) context_.Wipes->SetDefaultParams(WP_ZOOMIN, ScreenWidth / 2, ScreenHeight / 2);

    // The disk prompts of the file manager speak with the project's words.
    auto& prompt = context_.Files->Prompt();
    prompt.changeMedia = Messages[0];
    prompt.exitMessage = Messages[1];
    prompt.caption = Title;
    prompt.titleId = Title;
    if (!prompt.requestQuit) prompt.requestQuit = [this] { context_.Quit(); };
}

// ---- installed data ---------------------------------------------------------

bool TProject::FindInstalledData() {
    TVrFileManager& files = *context_.Files;
    const std::string exeFolder = context_.System ? context_.System->ExecutableFolder() : std::string();
    const std::string localInstall = platform::joinPath(exeFolder, "install.dat");
    if (!exeFolder.empty() && platform::isFile(localInstall) && files.BaseFolder().empty())
        files.SetBaseFolder(exeFolder);
    if (!files.Exists("install.dat")) {
        context_.ShowMessage(engineText(EngineText::Reinstall), engineText(EngineText::Information), MessageButtons::Ok,
                             MessageIcon::Information);
        return false;
    }
    TKvMemoryStream stream;
    files.LoadToStream(stream, "install.dat");
    TNuvoInstallSet install;
    install.LoadFromStream(stream);

    const std::string localArchive = platform::joinPath(exeFolder, "game.dat");
    if (!exeFolder.empty() && platform::isFile(localArchive)) {
        files.AddArchive(localArchive);
        if (install.FullyInstalled) return true;
    } else if (files.ArchiveCount() > 1 && install.FullyInstalled) {
        // Archive 0 is the in-memory one; another holds the title (one
        // appended to the program, or given by the installer).
        return true;
    }
    return discSearch(install.TitleId);
}

bool TProject::discSearch(const std::string& titleId) {
    for (;;) {
        const std::vector<std::string> roots =
            context_.System ? context_.System->CdRoots() : std::vector<std::string>();
        for (const std::string& root : roots) {
            const std::string archive = platform::joinPath(root, "game.dat");
            const std::string installFile = platform::joinPath(root, "install.dat");
            if (!platform::isFile(archive) || !platform::isFile(installFile)) continue;
            TNuvoInstallSet disc;
            try {
                disc.LoadFromFile(installFile);
            } catch (const ENuvoError&) {
                continue;
            }
            if (disc.TitleId != titleId) continue;
            context_.Files->AddArchive(archive);
            return true;
        }
        if (context_.ShowMessage(engineText(EngineText::InsertDisc), engineText(EngineText::Information),
                                 MessageButtons::OkCancel, MessageIcon::Information) == MessageResult::Ok)
            continue;
        // The project file is read only later: its exit message and title
        // still hold their defaults here.
        if (context_.ShowMessage(Messages[1], Title, MessageButtons::OkCancel, MessageIcon::Information) ==
            MessageResult::Ok)
            return false;
    }
}

// ---- the save file ------------------------------------------------------------

std::string TProject::SavePath() {
    if (!context_.SaveFolder.empty()) return platform::joinPath(context_.SaveFolder, "save.dat");
    if (!context_.Args.empty()) return platform::joinPath(context_.Args[0], "save.dat");
    if (SaveFilePathKnown) return SaveFilePath;
    namespace fs = std::filesystem;
    const std::string exeFolder = context_.System ? context_.System->ExecutableFolder() : std::string();
    if (exeFolder.empty()) raiseEngineError(EngineText::CannotCreateDataFile);

    const std::string probe = platform::joinPath(exeFolder, "save.dat.$$$");
    bool writable = false;
    try {
        TFileStream f(probe, TFileStream::Mode::Create);
    } catch (const ENuvoError&) {
    }
    writable = platform::isFile(probe);
    platform::removeFile(probe);

    std::string path;
    if (writable) {
        path = platform::joinPath(exeFolder, "save.dat");
    } else {
        std::string name = Title;
        for (size_t i = 0; i < name.size(); i += charLength(name, i))
            if (std::string_view("\\/:,;*?\"<>|").find(name[i]) != std::string_view::npos) name[i] = '_';
        const std::string folder =
            platform::joinPath(context_.System->UserDataFolder(), platform::nativeRelativeName(name));
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (name.empty() || !platform::isDirectory(folder)) raiseEngineError(EngineText::CannotCreateDataFile);
        path = platform::joinPath(folder, "save.dat");
        // A save file an older installation wrote beside the program moves along.
        const std::string old = platform::joinPath(exeFolder, "save.dat");
        if (platform::isFile(old) && !platform::isFile(path)) fs::copy_file(old, path, ec);
    }
    SaveFilePath = path;
    SaveFilePathKnown = 1;
    return path;
}

void TProject::restoreStatus() {
    TVrFileCollection save;
    save.Open(SavePath());
    if (!save.FindItem("STATUSSAVEDATA")) return;
    TKvMemoryStream stream;
    save.LoadEntry(stream, "STATUSSAVEDATA");
    ReadStatus(stream);
}

void TProject::ReadStatus(TStream& s) {
    char tag[9] = {};
    const int64_t got = s.read(tag, 9);
    int version = 0;
    if (got == 9 && std::string_view(tag, 6) == "Status") {
        version = 0;
        for (int i = 6; i < 9; ++i) {
            if (tag[i] < '0' || tag[i] > '9') {
                version = 0;
                break;
            }
            version = version * 10 + (tag[i] - '0');
        }
    } else {
        s.setPosition(0);
    }
    (void)version;
    // The status variables come first; the read marks, the picture cache's
    // status and the status tables that follow them are read by their own
    // subsystems, which hook in here when they exist.
    if (context_.Vars) context_.Vars->LoadStatusVariables(s);
}

void TProject::copySaveEntries() {
    TVrFileManager& files = *context_.Files;
    if (files.ArchiveCount() == 0) return;
    TVrFileCollection save;
    save.Open(SavePath());
    TVrFileCollection& memory = files.Archive(0);
    for (int i = 0; i < save.Count(); ++i) {
        const TVrFile& entry = *save.At(i);
        if (TVrFileCollection::IsSentinel(entry) || !sjisSameText(std::string_view(entry.Name()).substr(0, 5), "save:"))
            continue;
        const std::string name = entry.Name();
        TVrFile* copy = memory.AddMemoryEntry(name);
        try {
            copy->Data = std::make_unique<TKvMemoryStream>();
            save.ReadEntry(entry, *copy->Data);
            copy->Size = copy->Data->size();
        } catch (const ENuvoError&) {
            memory.DeleteEntry(name);
        }
    }
}

void TProject::BuildSaveTitles() {
    SaveTitles.clear();
    const std::string path = SavePath();
    if (!platform::isFile(path)) return;
    TVrFileCollection save;
    save.Open(path);
    for (int i = 0; i < save.Count(); ++i) {
        const TVrFile& entry = *save.At(i);
        const std::string& name = entry.Name();
        if (name.compare(0, 12, "GAMESAVEDATA") != 0) continue;
        const auto slot = parseInt(std::string_view(name).substr(12));
        if (!slot || *slot < 0) continue;
        try {
            TKvMemoryStream record;
            save.ReadEntry(entry, record);
            ReadIntChecked(record);
            SaveTitles.emplace_back(ReadStrChecked(record), *slot);
        } catch (const ENuvoError&) {
        }
    }
}

const std::string& TProject::GetSaveTitle(int32_t slot) const {
    static const std::string none;
    for (const auto& [caption, n] : SaveTitles)
        if (n == slot) return caption;
    return none;
}

void TProject::SetSaveTitle(int32_t slot, const std::string& caption) {
    for (auto& [text, n] : SaveTitles)
        if (n == slot) {
            text = caption;
            return;
        }
    SaveTitles.emplace_back(caption, slot);
}

// ---- variables, disks, start -------------------------------------------------

void TProject::defineProjectVariables(const TProjectSetting& setting) {
    TParamCollection* vars = context_.Vars;
    if (!vars) return;
    for (const TParamData& d : setting.Variables) {
        // No reference variable is made from a project file.
        if (d.Type < PT_INT || d.Type > PT_STR) continue;
        if (vars->Find(d.Name)) continue;
        TParamCollection::ValidateName(d.Name); // before an unnamed entry exists
        TParamCollectionItem* entry = vars->Add(d.Type);
        vars->SetName(entry, d.Name);
        entry->ExtraFlag = kProjectDefinedFlag;
        TCustomParam& v = *entry->Value();
        switch (d.Type) {
        case PT_INT:
            v.SetInteger(d.IntValue);
            break;
        case PT_FLOAT:
            v.SetFloat(d.FloatValue());
            break;
        case PT_BOOL:
            v.SetBool(d.FlagValue != 0);
            break;
        default:
            v.SetString(d.StrValue);
            break;
        }
    }
}

void TProject::useOriginalFolderDisks() {
    TVrFileManager& files = *context_.Files;
    if (!files.Exists("/original_nuvo.npb")) return;
    TKvMemoryStream stream;
    files.LoadToStream(stream, "/original_nuvo.npb");
    TProjectSetting original;
    original.LoadFromStream(stream);
    FolderDisks = original.FolderDisks;
}

void TProject::startTitle() {
    // ---- the interpreter, started on the start page ----
    CallMan = std::make_unique<TCallMan>(context_);
    if (!context_.Files->Exists(StartPage)) {
        context_.ShowMessage(engineText(EngineText::NoStartPage), engineText(EngineText::Warning), MessageButtons::Ok,
                             MessageIcon::Warning);
        context_.QuitRequested = true;
        return;
    }
    CallMan->Start(StartPage);
}

bool TProject::EnsureAvailable(std::string_view name) {
    if (name.empty()) return false;
    if (context_.Files->Exists(name)) return true;
    const int32_t disk = FolderDisks.DiskOf(name);
    if (disk <= 0) return false;
    // The extension with its dot and one more ("bg\a.png" gives ".png."); a
    // name without extension gives "." and so never prompts.
    size_t dot = std::string_view::npos;
    for (size_t i = 0; i < name.size(); i += charLength(name, i)) {
        if (name[i] == '.')
            dot = i;
        else if (name[i] == '\\')
            dot = std::string_view::npos;
    }
    const std::string ext = (dot == std::string_view::npos ? std::string() : sjisLower(name.substr(dot))) + ".";
    const std::string list = sjisLower(NoPromptExtensions) + ".";
    if (list.find(ext) != std::string::npos) return false;
    return context_.Files->AskForDisk(disk);
}

} // namespace nuvo
