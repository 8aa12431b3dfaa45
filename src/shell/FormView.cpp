#include "shell/FormView.h"

#include "archive/VrFileManager.h"
#include "base/Cp932.h"
#include "base/Error.h"
#include "base/Stream.h"
#include "components/ComponentFunctions.h"
#include "components/NuvoBaseList.h"
#include "components/ScriptWipeRandom.h"
#include "engine/Project.h"
#include "engine/ProjectPictures.h"
#include "engine/RegistryEvents.h"
#include "engine/TraceSink.h"
#include "media/MidiPortChoice.h"
#include "render/CursorImage.h"
#include "render/ScreenManager.h"
#include "render/wipe/Wipe.h"
#include "script/DBFunctions.h"
#include "script/DBManager.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"
#include "text/FontPixel.h"
#include "script/SysFuncMan.h"
#include "shell/LoopThread.h"
#include "shell/Startup.h"

#include <algorithm>

namespace nuvo {

using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageResult;

namespace {

// Sets a flag for the length of a scope.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~TFlagScope() { flag_ = old_; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& flag_;
    bool old_;
};

// What a dialog leaves of the window's events while it is open: the
// picture is kept, input belongs to the dialog.
class TModalEvents final : public platform::IWindowEvents {
public:
    explicit TModalEvents(TFormView& view) : view_(view) {}
    void CloseRequest() override { view_.CloseRequest(); }
    void RepaintRequest() override { view_.RepaintRequest(); }

private:
    TFormView& view_;
};

constexpr int32_t kInitialClientWidth = 563;
constexpr int32_t kInitialClientHeight = 425;

} // namespace

// ---- Creation ----------------------------------------------------------------------------

TFormView::TFormView(TFormViewSetup setup)
    : window_(*setup.Window), clock_(*setup.Clock), dialogs_(setup.Dialogs), system_(setup.System),
      fonts_(setup.Fonts), setup_(std::move(setup)) {
    create();
}

TFormView::~TFormView() { teardown(); }

void TFormView::create() {
    captionSjis_ = "NuvoPlayer";
    // 1. and 8. The variable table, the functions and the evaluator; the
    // script library's random numbers start from the clock.
    vars_ = std::make_unique<TParamCollection>();
    functions_ = std::make_unique<TSysFuncMan>();
    script_ = std::make_unique<ScriptContext>(*vars_, *functions_, &clock_);
    script_->SeedRandomFromClock();
    frameTime_ = clock_.Now();
    InstallSystemVariables(*vars_, *this);

    // 2. The machine settings.
    settings_ = LoadSettings(TIniFile::Load(setup_.SettingsPath));

    context_.Vars = vars_.get();
    context_.Script = script_.get();
    context_.Dialogs = dialogs_;
    context_.System = system_;
    context_.Audio = setup_.Audio;
    context_.Args = setup_.Args;
    context_.SaveFolder = setup_.SaveFolder;
    context_.SetCaption = [this](const std::string& sjisTitle) {
        captionSjis_ = sjisTitle;
        if (windowOpen_) window_.SetCaption(sjisTitle);
    };
    context_.RequestClose = [this] { closeRequested_ = true; };
    trace_ = std::move(setup_.Trace);
    context_.Trace = trace_.get();
    wipes_ = std::make_unique<TWipeContext>();
    wipeRandom_ = std::make_unique<TScriptWipeRandom>(*script_);
    wipes_->Random = wipeRandom_.get();
    context_.Wipes = wipes_.get();

    // 4. and 6. The in-memory archive, the base folder and the archives.
    files_ = std::make_unique<TVrFileManager>(system_, dialogs_);
    context_.Files = files_.get();
    const int reportedBefore = context_.Reported;
    try {
        SetUpDataSources(*files_, setup_.Args, *system_);
        // 9.
        initialise();
    } catch (const ENuvoError& e) {
        startupFailed_ = true;
        startupError_ = e.what();
        context_.ShowMessage(e.message(), sjisText("警告"), MessageButtons::Ok, MessageIcon::Warning);
        context_.QuitRequested = true;
    }
    // 10. A title that did not load closes the window.
    if (context_.QuitRequested) {
        if (!startupFailed_) {
            startupFailed_ = true;
            // Only when nothing has said why already.
            if (context_.Reported == reportedBefore) startupError_ = "the title could not be started";
        }
        closeRequested_ = true;
        return;
    }
    openWindow();
}

