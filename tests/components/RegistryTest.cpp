// The registry as a whole: its save record (round trip, older versions,
// damaged bytes), Reset, the rules of StartTransition, and display mode
// changes.
#include "TestComponents.h"

#include "base/Error.h"
#include "base/Stream.h"
#include "base/StreamIO.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nuvo {
namespace {

using test::TTestControl;
using test::TTestSound;

constexpr int32_t kSaveVersion = 145;

// Makes non-visual components for types whose classes are not built in yet.
TNuvoObject* createTestObject(TNuvoBaseList& registry, uint8_t type) {
    if (type == LT_SOUND) return registry.Create<TTestSound>();
    return nullptr;
}

std::vector<uint8_t> recordOf(const TNuvoBaseList& registry) {
    TKvMemoryStream s;
    registry.SaveToStream(s);
    return s.bytes();
}

size_t load(TNuvoBaseList& registry, const std::vector<uint8_t>& bytes, int32_t version) {
    TKvMemoryStream s(bytes);
    registry.LoadFromStream(s, version);
    return static_cast<size_t>(s.position());
}

// Any control the factory makes serves (a cabinet is never shown).
TNuvoControl* box(TNuvoBaseList& registry, const std::string& name, TNuvoControl* parent) {
    TNuvoControl* c = registry.CreateByType(LT_BOX)->AsControl();
    c->SetName(name);
    c->SetParent(parent);
    c->SetBounds(10, 20, 30, 40);
    return c;
}

class Registry : public ::testing::Test {
protected:
    TNuvoBaseList saved;

