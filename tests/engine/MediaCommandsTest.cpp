// MovieStop, MediaPlay and MenuClose on a test component that plays as a
// sound does: stopping at once or with a fade-out, the wait until the
// component has gone, its state across handlers and saves, and the cases
// where nothing is stopped.
#include "base/Error.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "components/TestComponents.h"
#include "engine/Commands.h"
#include "engine/ComponentWorld.h"

#include <gtest/gtest.h>

using namespace nuvo;

namespace {

struct MediaWorld : test::World {
    test::TTestMedia* media = nullptr;
    TNuvoRef<TNuvoObject> alive;

    // A sound "bgm" of that source, playing (state 0).
    explicit MediaWorld(const std::string& source = "bgm.wav", int32_t state = 0) {
        file("bgm.wav", "RIFF");
        media = bases.Create<test::TTestMedia>();
        media->SetName("bgm");
        media->Source = source;
        media->PlayState = state;
        alive.reset(media);
    }
    // Frames until the variable is set (at most limit); the frames run.
    int framesUntil(const char* name, int limit = 20) {
        int n = 0;
        while (var(name) == "-" && n < limit) {
            frames();
            ++n;
        }
        return n;
    }
};

} // namespace

TEST(MediaCommands, MovieStopStopsAtOnceOrFadesOut) {
    // states: the play states the sound was given; frames: how long the
    // script stood at the command (1: it went on in the first frame).
    struct Case {
        const char* line;
        const char* source;
        int32_t state;
        std::vector<int32_t> states;
        int32_t delay;
        bool deleted;
        int frames;
    };
    const Case cases[] = {
        {"MovieStop {\"bgm\"} fade={0} wait={TRUE}", "bgm.wav", 0, {2}, 0, true, 1},
        {"MovieStop {\"bgm\"}", "bgm.wav", 0, {2}, 0, true, 1},
        {"MovieStop {\"bgm\"} fade={-5}", "missing.wav", 2, {2}, 0, true, 1},
        // A fade: the script waits until the sound has freed itself (in the
        // tick of the third frame) and goes on in the fourth.
        {"MovieStop {\"bgm\"} fade={500} wait={TRUE}", "bgm.wav", 0, {3}, 500, false, 4},
        {"MovieStop {\"bgm\"} fade={500} wait={TRUE}", "bgm.wav", 1, {3}, 500, false, 4},
        {"MovieStop {\"bgm\"} fade={500}", "bgm.wav", 0, {3}, 500, false, 1},
        {"MovieStop {\"bgm\"} fade={500} wait={FALSE}", "bgm.wav", 0, {3}, 500, false, 1},
        // The CD's tracks are not among the files, and need not be.
        {"MovieStop {\"bgm\"} fade={500} wait={TRUE}", "CD_02", 0, {3}, 500, false, 4},
        // Nothing stops: a source that cannot be found, a sound that does not
        // play, a name that finds nothing or no name.
        {"MovieStop {\"bgm\"} fade={500} wait={TRUE}", "missing.wav", 0, {}, 0, false, 1},
        {"MovieStop {\"bgm\"} fade={500} wait={TRUE}", "cd_02", 0, {}, 0, false, 1},
        {"MovieStop {\"bgm\"} fade={500} wait={TRUE}", "bgm.wav", 2, {}, 0, false, 1},
        {"MovieStop {\"bgm\"} fade={500} wait={TRUE}", "bgm.wav", 3, {}, 0, false, 1},
        {"MovieStop {\"other\"} fade={0} wait={TRUE}", "bgm.wav", 0, {}, 0, false, 1},
        {"MovieStop {\"\"} fade={0} wait={TRUE}", "bgm.wav", 0, {}, 0, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.line) + " on " + c.source + " playing " + std::to_string(c.state));
        MediaWorld w(c.source, c.state);
        w.start(std::string(c.line) + "\nVarNew \"after\" type=int value={1}\n");
        w.frames();
        if (c.deleted) {
            EXPECT_FALSE(w.alive);
        } else if (w.alive) {
            EXPECT_EQ(w.media->States, c.states);
            EXPECT_EQ(w.media->Delay, c.delay);
        }
        const int frames = 1 + w.framesUntil("after");
        EXPECT_EQ(frames, c.frames);
        if (c.frames > 1) {
            EXPECT_FALSE(w.alive); // the wait ended with the sound
        }
    }
}

TEST(MediaCommands, MovieStopEndsItsWaitWhenTheSoundIsDeleted) {
    // The command watches the sound, not a pointer to it: deleting it from a
    // handler ends the wait once it is freed.
    MediaWorld w;
    w.media->FadeTicks = 1000;
    w.page("h.nsb", "ObjDel {\"bgm\"}\n");
    w.start("MovieStop {\"bgm\"} fade={500} wait={TRUE}\nVarNew \"after\" type=int value={1}\n");
    w.frames(5);
    EXPECT_EQ(w.var("after"), "-");
    auto* box = w.bases.Create<test::TTestControl>();
    box->SetParent(w.bases.ActiveBase());
    box->OnIdle = "h.nsb";
    w.frames(2);
    EXPECT_FALSE(w.alive);
    EXPECT_EQ(w.var("after"), "1");
}