void TFormView::initialise() {
    // 2. The panel's registry ("NuvoInitialize") and the picture cache.
    pictures_ = std::make_unique<TProjectPictures>(context_);
    bases_ = std::make_unique<TNuvoBaseList>();
    bases_->Host = this;
    bases_->Wipes = wipes_.get();
    events_ = std::make_unique<TRegistryEvents>(*bases_);
    context_.Events = events_.get();
    installComponentFunctions(*functions_, *bases_);
    // The data tables exist before the project and outlive it: its creation
    // and its exit page may use them.
    tables_ = std::make_unique<TDBManager>();
    context_.Tables = tables_.get();
    installDBFunctions(*functions_, *tables_, [this](std::string_view name, std::string& bytes) {
        if (!context_.Project || !context_.Project->EnsureAvailable(name)) return false;
        try {
            TKvMemoryStream s;
            files_->LoadToStream(s, name);
            bytes.assign(s.bytes().begin(), s.bytes().end());
            return true;
        } catch (const ENuvoError&) {
            return false;
        }
    });

    // 3. The project: its file, the save file's part, the interpreter on the
    // start page.
    project_ = std::make_unique<TProject>(context_);
    project_->Create();
    if (context_.QuitRequested) return;

    // 4. "MediaInit": the screen manager, when the title has a screen; the
    // MIDI output ports and the port chosen for the title.
    if (project_->ScreenWidth > 0 && project_->ScreenHeight > 0) {
        screen_ = std::make_unique<TScreenManager>(window_, project_->FullScreenHeight, project_->FullScreenWidth,
                                                   project_->ScreenHeight, project_->ScreenWidth);
        chosenMode_ = screen_->PreferredModeIndex();
        pictures_->Source.BitCount = screen_->ScreenBitCount();
    }
    if (setup_.Audio) {
        platform::MidiPortsSetup midi;
        midi.audio = setup_.Audio;
        midi.soundFont = platform::chooseSoundFont(setup_.SoundFont, settings_.SoundFont);
        midi.alsa = setup_.AlsaPorts;
        midi.report = [this](const std::string& line) { context_.ReportLine(line); };
        midiPorts_ = platform::createMidiPorts(midi);
        if (setup_.MidiLog) midiPorts_ = platform::loggingMidiPorts(std::move(midiPorts_), *setup_.Audio, *setup_.MidiLog);
        midiChoice_ = std::make_unique<TMidiPortChoice>(midiPorts_.get());
        context_.MidiPorts = midiPorts_.get();
        context_.MidiChoice = midiChoice_.get();
    }

    // 5. The base screens, at the title's size, drawing into the back buffer.
    if (screen_) {
        bases_->AttachScreen(&screen_->BackBuffer());
        bases_->SetSize(project_->ScreenWidth, project_->ScreenHeight);
    }

    // 10. The pacing thread (it runs from the first activation).
    if (setup_.PacingThread) {
        thread_ = std::make_unique<TLoopThread>(setup_.Waker);
        thread_->Suspend();
        thread_->Start();
    }
}

void TFormView::openWindow() {
    // 6. to 9. The tool bar as the title asks, the client area around the
    // panel, centred; the backend places the panel below the tool bar.
    platform::WindowSetup w;
    w.sjisCaption = captionSjis_;
    w.panelWidth = screen_ ? screen_->ScreenWidth() : kInitialClientWidth;
    w.panelHeight = screen_ ? screen_->ScreenHeight() : kInitialClientHeight;
    w.toolbarVisible = showsToolbar();
    window_.Open(w);
    windowOpen_ = true;
    // A window counts as active once it is shown: a bare X server without a
    // window manager may never send focus.
    Activate();
    if (screen_) screen_->PresentAll();
}

bool TFormView::showsToolbar() const { return !project_ || project_->ShowToolbar != 0; }

// ---- Teardown -----------------------------------------------------------------------------