    void SetUp() override {
        saved.ExtraCreator = &createTestObject;
        saved.SetSize(200, 100);
        saved.ActiveIndex = 1;
        saved.Base(0)->SetColor(0x112233);
        TNuvoControl* front = box(saved, "front", saved.Base(1));
        box(saved, "inside", front)->SetOnLBtnDown("page:label");
        box(saved, "back", saved.Base(0))->SetHandleKey(true);
        auto* park = saved.CreateByType(LT_CABINET)->AsControl();
        park->SetName("park");
        park->SetParent(saved.Base(0));
        TNuvoObject* bgm = saved.CreateByType(LT_SOUND);
        bgm->SetName("bgm");
        bgm->Tag = "music";
        // Not saved: internal names, pending deletion, no type.
        saved.CreateByType(LT_SOUND)->SetName("\x01"
                                              "voice");
        saved.CreateByType(LT_SOUND)->Delete();
        saved.Create<TTestControl>(LT_NONE)->SetParent(saved.Base(1));

        TNuvoObject* inside = saved.FindByName("inside");
        TTimerData taken{"page:label", inside, PR_ONLBTNDOWN, 2, {"3", "4"}};
        saved.Events.Add(taken);
        TTimerData orphan{"timer.nsb", nullptr, PR_ONIDLE, 0, {}};
        saved.Events.Add(orphan);
        saved.RestoreFocus(static_cast<TNuvoControl*>(saved.FindByName("back")));
    }
};

TEST_F(Registry, SaveRecordRoundTrip) {
    const std::vector<uint8_t> bytes = recordOf(saved);

    TNuvoBaseList loaded;
    loaded.ExtraCreator = &createTestObject;
    box(loaded, "stale", loaded.Base(0));
    loaded.Events.Add({"stale", nullptr, PR_ONIDLE, 0, {}});
    EXPECT_EQ(load(loaded, bytes, kSaveVersion), bytes.size());
    EXPECT_EQ(recordOf(loaded), bytes);

    EXPECT_EQ(loaded.FindByName("stale"), nullptr) << "what was there before is gone";
    EXPECT_EQ(loaded.GetWidth(), 200);
    EXPECT_EQ(loaded.GetHeight(), 100);
    EXPECT_EQ(loaded.BackSurface.Width(), 200);
    EXPECT_EQ(loaded.Base(1)->Surface.Height(), 100);
    EXPECT_EQ(loaded.ActiveIndex, 1);
    EXPECT_EQ(loaded.Base(0)->GetColor(), 0x112233);
    EXPECT_EQ(loaded.Base(0)->Name(), "\x01"
                                      "BASE0");
    const TNuvoObject* inside = loaded.FindByName("inside");
    ASSERT_NE(inside, nullptr);
    EXPECT_EQ(inside->GetParent(), loaded.FindByName("front"));
    EXPECT_EQ(loaded.FindByName("front")->GetParent(), loaded.Base(1));
    EXPECT_EQ(loaded.FindByName("bgm")->Tag, "music");
    EXPECT_EQ(loaded.GetItemCount(), 5);

    ASSERT_EQ(loaded.Events.Count(), 2u);
    const TTimerData& e = loaded.Events[0];
    EXPECT_EQ(e.Handler, "page:label");
    EXPECT_EQ(e.Sender.get(), inside);
    EXPECT_EQ(e.Kind, PR_ONLBTNDOWN);
    EXPECT_EQ(e.State, 2);
    EXPECT_EQ(e.Args, (std::vector<std::string>{"3", "4"}));
    EXPECT_EQ(loaded.Events[1].Sender.get(), nullptr);

    EXPECT_EQ(loaded.FocusedControl(), loaded.FindByName("back")) << "no focus event is raised";
    for (int i : {0, 1})
        EXPECT_EQ(loaded.Base(i)->DirtyList.Rects(), (std::vector<TRect>{{0, 0, 200, 100}}));
}

// An empty base record as versions before 118 wrote it (no tag, motion,
// plus or key fields).
void writeOldBase(TStream& s, const char* name) {
    WriteStr(s, name);
    for (int i = 0; i < 2 + 6; ++i) // priority, offset; position, size, anchor
        WriteInt(s, 0);
    WriteByte(s, 0);                // PosZoomed
    for (int i = 0; i < 4; ++i)     // clip
        WriteInt(s, 0);
    WriteByte(s, 0);                // AniPaused
    WriteByte(s, 1);                // Visible
    WriteInt(s, -1);                // Color
    for (int i = 0; i < 4; ++i)     // BoundsRect
        WriteInt(s, 0);
    WriteByte(s, IM_NONE);
    for (int i = 0; i < 10; ++i)    // cursor, nine handlers
        WriteStr(s, "");
    WriteInt(s, 0);                 // children
}

TEST_F(Registry, OlderRecordsHaveByteStatesAndNoFocus) {
    TKvMemoryStream s;
    WriteInt(s, 64);
    WriteInt(s, 48);
    WriteInt(s, 0);
    writeOldBase(s, "\x01"
                    "BASE0");
    writeOldBase(s, "\x01"
                    "BASE1");
    WriteInt(s, 0); // objects
    WriteInt(s, 2); // events
    for (uint8_t state : {0, 7}) {
        WriteStr(s, "h");
        WriteStr(s, "");
        WriteByte(s, PR_ONIDLE);
        WriteByte(s, state);
        WriteInt(s, 0);
    }
    const std::vector<uint8_t> bytes = s.bytes();
    TNuvoBaseList loaded;
    EXPECT_EQ(load(loaded, bytes, 113), bytes.size());
    ASSERT_EQ(loaded.Events.Count(), 2u);
    EXPECT_EQ(loaded.Events[0].State, 0);
    EXPECT_EQ(loaded.Events[1].State, 1);
    EXPECT_EQ(loaded.GetWidth(), 64);
}

TEST_F(Registry, DamagedRecordsRaise) {
    const std::vector<uint8_t> bytes = recordOf(saved);
    for (size_t n = 0; n < bytes.size(); n += 7) {
        SCOPED_TRACE(n);
        TNuvoBaseList loaded;
        loaded.ExtraCreator = &createTestObject;
        EXPECT_THROW(load(loaded, std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n)),
                          kSaveVersion),
                     ENuvoError);
    }
    // Sizes no screen has, an active index other than 0 or 1, a type the
    // factory does not know.
    const auto patched = [&](size_t at, int32_t value) {
        std::vector<uint8_t> b = bytes;
        for (int i = 0; i < 4; ++i)
            b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
        return b;
    };
    for (const auto& [at, value] : std::vector<std::pair<size_t, int32_t>>{
             {0, 0}, {0, -5}, {4, TNuvoBaseList::kMaxSavedSide + 1}, {8, 2}, {8, -1}}) {
        SCOPED_TRACE(at);
        TNuvoBaseList loaded;
        loaded.ExtraCreator = &createTestObject;
        EXPECT_THROW(load(loaded, patched(at, value), kSaveVersion), ENuvoError);
    }
    TNuvoBaseList noClasses;
    EXPECT_THROW(load(noClasses, bytes, kSaveVersion), ENuvoError);
}

TEST_F(Registry, ResetLeavesAFreshRegistryOfTheSameSize) {
    saved.MouseMove(12, 34);
    saved.AddRClickTarget(static_cast<TNuvoControl*>(saved.FindByName("front")));
    saved.StartTransition(1, WP_FADE, false, true, 0, 100);
    TNuvoRef<TNuvoObject> front(saved.FindByName("front"));
    saved.Reset();
    EXPECT_FALSE(front);
    EXPECT_EQ(saved.GetItemCount(), 0);
    EXPECT_TRUE(saved.Events.Empty());
    EXPECT_EQ(saved.Transition(), nullptr);
    EXPECT_EQ(saved.TransitionKind, 0);
    EXPECT_EQ(saved.FocusedControl(), nullptr);
    EXPECT_EQ(saved.GetWidth(), 200);
    for (int i : {0, 1}) {
        const TNuvoBase* base = saved.Base(i);
        EXPECT_EQ(base->GetColor(), 0) << "fresh bases";
        EXPECT_EQ(base->GetChildCount(), 0);
        EXPECT_EQ(base->Surface.Width(), 200);
        EXPECT_EQ(base->MouseX, 12);
        EXPECT_EQ(base->MouseY, 34);
    }
}

