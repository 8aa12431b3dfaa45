// The commands that create and change components, run by the interpreter
// against a real registry: the creating kinds (kinds without a class yet,
// the expressions kept, what follows the properties) and ApplyProperties
// (order, defaults, names and parents, properties never applied), ImgNew's
// LoopWait, GetProp, SetProp, ObjDel, PropMotion, Calc, VarNew and VarDel,
// and Flip with its modes, phases, snapshot, FreeOld, saved state and Abort.
#include "components/NuvoBox.h"
#include "components/NuvoImages.h"
#include "components/NuvoMenu.h"
#include "components/NuvoPropMotion.h"
#include "components/NuvoValueControls.h"
#include "components/TestComponents.h"
#include "engine/Commands.h"
#include "engine/ComponentWorld.h"
#include "script/NuvoParser.h"

#include <gtest/gtest.h>

using namespace nuvo;

using test::World;

TEST(ComponentCommands, CreationAppliesPropertiesInOrderWithDefaults) {
    World w;
    w.start("BoxNew PR_NAME={\"b\"} PR_LEFT={3} PR_TOP={4} PR_WIDTH={10} PR_HEIGHT={5} PR_COLOR={} PR_ALPHA={} "
            "PR_VISIBLE={} PR_PLUSX={7} PR_BORDERCOLOR={}\n"
            "BoxNew PR_NAME={\"\"} PR_PARENT={\"b\"} PR_COLOR={255}\n"
            "TileNew PR_NAME={\"t\"} PR_PARENT={\"nobody\"} PR_SOURCE={\"pic.pel\"} PR_WIDTH={32} PR_HEIGHT={24}\n"
            "ImgNew PR_NAME={\"i\"} PR_SOURCE={\"pic.pel\"} PR_WIDTH={20} PR_ZOOMX={512} PR_ZOOMY={512} PR_DELAY={40}\n"
            "ImgNew PR_NAME={\"j\"} PR_SOURCE={\"pic.pel\"}\n");
    w.frames();
    auto* b = dynamic_cast<TNuvoBox*>(w.find("b"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetLeft(), 3);
    EXPECT_EQ(b->GetWidth(), 10);
    EXPECT_EQ(b->GetColor(), -1); // no value: the defaults
    EXPECT_EQ(b->GetAlpha(), 255);
    EXPECT_EQ(b->GetBorderColor(), -1);
    EXPECT_TRUE(b->GetVisible());
    EXPECT_EQ(b->GetPlusX(), 0); // never applied at creation
    EXPECT_EQ(b->GetParent(), w.bases.ActiveBase());
    // An empty name keeps the automatic one; a parent by name.
    ASSERT_EQ(b->GetChildCount(), 1);
    EXPECT_EQ(b->GetChild(0)->Name().rfind("object", 0), 0u);
    EXPECT_EQ(b->GetChild(0)->GetColor(), 255);
    // A parent that names no control: the active screen.
    auto* t = dynamic_cast<TNuvoTile*>(w.find("t"));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->GetParent(), w.bases.ActiveBase());
    EXPECT_EQ(t->GetWidth(), 32);
    EXPECT_EQ(t->GetZoomX(), 256);
    // The zooms come before the size: the width given stays, the zoom is the stretch.
    auto* i = dynamic_cast<TNuvoImages*>(w.find("i"));
    ASSERT_NE(i, nullptr);
    EXPECT_EQ(i->GetWidth(), 20);
    EXPECT_EQ(i->GetZoomX(), 640);
    EXPECT_EQ(i->GetHeight(), 12);
    EXPECT_EQ(i->GetCount(), 2);
    // ImgNew copies its PR_DELAY expression as the LoopWait, only when it has one.
    ASSERT_NE(i->LoopWait(), nullptr);
    EXPECT_FALSE(i->LoopWait()->Operations().empty());
    // "j" gave none, but the page's mask holds PR_DELAY: its expression is empty.
    EXPECT_TRUE(dynamic_cast<TNuvoImages*>(w.find("j"))->LoopWait()->Operations().empty());
    World without;
    without.start("ImgNew PR_NAME={\"k\"} PR_SOURCE={\"pic.pel\"}\n");
    without.frames();
    EXPECT_EQ(dynamic_cast<TNuvoImages*>(without.find("k"))->LoopWait(), nullptr);
}

