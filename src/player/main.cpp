// nuvoplayer: the entry of the player program. It takes its own "--"
// options out of the command line, runs the start-up rules of the entry,
// and then either the settings dialog or the title, in a window (SDL with
// GTK dialogs) or headless (the virtual clock and the input script).
#include "base/Error.h"
#include "engine/TraceSink.h"
#include "platform/Backend.h"
#include "platform/Fonts.h"
#include "platform/GtkDialogs.h"
#include "platform/InputScript.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/System.h"
#include "shell/FormView.h"
#include "shell/PlayerOptions.h"
#include "shell/PlayerRun.h"
#include "shell/Settings.h"
#include "shell/Startup.h"
#include "shell/TreeDump.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace nuvo;

// In a build with the leak checker: the desktop libraries (GTK, Pango,
// fontconfig, D-Bus) keep caches for the life of the process, which are not
// ours to free; everything the player allocates is checked all the same.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libpango\nleak:libgtk-3.so\nleak:libgdk-3.so\nleak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\nleak:libcairo.so\nleak:libharfbuzz.so\nleak:libdbus-1.so\n";
}
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

namespace {

int settingsDialog(platform::ISystem& system) {
    const TSettingsLocation where = LocateSettings(system);
    TConfigDialogModel model(TIniFile::Load(where.readPath));
    platform::SettingsDialogContent content;
    content.caption = TConfigDialogModel::kCaption;
    content.checkCaption = TConfigDialogModel::kCheckSoundCaption;
    content.labelCaption = TConfigDialogModel::kLabelBuffCaption;
    content.okCaption = TConfigDialogModel::kOkCaption;
    content.cancelCaption = TConfigDialogModel::kCancelCaption;
    content.minPosition = TConfigDialogModel::kTrackMin;
    content.maxPosition = TConfigDialogModel::kTrackMax;
    content.checked = model.CheckSound();
    content.position = model.TrackPosition();
    content.infoText = [&](int position) {
        model.SetTrackPosition(position);
        return model.BuffInfoText();
    };
    content.delayEnabled = [&](bool checked) {
        model.SetCheckSound(checked);
        return model.DelayControlsEnabled();
    };
    std::string error;
    if (!platform::runSettingsDialog(content, error)) {
        if (error.empty()) return kExitOk; // cancelled
        std::fprintf(stderr, "nuvoplayer: the settings dialog cannot be shown: %s\n", error.c_str());
        return kExitFailed;
    }
    model.SetCheckSound(content.checked);
    model.SetTrackPosition(content.position);
    try {
        model.ApplyOk().Save(where.writePath);
    } catch (const ENuvoError& e) {
        std::fprintf(stderr, "nuvoplayer: %s: %s\n", where.writePath.c_str(), e.what());
        return kExitFailed;
    }
    return kExitOk;
}

std::string readTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EPlayerOptionError("the input script " + path + " cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Writes a dump at the end of the run. The window is being torn down then:
// a dump that cannot be written is told and fails the run (exit 1) instead
// of escaping from the teardown.
template <class Write> void writeDump(bool& failed, Write&& write) {
    try {
        write();
    } catch (const ENuvoError& e) {
        std::fprintf(stderr, "nuvoplayer: %s\n", e.what());
        failed = true;
    }
}

// What both ways of running share. dumpFailed is set when a dump could not
// be written.
TFormViewSetup commonSetup(const TPlayerOptions& options, platform::ISystem& system, platform::IFontCatalog* fonts,
                           bool& dumpFailed) {
    TFormViewSetup setup;
    setup.System = &system;
    setup.Fonts = fonts;
    setup.Args = options.Args;
    setup.SettingsPath = LocateSettings(system).readPath;
    setup.SaveFolder = options.SaveDir;
    if (!options.SaveDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options.SaveDir, ec);
    }
    setup.Japanese = platform::primaryLanguageIsJapanese();
    setup.SoundFont = options.SoundFont;
    if (!options.TraceFile.empty()) setup.Trace = TTraceSink::OpenFile(options.TraceFile);
    if (!options.DumpVarsFile.empty()) {
        const std::string path = options.DumpVarsFile;
        setup.BeforeVariablesFreed = [path, &dumpFailed](const TParamCollection& vars) {
            writeDump(dumpFailed, [&] { WriteVariableDump(vars, path); });
        };
    }
    if (!options.DumpTreeFile.empty()) {
        const std::string path = options.DumpTreeFile;
        setup.BeforeRegistryFreed = [path, &dumpFailed](const TNuvoBaseList& registry) {
            writeDump(dumpFailed, [&] { WriteTreeDump(registry, path); });
        };
    }
    return setup;
}

int runHeadless(const TPlayerOptions& options, platform::ISystem& system) {
    // Without a person to answer the "reinstall" box, say it plainly.
    if (options.Args.empty() && !TitleBesideProgram(system)) {
        std::fprintf(stderr, "nuvoplayer: no data folder given and no title installed beside the program (%s)\n",
                     system.ExecutableFolder().c_str());
        return kExitFailed;
    }
    platform::HeadlessOptions headless;
    if (!options.InputFile.empty()) {
        headless.script = readTextFile(options.InputFile);
        headless.scriptName = options.InputFile;
    }
    headless.frameMs = options.StepMs;
    headless.audioWav = options.AudioWav;
    if (options.Date) headless.startTime = *options.Date;
    std::unique_ptr<platform::IBackend> backend;
    try {
        backend = platform::createHeadlessBackend(headless);
    } catch (const platform::EInputScriptError& e) {
        std::fprintf(stderr, "nuvoplayer: %s: %s\n", options.InputFile.c_str(), e.what());
        return kExitUsage;
    }
    if (!options.ShotsDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options.ShotsDir, ec);
        if (!std::filesystem::is_directory(options.ShotsDir)) {
            std::fprintf(stderr, "nuvoplayer: the screenshot folder %s cannot be made\n", options.ShotsDir.c_str());
            return kExitFailed;
        }
    }
    auto fonts = platform::createFontconfigCatalog();
    bool dumpFailed = false;
    TFormViewSetup setup = commonSetup(options, system, fonts.get(), dumpFailed);
    setup.Window = &backend->Window();
    setup.Clock = &backend->Clock();
    setup.Dialogs = &backend->Dialogs();
    setup.Audio = &backend->Audio();
    platform::TMidiLog midiLog;
    if (!options.MidiLog.empty()) setup.MidiLog = &midiLog;
    setup.PacingThread = false;
    // Only the bundled faces, so a machine's fonts never change a picture.
    setup.MakeFontEngine = [] {
        platform::FontEngineSetup fontSetup;
        fontSetup.ownConfiguration = true;
        return platform::createFontEngine(fontSetup);
    };
    auto view = std::make_unique<TFormView>(std::move(setup));
    if (view->StartupFailed()) {
        const std::string why = view->StartupError();
        view.reset();
        if (!why.empty()) std::fprintf(stderr, "nuvoplayer: %s\n", why.c_str());
        return kExitFailed;
    }
    int code = RunHeadlessFrames(*view, *backend, options);
    view.reset();
    // What was heard and sent, up to the last frame's end.
    try {
        backend->Finish();
        if (!options.MidiLog.empty()) {
            const std::string text = midiLog.Text();
            platform::writeFileAtomic(options.MidiLog, text.data(), text.size());
        }
    } catch (const ENuvoError& e) {
        std::fprintf(stderr, "nuvoplayer: %s\n", e.what());
        if (code == kExitOk) code = kExitFailed;
    }
    return dumpFailed && code == kExitOk ? static_cast<int>(kExitFailed) : code;
}