TEST_F(Registry, StartTransitionRules) {
    TNuvoBaseList r;
    r.ExtraCreator = &createTestObject;
    r.SetSize(40, 30);
    TNuvoControl* c = box(r, "c", r.Base(0));
    c->SetHandleKey(true);
    r.RestoreFocus(c);
    r.ClearDirtyLists();

    // Kind 0 only switches; the focus leaves with its base.
    EXPECT_EQ(r.StartTransition(1, WP_NONE, false, false, 0, 0), nullptr);
    EXPECT_EQ(r.ActiveIndex, 1);
    EXPECT_EQ(r.FocusedControl(), nullptr);
    EXPECT_TRUE(r.FocusDirty);
    EXPECT_TRUE(r.Base(0)->DirtyList.Rects().empty()) << "not forced: nothing to repaint";

    TCustomWipe* fade = r.StartTransition(1, WP_FADE, true, false, 25, 400);
    ASSERT_NE(fade, nullptr);
    EXPECT_EQ(fade->Duration, 400);
    EXPECT_EQ(fade->Elapsed, 25);
    EXPECT_TRUE(fade->Reverse());
    EXPECT_EQ(&fade->From(), &r.Base(1)->Surface) << "from the active base";
    EXPECT_EQ(&fade->To(), &r.Base(0)->Surface);
    EXPECT_EQ(&fade->Dest(), &r.BackSurface);
    EXPECT_EQ(r.TransitionDuration(), 400);
    for (int i : {0, 1})
        EXPECT_EQ(r.Base(i)->DirtyList.Rects(), (std::vector<TRect>{{0, 0, 40, 30}}));

    // While one runs, an unforced start only sets the kind and the time.
    EXPECT_EQ(r.StartTransition(1, WP_BLINDH, false, false, 50, 10), nullptr);
    EXPECT_EQ(r.Transition(), fade);
    EXPECT_EQ(fade->Elapsed, 50);
    EXPECT_EQ(r.TransitionKind, WP_BLINDH);
    r.SetTransitionElapsed(60);
    EXPECT_EQ(fade->Elapsed, 60);

    // Forced with a kind that has no transition: the screens just switch.
    EXPECT_EQ(r.StartTransition(0, 99, false, true, 0, 100), nullptr);
    EXPECT_EQ(r.Transition(), nullptr);
    EXPECT_EQ(r.TransitionDuration(), 0);
    r.SetTransitionElapsed(5);

    // New screen sizes end a running transition (it was made for the old ones).
    ASSERT_NE(r.StartTransition(0, WP_RIPPLE, false, true, 0, 100), nullptr);
    r.SetSize(80, 60);
    EXPECT_EQ(r.Transition(), nullptr);
    r.SetTransitionElapsed(50);
    r.Paint();
}

class TSurfaceHost : public IBaseListHost {
public:
    std::vector<std::string> Calls;
    void ReleasePictures() override { Calls.push_back("release"); }
    void RestorePictures() override { Calls.push_back("restore"); }
    void SoundEnabledChanged(bool on) override { Calls.push_back(on ? "sound on" : "sound off"); }
};

TEST_F(Registry, DisplayModeChangesAndSound) {
    TSurfaceHost host;
    saved.Host = &host;
    saved.StartTransition(1, WP_FADE, false, true, 0, 100);
    saved.ClearDirtyLists();
    saved.ReleaseSurfaces();
    EXPECT_EQ(saved.Transition(), nullptr);
    EXPECT_TRUE(saved.BackSurface.IsEmpty());
    EXPECT_TRUE(saved.Base(0)->Surface.IsEmpty());
    saved.Paint(); // nothing to draw into: draws nothing
    saved.RestoreSurfaces();
    EXPECT_EQ(saved.BackSurface.Width(), 200);
    EXPECT_EQ(saved.Base(1)->Surface.Height(), 100);
    EXPECT_EQ(saved.Base(1)->DirtyList.Rects(), (std::vector<TRect>{{0, 0, 200, 100}}));
    EXPECT_TRUE(saved.SoundEnabled());
    saved.SetSoundEnabled(false);
    EXPECT_FALSE(saved.SoundEnabled());
    EXPECT_EQ(host.Calls, (std::vector<std::string>{"release", "restore", "sound off"}));
}

} // namespace
} // namespace nuvo