TEST(ComponentCommands, ValueControlsAreMade) {
    World w;
    w.start("SliderNew PR_NAME={\"s\"} PR_SOURCE={\"pic.pel\"} PR_MAX={10} PR_VALUE={4} PR_SMALLCHANGE={} "
            "PR_ORIENTATION={1}\n"
            "ScrollbarNew PR_NAME={\"b\"} PR_SOURCE={\"pic.pel\"} PR_VALUE={40} PR_LARGECHANGE={}\n"
            "GaugeNew PR_NAME={\"g\"} PR_SOURCE={\"pic.pel\"} PR_MAX={50} PR_VALUE={80} PR_DELAY={1000}\n");
    w.frames();
    auto* s = dynamic_cast<TNuvoSlider*>(w.find("s"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetValue(), 4);
    EXPECT_EQ(s->GetSmallChange(), 1);
    EXPECT_EQ(s->GetWidth(), 4); // the 8 x 6 picture's half-width across, its height along
    EXPECT_EQ(s->GetHeight(), 6);
    auto* b = dynamic_cast<TNuvoScrollbar*>(w.find("b"));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetLargeChange(), 1);
    EXPECT_EQ(b->GetWidth(), 4);
    auto* g = dynamic_cast<TNuvoGauge*>(w.find("g"));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->GetValue(), 50);
    EXPECT_EQ(g->GetWidth(), 4);
    EXPECT_EQ(g->GetHeight(), 6);
}

TEST(ComponentCommands, GetSetPropAndObjDel) {
    World w;
    w.start("BoxNew PR_NAME={\"b\"} PR_WIDTH={4}\n"
            "VarNew \"left\" type=int\n"
            "SetProp {\"b\"} prop={3} value={12}\n"
            "GetProp {\"b\"} prop={3} var=\"left\"\n"
            "GetProp {\"b\"} prop={5} var=\"missing\"\n"
            "SetProp {\"nobody\"}\n"
            "SetProp {\"b\"} value={1}\n"
            "VarNew \"after\" type=int value={1}\n"
            "GetProp {} prop={140} var=\"left\"\n"
            "VarNew \"type\" type=int\n"
            "GetProp {\"b\"} prop={140} var=\"type\"\n"
            "ObjDel {\"b\"}\n");
    w.frames();
    EXPECT_EQ(w.var("left"), "0");    // the last GetProp read the screen's type
    EXPECT_EQ(w.var("type"), "2");    // LT_BOX
    EXPECT_EQ(w.var("missing"), "-"); // a missing variable is not made
    EXPECT_EQ(w.var("after"), "1");   // the property error was dropped, the script went on
    EXPECT_EQ(w.find("b"), nullptr);  // deleted (freed at the end of the tick)
}

TEST(ComponentCommands, CalcVarNewAndVarDel) {
    // A status variable keeps its value when declared again; an empty name
    // is an error the script goes past; VarDel of a missing name does nothing.
    World w;
    w.start("VarNew \"kept\" type=int value={5} scope=status\n"
            "VarNew \"kept\" type=int value={9} scope=status\n"
            "VarNew \"\" type=int value={1}\n"
            "VarNew \"f\" type=float value={\"2.5\"}\n"
            "Calc {kept = kept + f * 2}\n"
            "VarNew \"gone\" type=str value={\"x\"}\n"
            "VarDel \"gone\"\n"
            "VarDel \"nobody\"\n"
            "VarNew \"after\" type=int value={1}\n");
    w.frames();
    EXPECT_EQ(w.var("kept"), "10");
    EXPECT_EQ(w.var("gone"), "-");
    EXPECT_EQ(w.var("after"), "1");
}

TEST(ComponentCommands, SetPropReachesTheComponent) {
    World w;
    w.start("ImgNew PR_NAME={\"i\"} PR_SOURCE={\"pic.pel\"}\nSetProp {\"i\"} prop={44} value={1}\n");
    w.frames();
    EXPECT_EQ(dynamic_cast<TNuvoImages*>(w.find("i"))->GetIndex(), 1);
}