TEST(MediaCommands, MovieStopResumesItsWaitAfterAHandler) {
    // A handler interrupts the wait (unless the command holds events back)
    // and the wait goes on after it, on the same sound.
    for (const bool blocked : {false, true}) {
        SCOPED_TRACE(blocked ? "blocked" : "not blocked");
        MediaWorld w;
        w.media->FadeTicks = 6;
        w.page("h.nsb", "Calc {n = n + 1}\n");
        w.start("VarNew \"n\" type=int value={0}\n"
                "MovieStop {\"bgm\"} fade={500} wait={TRUE} blocked={" +
                std::string(blocked ? "TRUE" : "FALSE") + "}\nVarNew \"after\" type=int value={1}\n");
        w.frames();
        auto* box = w.bases.Create<test::TTestControl>();
        box->SetParent(w.bases.ActiveBase());
        box->OnIdle = "h.nsb";
        w.frames(3);
        EXPECT_EQ(w.var("n"), blocked ? "0" : "2");
        EXPECT_EQ(w.var("after"), "-");
        EXPECT_TRUE(w.alive);
        w.frames(3);
        EXPECT_FALSE(w.alive);
        EXPECT_EQ(w.var("after"), "1");
    }
}

TEST(MediaCommands, MovieStopStateSavedAndLoaded) {
    MediaWorld w;
    w.media->FadeTicks = 1000;
    w.start("MovieStop {\"bgm\"} fade={500} wait={TRUE} blocked={TRUE}\n");
    w.frames();
    TCommand& command = *w.cm->Page->Commands.At(0);
    auto& stop = static_cast<TComMovieStop&>(command);
    EXPECT_TRUE(command.IsWaitKind());
    EXPECT_TRUE(command.BlocksEvents());
    std::unique_ptr<TKvMemoryStream> state;
    command.SaveState(state);
    ASSERT_NE(state, nullptr);
    const std::string expected = std::string("nuvo100") + std::string("\x03\0\0\0bgm\x01\x01", 9);
    EXPECT_EQ(std::string(state->bytes().begin(), state->bytes().end()), expected);

    // Read back on a fresh command, the name finds the sound again.
    const auto load = [&](const std::string& bytes) {
        stop.TargetComponent.reset();
        stop.Waiting = stop.Blocked = 7;
        TKvMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        command.LoadState(*w.cm, s);
    };
    load(expected);
    EXPECT_EQ(stop.TargetComponent.get(), w.media);
    EXPECT_EQ(stop.Waiting, 1);
    EXPECT_EQ(stop.Blocked, 1);
    // An unknown tag reads as the oldest layout: no Blocked.
    load(std::string("nuvoXYZ") + std::string("\x03\0\0\0bgm\x01", 8));
    EXPECT_EQ(stop.TargetComponent.get(), w.media);
    EXPECT_EQ(stop.Waiting, 1);
    EXPECT_EQ(stop.Blocked, 0);
    // A name that finds nothing (or none) watches nothing.
    load(std::string("nuvo100") + std::string("\x03\0\0\0xyz\x01\x00", 9));
    EXPECT_FALSE(stop.TargetComponent);
    load(std::string("nuvo100") + std::string("\0\0\0\0\x01\x00", 6));
    EXPECT_FALSE(stop.TargetComponent);
    // Cut short anywhere, the state is broken data.
    for (size_t n = 0; n < expected.size(); ++n) {
        SCOPED_TRACE(n);
        EXPECT_THROW(load(expected.substr(0, n)), ENuvoError);
    }
    // A sound gone by the time of saving saves no name.
    load(expected);
    w.media->Delete();
    w.bases.Tick();
    state.reset();
    command.SaveState(state);
    EXPECT_EQ(std::string(state->bytes().begin(), state->bytes().end()),
              std::string("nuvo100") + std::string("\0\0\0\0\x01\x01", 6));
}

TEST(MediaCommands, MediaPlayRestartsAndMenuCloseStopsAnyObject) {
    // MenuClose sets play state 3 on whatever it finds: a sound fades out.
    MediaWorld w;
    w.start("MediaPlay {\"bgm\"}\nMediaPlay {\"\"}\nMediaPlay {\"none\"}\nMediaPlay {\"bgm\"}\n"
            "MenuClose {\"bgm\"}\nMenuClose {\"\"}\nMenuClose {\"none\"}\n");
    w.frames();
    EXPECT_EQ(w.media->Restarts, 2);
    EXPECT_EQ(w.media->States, std::vector<int32_t>{3});
}
