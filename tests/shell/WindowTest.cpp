// The player in a real window (SDL, with GTK dialogs), where a display is
// available (Xvfb in CI; skipped otherwise): a click reaches the script, the
// quit box appears, frames keep composing while it is open, its answers are
// obeyed, and the panel shows exactly what the headless run shows.
#include "engine/ProgramContext.h"
#include "platform/Backend.h"
#include "platform/GtkDialogs.h"
#include "platform/System.h"
#include "script/ParamCollection.h"
#include "shell/FormView.h"
#include "shell/ShellTestSupport.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

// GTK, Pango and fontconfig keep caches for the life of the process that
// the leak checker reports; ours are checked all the same.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libpango\nleak:libgtk-3.so\nleak:libgdk-3.so\nleak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\nleak:libcairo.so\nleak:libharfbuzz.so\nleak:libdbus-1.so\n";
}

namespace nuvo {
namespace {

SDL_Event mouse(Uint32 type, int x, int y) {
    SDL_Event e{};
    e.type = type;
    if (type == SDL_MOUSEMOTION) {
        e.motion.x = x;
        e.motion.y = y;
    } else {
        e.button.button = SDL_BUTTON_LEFT;
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = x;
        e.button.y = y;
    }
    return e;
}

void push(std::initializer_list<Uint32> types, int x, int y) {
    for (Uint32 type : types) {
        SDL_Event e = mouse(type, x, y);
        SDL_PushEvent(&e);
    }
}

void click(int x, int y) { push({SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}, x, y); }

// The open message box, if any.
GtkWidget* openMessageBox() {
    GtkWidget* found = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w; w = w->next)
        if (GTK_IS_MESSAGE_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data)))
            found = GTK_WIDGET(w->data);
    g_list_free(windows);
    return found;
}

// The picture of the panel after the same input, run headless.
std::vector<uint32_t> headlessPicture(const std::string& title, const std::string& saves, int32_t& w, int32_t& h) {
    platform::HeadlessOptions options;
    options.script = "3 click 10 10\n";
    auto backend = platform::createHeadlessBackend(options);
    auto system = platform::createLinuxSystem();
    TFormViewSetup setup;
    setup.Window = &backend->Window();
    setup.Clock = &backend->Clock();
    setup.Dialogs = &backend->Dialogs();
    setup.System = system.get();
    setup.Args = {title};
    setup.SaveFolder = saves;
    setup.PacingThread = false;
    TFormView view(std::move(setup));
    while (backend->FrameNumber() < 10) {
        view.PumpEvents();
        view.IdleStep();
        backend->Clock().FrameEnded();
    }
    std::vector<uint32_t> pixels;
    EXPECT_TRUE(backend->Window().ReadPresented(pixels, w, h));
    return pixels;
}

TEST(PlayerWindow, ClickQuitBoxAndThePanelsPicture) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    std::unique_ptr<platform::IBackend> backend;
    try {
        backend = platform::createSdlBackend();
    } catch (const std::exception& e) {
        GTEST_SKIP() << "the display cannot be opened: " << e.what();
    }
    std::unique_ptr<platform::GtkDialogs> gtk = platform::createGtkDialogs(true);
    if (!gtk) GTEST_SKIP() << "GTK cannot open the display";

    const std::string title = test::builtTitle("player");
    test::TempDir saves;
    auto system = platform::createLinuxSystem();
    TFormViewSetup setup;
    setup.Window = &backend->Window();
    setup.Clock = &backend->Clock();
    setup.Dialogs = gtk.get();
    setup.System = system.get();
    setup.Args = {title};
    setup.SaveFolder = saves.str();
    setup.Japanese = true;
    setup.Waker = platform::wakeGtkDialogs;

    // While a box is open: serve the frames, then answer it once frames
    // have gone on behind it.
    TFormView* view = nullptr;
    std::string boxText, boxTitle;
    int64_t framesWhenOpened = -1, framesBehindBox = 0;
    gint answer = GTK_RESPONSE_NO;
    gtk->SetWhileOpen([&] {
        view->ServeModal();
        GtkWidget* box = openMessageBox();
        if (!box) return;
        if (framesWhenOpened < 0) {
            framesWhenOpened = view->ComposedFrames();
            gchar* text = nullptr;
            g_object_get(box, "text", &text, nullptr);
            boxText = text ? text : "";
            g_free(text);
            boxTitle = gtk_window_get_title(GTK_WINDOW(box));
        }
        framesBehindBox = view->ComposedFrames() - framesWhenOpened;
        if (framesBehindBox >= 5) gtk_dialog_response(GTK_DIALOG(box), answer);
    });

    auto owned = std::make_unique<TFormView>(std::move(setup));
    view = owned.get();
    ASSERT_FALSE(view->StartupFailed()) << view->StartupError();
    EXPECT_FALSE(SDL_IsScreenSaverEnabled()) << "the screen saver is refused while the window exists";

    // Nothing may hang the test: after 30 s the window is asked to close.
    std::atomic<bool> done{false};
    std::thread guard([&] {
        for (int i = 0; i < 300 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (done) return;
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    });

    const auto var = [&](const char* name) {
        TParamCollectionItem* v = view->Vars().Find(name);
        return v ? v->Value()->AsString() : std::string("-");
    };
    view->FrameLimit = 5;
    view->RunLoop();
    EXPECT_EQ(var("clicks"), "0");
    // A click on the panel (below the 22-pixel tool bar), held for a few
    // frames as a hand holds it.
    push({SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN}, 10, 22 + 10);
    view->FrameLimit = 8;
    view->RunLoop();
    push({SDL_MOUSEBUTTONUP}, 10, 22 + 10);
    view->FrameLimit = 10;
    view->RunLoop();
    EXPECT_EQ(var("clicks"), "1");

    // The panel at scale 1 shows what the headless run shows.
    std::vector<uint32_t> shown;
    int32_t w = 0, h = 0;
    ASSERT_TRUE(backend->Window().ReadPresented(shown, w, h));
    int32_t hw = 0, hh = 0;
    test::TempDir headlessSaves;
    const std::vector<uint32_t> expected = headlessPicture(title, headlessSaves.str(), hw, hh);
    EXPECT_EQ(w, hw);
    EXPECT_EQ(h, hh);
    EXPECT_TRUE(shown == expected) << "the window's panel differs from the headless picture";
    EXPECT_EQ(shown.empty() ? 0u : shown[0], 0x00FF00u) << "green after the click";

    // "終了" on the tool bar: the quit box; No goes on.
    click(5, 10);
    const int32_t frameCount = view->Context().FrameCount;
    view->FrameLimit = frameCount + 10;
    view->RunLoop();
    EXPECT_EQ(boxTitle, "プレイヤー試験");
    EXPECT_EQ(boxText, "「プレイヤー試験」を終了しますか？");
    EXPECT_GE(framesBehindBox, 5) << "frames keep composing while the box is open";
    EXPECT_FALSE(view->CloseRequested());
    EXPECT_FALSE(view->Context().QuitRequested);
    EXPECT_GE(view->Context().FrameCount, frameCount + 10) << "the title goes on after No";

    // Yes closes.
    framesWhenOpened = -1;
    answer = GTK_RESPONSE_YES;
    click(5, 10);
    view->FrameLimit = -1;
    view->RunLoop();
    EXPECT_TRUE(view->CloseRequested());
    EXPECT_GE(framesWhenOpened, 0) << "the box was shown again";
    done = true;
    guard.join();
    owned.reset();
}

} // namespace
} // namespace nuvo