TEST(ComponentCommands, FlipMovesChosenComponentsAndSwitchesAfterItsDuration) {
    World w;
    w.start("BoxNew PR_NAME={\"keep\"} PR_WIDTH={4} PR_HEIGHT={4} PR_COLOR={255}\n"
            "BoxNew PR_NAME={\"go\"} PR_LEFT={8} PR_WIDTH={4} PR_HEIGHT={4} PR_COLOR={65280}\n"
            "Flip {1} duration={100} mode={1} names=[{\"go\\nother\"}]\n"
            "VarNew \"done\" type=int value={1}\n");
    w.frames();
    // Begun: "go" went to the incoming screen, the snapshot covers the front.
    EXPECT_EQ(w.find("go")->GetParent(), w.bases.InactiveBase());
    EXPECT_EQ(w.find("keep")->GetParent(), w.bases.ActiveBase());
    TNuvoControl* snapshot = w.bases.FindControlByName("\x01\x01");
    ASSERT_NE(snapshot, nullptr);
    EXPECT_EQ(w.bases.ActiveBase()->Children().back(), snapshot);
    // The snapshot keeps what the front screen showed, the box that left it too.
    TCustomDIBX* shown = snapshot->GetSurface();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->GetPixel(9, 1), shown->ColorToPixel(65280));
    EXPECT_EQ(shown->GetPixel(1, 1), shown->ColorToPixel(255));
    EXPECT_NE(w.bases.Transition(), nullptr);
    EXPECT_EQ(w.bases.ActiveIndex, 0);
    // Phase 0, then 1 (the time starts), then 100 ms of transition.
    int frames = 1;
    while (w.var("done") == "-" && frames < 50) {
        w.frames();
        ++frames;
    }
    EXPECT_EQ(frames, 2 + 7); // 7 frames of 16 ms reach 100
    EXPECT_EQ(w.bases.ActiveIndex, 1);
    EXPECT_EQ(w.bases.Transition(), nullptr);
    EXPECT_EQ(w.bases.FindControlByName("\x01\x01"), nullptr);
    EXPECT_NE(w.find("keep"), nullptr); // no FreeOld: the outgoing screen keeps it
    EXPECT_EQ(w.find("go")->GetParent(), w.bases.ActiveBase());
}

TEST(ComponentCommands, FlipModesDurationsKindsAndFreeOld) {
    // Mode 0 with no names moves everything; duration 0 switches on the first
    // frame without snapshot or transition; FreeOld spares cabinets.
    {
        World w;
        w.start("BoxNew PR_NAME={\"a\"}\nBoxNew PR_NAME={\"b\"}\n"
                "Flip duration={0} mode={0}\n");
        w.bases.Create<TNuvoCabinet>()->SetParent(w.bases.ActiveBase());
        w.frames();
        EXPECT_EQ(w.bases.ActiveIndex, 1);
        EXPECT_EQ(w.find("a")->GetParent(), w.bases.ActiveBase());
        EXPECT_EQ(w.find("b")->GetParent(), w.bases.ActiveBase());
    }
    {
        World w;
        w.start("BoxNew PR_NAME={\"a\"}\nBoxNew PR_NAME={\"b\"}\n"
                "Flip duration={0} mode={1} freeold={TRUE}\n");
        TNuvoCabinet* cabinet = w.bases.Create<TNuvoCabinet>();
        cabinet->SetParent(w.bases.ActiveBase());
        const TNuvoRef<TNuvoObject> cab(cabinet);
        w.frames();
        EXPECT_EQ(w.bases.ActiveIndex, 1);
        EXPECT_EQ(w.find("a"), nullptr); // mode 1, nothing listed: all stayed and went
        EXPECT_TRUE(cab);                // except the cabinet
    }
    {
        // Kind 39 is no transition; the switch still comes after the phases.
        World w;
        w.start("Flip {39} duration={200} mode={0}\nVarNew \"done\" type=int value={1}\n");
        w.frames();
        EXPECT_EQ(w.bases.Transition(), nullptr);
        EXPECT_NE(w.bases.FindControlByName("\x01\x01"), nullptr);
        w.frames(2);
        EXPECT_EQ(w.var("done"), "1");
        EXPECT_EQ(w.bases.ActiveIndex, 1);
    }
}