void TFormView::teardown() {
    if (torn_) return;
    torn_ = true;
    context_.QuitRequested = true;
    // The pacing thread first: nothing may ask for frames any more.
    thread_.reset();
    // "Project.Free": the exit page runs, with everything else still there.
    project_.reset();
    if (setup_.BeforeVariablesFreed && vars_) setup_.BeforeVariablesFreed(*vars_);
    if (setup_.BeforeRegistryFreed && bases_) setup_.BeforeRegistryFreed(*bases_);
    // "SysFuncMan.Free", "ParamMan.Free".
    script_.reset();
    functions_.reset();
    context_.Script = nullptr;
    context_.Vars = nullptr;
    vars_.reset();
    // The data tables after the project and the functions that reach them.
    context_.Tables = nullptr;
    tables_.reset();
    // "NuvoFinalize": the registry and its components.
    context_.Events = nullptr;
    events_.reset();
    bases_.reset();
    // "PelkMan" after every component that showed a picture.
    pictures_.reset();
    // "MediaFinal": the screen manager, the MIDI ports.
    screen_.reset();
    context_.MidiChoice = nullptr;
    context_.MidiPorts = nullptr;
    midiChoice_.reset();
    midiPorts_.reset();
    context_.Files = nullptr;
    files_.reset();
    context_.Trace = nullptr;
    trace_.reset();
}

// ---- Frames ------------------------------------------------------------------------------------

uint32_t TFormView::now32() const { return static_cast<uint32_t>(clock_.TickMs()); }

void TFormView::Frame() {
    if (!project_ || !bases_) return;
    TFlagScope frameScope(inFrame_);
    frameTime_ = clock_.Now();
    files_->DeleteTempFiles();
    bases_->FrameDelta = context_.FrameDelta;
    bases_->TimeCounter = context_.TimeCounter;
    bases_->ProcessInput();
    // While the quit box is open QuitRequested is set: the interpreter
    // stands still, the components and the picture go on.
    const bool quitting = context_.QuitRequested;
    if (!quitting) {
        project_->Step();
        if (context_.QuitRequested) return;
    }
    bases_->Tick();
    ++context_.FrameCount;
    if (setup_.ServicePending && setup_.ServicePending(context_)) RenderSkip = 1;
    if (RenderSkip > 0) {
        --RenderSkip;
        return;
    }
    const int32_t divisor = std::max(context_.FpsDivisor, 1);
    FpsPhase = (FpsPhase + 1) % divisor;
    if (FpsPhase != 0) return;
    compose();
}

void TFormView::compose() {
    if (!screen_) return;
    bases_->Paint();
    screen_->Present(bases_->DisplayZoom, bases_->PresentRect, bases_->ActiveBase()->DirtyList.Rects());
    bases_->ClearDirtyLists();
    ++composedFrames_;
}

bool TFormView::IdleStep() {
    if (context_.QuitRequested || !loopActive_ || closeRequested_ || !screen_) return false;
    const uint32_t now = now32();
    // A pause (a blocked main thread, a stopped process) is dropped.
    if (!frameClock_.Advance(now)) return false;
    Frame();
    frameClock_.CountRate(now32(), screen_.get());
    return true;
}

void TFormView::PumpEvents() { window_.PumpEvents(*this); }

void TFormView::RunLoop() {
    const auto period = static_cast<uint32_t>(std::max(context_.FramePeriod, 1));
    while (!closeRequested_) {
        if (FrameLimit >= 0 && context_.FrameCount >= FrameLimit) break;
        PumpEvents();
        if (closeRequested_) break;
        const bool threadAsks = thread_ && thread_->TakeRequest();
        const bool ready = loopActive_ && !context_.QuitRequested && screen_;
        if (!ready) {
            // Nothing to run until the next event (an activation).
            window_.WaitEvents(250);
            continue;
        }
        const uint32_t since = frameClock_.SinceLastFrame(now32());
        // The pacing thread's wake-up counts as the period's end when it
        // comes a little early; never twice in one period.
        if (since >= period || (threadAsks && since + 2 >= static_cast<uint32_t>(TLoopThread::kPeriodMs))) {
            const uint32_t start = now32();
            IdleStep();
            clock_.FrameEnded();
            const uint32_t spent = now32() - start;
            // With YieldBetweenFrames the loop always gives the processor
            // at least 2 ms; without it, it still sleeps out the period.
            if (project_ && project_->YieldBetweenFrames) {
                const uint32_t wait = std::max<uint32_t>(2, period > spent ? period - spent : 0);
                window_.WaitEvents(static_cast<int32_t>(wait));
                continue;
            }
        }
        const uint32_t sinceNow = frameClock_.SinceLastFrame(now32());
        if (sinceNow < period) window_.WaitEvents(static_cast<int32_t>(period - sinceNow));
    }
}