int runDesktop(const TPlayerOptions& options, platform::ISystem& system) {
    std::unique_ptr<platform::IBackend> backend;
    try {
        backend = platform::createSdlBackend();
    } catch (const platform::ENoDisplay&) {
        std::fprintf(stderr, "nuvoplayer: no display to open a window on; --headless runs without one\n");
        return kExitFailed;
    } catch (const ENuvoError& e) {
        std::fprintf(stderr, "nuvoplayer: no window can be opened (%s); --headless runs without one\n", e.what());
        return kExitFailed;
    }
    const bool japanese = platform::primaryLanguageIsJapanese();
    std::unique_ptr<platform::GtkDialogs> gtk = platform::createGtkDialogs(japanese);
    auto fonts = platform::createFontconfigCatalog();
    bool dumpFailed = false;
    TFormViewSetup setup = commonSetup(options, system, fonts.get(), dumpFailed);
    setup.Window = &backend->Window();
    setup.Clock = &backend->Clock();
    setup.Audio = &backend->Audio();
    setup.AlsaPorts = true;
    setup.MakeFontEngine = [] { return platform::createFontEngine({}); };
    // Without GTK (no display for it) the backend's own boxes serve.
    setup.Dialogs = gtk ? static_cast<platform::IDialogs*>(gtk.get()) : &backend->Dialogs();
    if (gtk) setup.Waker = platform::wakeGtkDialogs;
    TFormView* current = nullptr;
    if (gtk) gtk->SetWhileOpen([&current] {
            if (current) current->ServeModal();
        });
    auto view = std::make_unique<TFormView>(std::move(setup));
    current = view.get();
    int code = kExitOk;
    if (view->StartupFailed()) {
        if (!view->StartupError().empty()) std::fprintf(stderr, "nuvoplayer: %s\n", view->StartupError().c_str());
        code = kExitFailed;
    } else {
        view->FrameLimit = options.Frames;
        view->RunLoop();
    }
    current = nullptr;
    view.reset();
    return dumpFailed && code == kExitOk ? static_cast<int>(kExitFailed) : code;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    TPlayerOptions options;
    try {
        options = ParsePlayerOptions(arguments);
    } catch (const EPlayerOptionError& e) {
        std::fprintf(stderr, "nuvoplayer: %s\n\n%s", e.what(), PlayerUsage());
        return kExitUsage;
    }
    if (options.Help) {
        std::fputs(PlayerUsage(), stdout);
        return kExitOk;
    }
    if (options.Version) {
        std::printf("%s\n", cli::versionLine("nuvoplayer").c_str());
        return kExitOk;
    }
    options.Args = TitleArguments(options.Args);
    TWatchdog watchdog(options.TimeoutSeconds);
    auto system = platform::createLinuxSystem();
    TEntryHooks hooks;
    hooks.runSettingsDialog = [&] { return settingsDialog(*system); };
    hooks.runPlayer = [&] {
        if (!options.Args.empty() && !std::filesystem::exists(options.Args[0])) {
            std::fprintf(stderr, "nuvoplayer: %s: no such folder\n", options.Args[0].c_str());
            return static_cast<int>(kExitFailed);
        }
        try {
            return options.Headless ? runHeadless(options, *system) : runDesktop(options, *system);
        } catch (const EPlayerOptionError& e) {
            std::fprintf(stderr, "nuvoplayer: %s\n", e.what());
            return static_cast<int>(kExitUsage);
        } catch (const ENuvoError& e) {
            std::fprintf(stderr, "nuvoplayer: %s\n", e.what());
            return static_cast<int>(kExitFailed);
        }
    };
    // A headless run with its own save folder shares nothing with another
    // player on the same title; one without it must not run silently
    // beside one.
    const TGuardUse guard = !options.Headless         ? TGuardUse::Silent
                            : options.SaveDir.empty() ? TGuardUse::Report
                                                      : TGuardUse::None;
    return RunEntry(options.Args, *system, hooks, guard);
}