TEST(ComponentCommands, FlipStateRestartsItsPhasesAndAbortSwitchesAtOnce) {
    World w;
    w.start("BoxNew PR_NAME={\"a\"}\n"
            "Flip {1} duration={500} mode={1} freeold={TRUE} blocked={TRUE}\n");
    w.frames();
    TCommand* flip = w.cm->Page->Commands.At(1);
    ASSERT_EQ(flip->TypeCode(), TComFlip::kCode);
    EXPECT_TRUE(flip->BlocksEvents());
    EXPECT_TRUE(flip->IsWaitKind());
    std::unique_ptr<TKvMemoryStream> state;
    flip->SaveState(state);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(state->memory()), 7), "nuvo100");
    EXPECT_EQ(state->bytes().size(), 9u);

    // Read back, the Flip starts its phases again with nothing running and
    // is over within three frames.
    auto& cmd = static_cast<TComFlip&>(*flip);
    cmd.Blocked = 0;
    cmd.FreeOld = 0;
    w.bases.StartTransition(w.bases.ActiveIndex, 0, false, true, 0, 0);
    state->setPosition(0);
    flip->LoadState(*w.cm, *state);
    EXPECT_EQ(cmd.Phase, 0);
    EXPECT_EQ(cmd.Blocked, 1);
    EXPECT_EQ(cmd.FreeOld, 1);
    w.frames(3);
    EXPECT_EQ(w.cm->PC, 2);
    EXPECT_EQ(w.bases.ActiveIndex, 1);
    EXPECT_EQ(w.find("a"), nullptr); // FreeOld cleared the outgoing screen

    // Abort: the switch at once, the snapshot gone, everything outgoing freed.
    World a;
    a.start("BoxNew PR_NAME={\"a\"}\nFlip {1} duration={500} mode={1} freeold={TRUE}\n");
    TNuvoCabinet* cabinet = a.bases.Create<TNuvoCabinet>();
    cabinet->SetParent(a.bases.ActiveBase());
    const TNuvoRef<TNuvoObject> cab(cabinet);
    a.frames();
    ASSERT_NE(a.bases.FindControlByName("\x01\x01"), nullptr);
    a.cm->Page->Commands.At(1)->Abort(*a.cm);
    EXPECT_EQ(a.bases.ActiveIndex, 1);
    EXPECT_EQ(a.bases.Transition(), nullptr);
    a.bases.Tick();
    EXPECT_EQ(a.bases.FindControlByName("\x01\x01"), nullptr);
    EXPECT_FALSE(cab); // cabinets too
    EXPECT_EQ(a.cm->PC, 1);
}

TEST(ComponentCommands, AFlipInAHandlerYieldsFramesInsteadOfSpinning) {
    // Without a mode the Flip still takes its phases; inside a handler each
    // phase is a frame of its own.
    World w;
    w.page("h.nsb", "Flip {1} duration={0}\nCalc {n = n + 1}\n");
    w.start("VarNew \"n\" type=int value={0}\nBoxNew PR_NAME={\"b\"} PR_ONIDLE={\"h.nsb\"}\nWait {TRUE}\n");
    // Frame 1 queues the idle event; the handler's Flip takes a frame for
    // each phase (a Flip that ran its phases in one frame would be over by
    // frame 3).
    w.frames(4);
    EXPECT_EQ(w.var("n"), "0");
    w.frames();
    EXPECT_EQ(w.var("n"), "1");
}

TEST(ComponentCommands, NamedBeforePlacedSoSiblingsSortByTheirNames) {
    // Equal priorities sort by name: "a" below "b" whatever the order made.
    World w;
    w.start("BoxNew PR_NAME={\"b\"}\nBoxNew PR_NAME={\"a\"}\n");
    w.frames();
    const auto& children = w.bases.ActiveBase()->Children();
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(children[0]->Name(), "a");
    EXPECT_EQ(children[1]->Name(), "b");
}