void TFormView::ServeModal() {
    TModalEvents modal(*this);
    window_.PumpEvents(modal);
    if (!thread_ || !thread_->TakeRequest()) return;
    if (FullScreenSwitching || closeRequested_ || !loopActive_ || !screen_) return;
    // A dialog opened by the script itself (a disk prompt) holds its frame:
    // another frame would re-enter the interpreter, and ticks could free the
    // components the waiting command works on. The picture is composed all
    // the same.
    if (inFrame_) {
        compose();
        return;
    }
    const uint32_t now = now32();
    if (!frameClock_.Advance(now)) return;
    Frame();
    clock_.FrameEnded();
    frameClock_.CountRate(now32(), screen_.get());
}

// ---- Input ------------------------------------------------------------------------------------------

void TFormView::MouseMove(const platform::PointerEvent& e) {
    if (bases_) bases_->MouseMove(e.x, e.y);
    // In full screen the tool bar shows while the pointer touches the top edge.
    if (windowOpen_ && window_.IsFullScreen() && showsToolbar()) {
        const bool atTop = e.windowY == 0;
        if (atTop != window_.ToolbarVisible()) window_.SetToolbarVisible(atTop);
    }
}

void TFormView::MouseDown(const platform::PointerEvent& e) {
    if (!loopActive_ || !bases_) return;
    bases_->MouseDown(e.button == platform::MouseButton::Left, e.button == platform::MouseButton::Right);
}

void TFormView::MouseUp(const platform::PointerEvent&) {
    if (bases_) bases_->MouseUp();
}

void TFormView::MouseWheel(bool up) {
    if (bases_) bases_->MouseWheel(up);
}

void TFormView::KeyDown(uint8_t vk, bool repeat) {
    // A held key is one press: the window system's repeats are dropped (the
    // registry makes its own).
    if (!loopActive_ || repeat || !bases_ || vk == 0) return;
    bases_->SetKey(vk, true);
    bases_->SetRawKey(vk, true);
}

void TFormView::KeyUp(uint8_t vk) {
    if (bases_ && vk != 0) bases_->SetKey(vk, false);
}

void TFormView::Activate() {
    // The thread starts suspended and runs from the first activation; only
    // a pausing title suspends it again.
    if (thread_) thread_->Resume();
    if (!bases_) return;
    loopActive_ = true;
    frameClock_.Restart(now32());
}

void TFormView::Deactivate() {
    if (project_ && !project_->PauseWhenInactive) return;
    if (thread_) thread_->Suspend();
    if (bases_) loopActive_ = false;
}

void TFormView::ToolbarClick(platform::ToolbarButton button) {
    if (button == platform::ToolbarButton::Quit) AskQuit();
    else SetFullScreen(!IsFullScreen());
}

void TFormView::CloseRequest() {
    // Closing is never refused.
    closeRequested_ = true;
}

void TFormView::RepaintRequest() {
    if (screen_) screen_->PresentAll();
}

// ---- Window commands ------------------------------------------------------------------------------

void TFormView::AskQuit() {
    const bool previous = context_.QuitRequested;
    context_.QuitRequested = true;
    const std::string title = project_ ? project_->Title : std::string();
    const std::string text = formatSjis(
        sjisText(setup_.Japanese ? "「%s」を終了しますか？" : "Do you want to exit %s?"), {std::string_view(title)});
    const MessageResult answer = context_.ShowMessage(text, title, MessageButtons::YesNo, MessageIcon::Question);
    if (answer == MessageResult::Yes) {
        closeRequested_ = true;
        return;
    }
    context_.QuitRequested = previous;
}

bool TFormView::IsFullScreen() { return screen_ && screen_->FullScreenBuilt(); }

void TFormView::fallBackToWindow() {
    if (windowOpen_) {
        if (window_.IsFullScreen()) window_.LeaveFullScreen();
        window_.SetToolbarVisible(showsToolbar());
    }
}

void TFormView::SetFullScreen(bool full) {
    if (!screen_ || !bases_) return;
    TFlagScope switching(FullScreenSwitching);
    if (full == screen_->FullScreenBuilt()) return;
    if (full) {
        // Without a chosen mode full screen is not entered.
        if (chosenMode_ < 0 || chosenMode_ >= screen_->ModeCount()) return;
        bases_->ReleaseSurfaces();
        if (windowOpen_) window_.SetToolbarVisible(false);
        screen_->ReleaseAll();
        screen_->SetDisplayMode(chosenMode_);
        if (screen_->ModeIndex() != chosenMode_) fallBackToWindow();
    } else {
        bases_->ReleaseSurfaces();
        screen_->ReleaseAll();
        screen_->SetDisplayMode(-1);
        fallBackToWindow();
    }
    bases_->AttachScreen(&screen_->BackBuffer());
    bases_->RestoreSurfaces();
    if (screen_) screen_->PresentAll();
}

