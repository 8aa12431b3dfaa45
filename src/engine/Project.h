// The running title: TProject loads the project file, finds the title's data
// when the player runs from an installation, restores what the save file
// keeps for the player, defines the project's variables, and answers whether
// a file is available (asking for another disk when the folder-disk table
// says where it lies).
//
// Exactly one exists while the main window exists; the program reaches it
// through TProgramContext::Project. Creation never fails by leaving no
// object: a load that does not complete leaves QuitRequested set, upon which
// the main window closes. Only an unsupported project version (and errors
// of the later steps) propagate as errors, which main-window creation shows.
#pragma once

#include "engine/FolderDiskList.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nuvo {

class TCallMan;
class TProjectSetting;
class TStream;
struct TProgramContext;

// The ExtraFlag value that marks a variable defined by the project file (the
// player gives every other variable 0).
constexpr uint8_t kProjectDefinedFlag = 1;

class TProject {
public:
    // Registers itself as the context's project; defaults only, no loading.
    explicit TProject(TProgramContext& context);
    ~TProject();
    TProject(const TProject&) = delete;
    TProject& operator=(const TProject&) = delete;

    // The whole load, step by step (Project.cpp).
    void Create();

    // One interpreter step; the frame loop calls it once per frame.
    void Step();
    // Runs the exit page once (one interpreter pass, with QuitRequested
    // cleared for it and set again afterwards, also when the pass raises; its
    // error then propagates). The destructor does it when nobody did before,
    // dropping the error.
    void RunExitPage();

    // True when name resolves; otherwise, when its folder lies on a numbered
    // disk and its extension is not in NoPromptExtensions, the answer of the
    // disk prompt; else false.
    bool EnsureAvailable(std::string_view name);
    // The save file's native path: in the context's SaveFolder when one is
    // set, else beside the data folder given on the command line, else beside
    // the program when that folder is writable, else in a per-user folder
    // named after the title. Raises
    // "データファイルを作成することができません" when no folder can be made.
    std::string SavePath();

    // Save-slot captions by slot number.
    const std::string& GetSaveTitle(int32_t slot) const;
    void SetSaveTitle(int32_t slot, const std::string& caption);

    std::string Title;
    int32_t ScreenWidth = 0, ScreenHeight = 0, FullScreenWidth = 0, FullScreenHeight = 0;
    std::string StartPage, ExitPage, RegistryKey;
    int32_t ImageSeed = 0;
    uint8_t SaveStatus = 1;
    uint8_t YieldBetweenFrames = 1;
    std::string NoPromptExtensions = "wav.wma.ogg";
    uint8_t PauseWhenInactive = 0;
    uint8_t ShowToolbar = 1;
    int32_t PendingLoad = -1;
    int32_t PendingSave = -1;
    std::string PendingLoadPage, PendingCaption;
    int32_t PendingLoadIndex = 0;
    std::vector<std::pair<std::string, int32_t>> SaveTitles; // (caption, slot)
    TFolderDiskList FolderDisks;
    std::string SaveFilePath;
    uint8_t SaveFilePathKnown = 0;
    std::array<std::string, 2> Messages; // CHANGEMEDIA, EXIT
    // The interpreter; made by the last step of Create.
    std::unique_ptr<TCallMan> CallMan;

private:
    bool FindInstalledData();
    bool discSearch(const std::string& titleId);
    void applySetting(const TProjectSetting& setting);
    void restoreStatus();
    void ReadStatus(TStream& s);
    void copySaveEntries();
    void defineProjectVariables(const TProjectSetting& setting);
    void BuildSaveTitles();
    void useOriginalFolderDisks();
    void startTitle();

    TProgramContext& context_;
    bool exitPageRun_ = false;
};

} // namespace nuvo