namespace {

// Sounds, videos, menus and particle emitters as test components, made for
// the creating commands through the registry's extra creator.
TNuvoObject* createTestMedia(TNuvoBaseList& registry, uint8_t type) {
    if (type != LT_SOUND && type != LT_VIDEO && type != LT_MENU && type != LT_PARTICLE) return nullptr;
    return registry.Create<test::TTestMedia>(type);
}

} // namespace

TEST(ComponentCommands, KindsWithoutAClassSayItOnceAndMakeNothing) {
    World w;
    w.page("again.nsb", "MesNew PR_NAME={\"m2\"}\n");
    w.start("MesNew PR_NAME={\"m\"} PR_LEFT={4}\n"
            "Caption PR_NAME={\"c\"}\n"
            "MesNew PR_NAME={\"m\"}\n"
            "Call \"again.nsb\"\n"
            "VarNew \"after\" type=int value={1}\n");
    w.frames();
    EXPECT_EQ(w.var("after"), "1");
    EXPECT_EQ(w.find("m"), nullptr);
    EXPECT_EQ(w.find("c"), nullptr);
    EXPECT_EQ(w.find("m2"), nullptr);
    EXPECT_EQ(w.reported, (std::vector<std::string>{"MesNew is not supported yet", "Caption is not supported yet"}));
}

TEST(ComponentCommands, PlayingKindsStartAfterTheirProperties) {
    // Sounds and movies start fading in when they have a Delay, at once
    // without one; a menu opens with its animation. The play state comes
    // after every property.
    struct Case {
        const char* line;
        uint8_t type;
        std::vector<int32_t> states;
    };
    const Case cases[] = {
        {"Sound PR_NAME={\"s\"} PR_SOURCE={\"a.wav\"} PR_DELAY={500}", LT_SOUND, {1}},
        {"Sound PR_NAME={\"s\"} PR_SOURCE={\"a.wav\"} PR_DELAY={0}", LT_SOUND, {0}},
        {"Sound PR_NAME={\"s\"} PR_SOURCE={\"a.wav\"}", LT_SOUND, {0}},
        {"Movie PR_NAME={\"s\"} PR_SOURCE={\"a.mpg\"} PR_DELAY={}", LT_VIDEO, {0}},
        {"Movie PR_NAME={\"s\"} PR_SOURCE={\"a.mpg\"} PR_DELAY={-1}", LT_VIDEO, {1}},
        {"ParticleNew PR_NAME={\"s\"} PR_DELAY={200}", LT_PARTICLE, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        World w;
        w.bases.ExtraCreator = &createTestMedia;
        w.start(std::string(c.line) + "\n");
        w.frames();
        auto* media = dynamic_cast<test::TTestMedia*>(w.find("s"));
        ASSERT_NE(media, nullptr);
        EXPECT_EQ(media->GetCompoType(), c.type);
        EXPECT_EQ(media->States, c.states);
        EXPECT_TRUE(w.reported.empty());
    }
    World w;
    w.start("Menu PR_NAME={\"s\"} PR_DELAY={200}\n");
    w.frames();
    auto* menu = dynamic_cast<TNuvoMenu*>(w.find("s"));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->GetPlayState(), 1);
    EXPECT_NE(menu->AnimState(), 100) << "the opening has begun";
}

TEST(ComponentCommands, CreatingKindsHandOverTheExpressionsTheyKeep) {
    // Before the properties, in their order; a property the page's mask
    // leaves out is not handed over.
    World w;
    w.bases.ExtraCreator = &createTestMedia;
    w.start("ParticleNew PR_NAME={\"p\"} PR_DELAY={20} PR_APPEARY={y} PR_APPEARX={x} PR_LEFT={1}\n"
            "Sound PR_NAME={\"s\"} PR_DELAY={20}\n"
            "Movie PR_NAME={\"m\"} PR_DELAY={20}\n");
    w.frames();
    EXPECT_EQ(static_cast<test::TTestMedia*>(w.find("p"))->KeptExpressions,
              (std::vector<int32_t>{PR_APPEARX, PR_APPEARY, PR_DELAY}));
    EXPECT_TRUE(static_cast<test::TTestMedia*>(w.find("s"))->KeptExpressions.empty());
    World fewer;
    fewer.bases.ExtraCreator = &createTestMedia;
    fewer.start("ParticleNew PR_NAME={\"p\"} PR_APPEARY={y}\n");
    fewer.frames();
    EXPECT_EQ(static_cast<test::TTestMedia*>(fewer.find("p"))->KeptExpressions, (std::vector<int32_t>{PR_APPEARY}));
}