void TFormView::ApplyScreenMode() {
    if (!screen_ || !bases_ || !screen_->FullScreenBuilt() || chosenMode_ == screen_->ModeIndex()) return;
    TFlagScope switching(FullScreenSwitching);
    bases_->ReleaseSurfaces();
    screen_->SetDisplayMode(chosenMode_);
    if (screen_->ModeIndex() != chosenMode_) fallBackToWindow();
    bases_->AttachScreen(&screen_->BackBuffer());
    bases_->RestoreSurfaces();
    screen_->PresentAll();
}

void TFormView::SelectDisplayMode(int32_t index) {
    chosenMode_ = index;
    ApplyScreenMode();
}

void TFormView::SetCursorX(int32_t x) {
    if (windowOpen_ && bases_) window_.MovePointer(x, bases_->ActiveBase()->MouseY);
}

void TFormView::SetCursorY(int32_t y) {
    if (windowOpen_ && bases_) window_.MovePointer(bases_->ActiveBase()->MouseX, y);
}

bool TFormView::CGDither() { return pictures_ && pictures_->Cache.ConvertToScreenDepth(); }

void TFormView::SetCGDither(bool dither) {
    if (!pictures_ || dither == pictures_->Cache.ConvertToScreenDepth()) return;
    pictures_->Cache.SetConvertToScreenDepth(dither);
    if (!bases_) return;
    for (int i = 0; i < 2; ++i) {
        TNuvoBase* base = bases_->Base(i);
        base->AddDirtyRect(makeRect(0, 0, bases_->GetWidth(), bases_->GetHeight()));
    }
}

// ---- Hosts ------------------------------------------------------------------------------------------------

void TFormView::ShowCursor(const std::string& fileName) {
    if (!windowOpen_) return;
    if (fileName.empty() || !files_) {
        window_.SetCursor(nullptr);
        return;
    }
    try {
        TKvMemoryStream data;
        files_->LoadToStream(data, fileName);
        const auto* bytes = static_cast<const uint8_t*>(data.memory());
        const platform::CursorShape shape = DecodeCursorFile(bytes, static_cast<size_t>(data.size()));
        window_.SetCursor(&shape);
    } catch (const ENuvoError&) {
        window_.SetCursor(nullptr);
    }
}

std::string TFormView::DefaultCursor() const { return vars_ ? vars_->CursorName : std::string(); }

void TFormView::ReleasePictures() {
    if (pictures_) pictures_->Cache.ReleaseAllHardware();
}

void TFormView::RestorePictures() {
    if (!pictures_) return;
    if (screen_) pictures_->Source.BitCount = screen_->ScreenBitCount();
    pictures_->Cache.ReloadAll(true);
}

TFontPixelManager* TFormView::Glyphs() {
    if (!glyphsTried_) {
        glyphsTried_ = true;
        if (setup_.MakeFontEngine) fontEngine_ = setup_.MakeFontEngine();
        if (fontEngine_) glyphs_ = std::make_unique<TFontPixelManager>(*fontEngine_);
    }
    return glyphs_.get();
}

TPelkCollection* TFormView::PictureCache() { return pictures_ ? &pictures_->Cache : nullptr; }

platform::LocalTime TFormView::FrameLocalTime() { return frameTime_; }

std::vector<std::string> TFormView::MidiPorts() {
    return midiChoice_ ? midiChoice_->Names() : std::vector<std::string>{};
}

std::string TFormView::MidiPort() { return midiChoice_ ? midiChoice_->SelectedName() : std::string(); }

void TFormView::SetMidiPort(const std::string& name) {
    if (midiChoice_) midiChoice_->Select(name);
}

uint32_t TFormView::SystemTickMs() { return now32(); }

std::vector<std::string> TFormView::FontNames(bool fixedPitchOnly) {
    // The installed fonts are asked once per run.
    auto& cached = fontCache_[fixedPitchOnly ? 1 : 0];
    if (!cached)
        cached = ScriptFontNames(fonts_ ? fonts_->Families() : std::vector<platform::FontFace>{}, fixedPitchOnly,
                                 setup_.Japanese);
    return *cached;
}

} // namespace nuvo