TEST(ComponentCommands, AParentNamingTheNewControlItselfIsTheActiveScreen) {
    // The name is applied first, so the parent's name finds the new control;
    // making it its own parent is refused, and it must not stand on no
    // screen at all.
    World w;
    w.start("Flip duration={0} mode={1}\n"
            "BoxNew PR_NAME={\"b\"} PR_PARENT={\"b\"} PR_WIDTH={4} PR_HEIGHT={4}\n"
            "BoxNew PR_NAME={\"c\"} PR_PARENT={\"b\"}\n");
    w.frames(2);
    ASSERT_EQ(w.bases.ActiveIndex, 1);
    EXPECT_EQ(w.find("b")->GetParent(), w.bases.ActiveBase());
    EXPECT_EQ(w.find("c")->GetParent(), w.find("b"));
}

TEST(ComponentCommands, PropMotionFillsItsMotion) {
    World w;
    w.start("BoxNew PR_NAME={\"b\"} PR_ALPHA={255}\n"
            "PropMotion name={\"m\"} target={\"b\"} prop=PR_ALPHA value={12.5} duration={1000} curve={2} "
            "paused={TRUE}\n"
            "PropMotion name={\"whole\"} prop={300} curve={258}\n"
            "PropMotion name={\"bare\"} prop={11}\n");
    w.frames(3);
    auto* m = dynamic_cast<TNuvoPropMotion*>(w.find("m"));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->TargetName, "b");
    EXPECT_EQ(m->Property, PR_ALPHA);
    EXPECT_EQ(m->TargetValue, 12.5L);
    EXPECT_EQ(m->Duration, 1000);
    EXPECT_EQ(m->CurveType, MT_DEC);
    EXPECT_TRUE(m->GetPaused());
    // The number stays whole; the curve is cut to a byte.
    auto* whole = dynamic_cast<TNuvoPropMotion*>(w.find("whole"));
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(whole->Property, 300);
    EXPECT_EQ(whole->CurveType, 2);
    // Values not given keep the motion's own.
    auto* bare = dynamic_cast<TNuvoPropMotion*>(w.find("bare"));
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->TargetName, "");
    EXPECT_EQ(bare->Duration, 0);
    EXPECT_EQ(bare->CurveType, MT_NORMAL);
    EXPECT_FALSE(bare->GetPaused());
    // Until motions run, the target stays as it is.
    EXPECT_EQ(w.find("b")->GetAlpha(), 255);
}

TEST(ComponentCommands, PropMotionWithoutPropertyMakesNothing) {
    World w;
    w.start("PropMotion name={\"m\"} target={\"b\"} value={1}\n"
            "PropMotion name={\"m2\"} prop={}\n"
            "VarNew \"after\" type=int value={1}\n");
    w.frames();
    EXPECT_EQ(w.var("after"), "1"); // the error was dropped
    EXPECT_EQ(w.count(LT_PROPMOTION), 0);
    EXPECT_EQ(w.bases.GetItemCount(), 0);
}

TEST(ComponentCommands, PropMotionTakesItsNameFromAnyOtherHolder) {
    // A motion is no control: an object holding its name is deleted, not
    // renamed.
    World w;
    w.start("PropMotion name={\"m\"} prop={3} value={1}\n"
            "PropMotion name={\"m\"} prop={4} value={2}\n"
            "BoxNew PR_NAME={\"x\"}\n"
            "PropMotion name={\"x\"} prop={5}\n");
    w.frames();
    EXPECT_EQ(w.count(LT_PROPMOTION), 2);
    EXPECT_EQ(static_cast<TNuvoPropMotion*>(w.find("m"))->Property, 4);
    EXPECT_EQ(w.count(LT_BOX), 0);
    EXPECT_EQ(w.find("x")->GetCompoType(), LT_PROPMOTION);
}
