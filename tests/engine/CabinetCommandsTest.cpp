// SaveCabinet and LoadCabinet run from pages: which components of the
// incoming screen are parked (both modes, whole names), reusing and deleting
// cabinets, a cabinet that lies on the incoming screen itself, parked
// components standing still, and cabinets across Flip's FreeOld and a
// PCReset during a Flip.
#include "components/NuvoImages.h"
#include "engine/ComponentWorld.h"

#include <gtest/gtest.h>

using namespace nuvo;

namespace {

// Boxes a, b and c on the incoming screen (0x01 names it).
const std::string kThreeBoxes = "BoxNew PR_NAME={\"a\"} PR_PARENT={\"\\x{01}\"}\n"
                                "BoxNew PR_NAME={\"b\"} PR_PARENT={\"\\x{01}\"}\n"
                                "BoxNew PR_NAME={\"c\"} PR_PARENT={\"\\x{01}\"}\n";

// Where each of a, b and c lies: "in" a cabinet, on the incoming screen
// ("back"), or elsewhere.
std::string places(test::World& w) {
    std::string out;
    for (const char* name : {"a", "b", "c"}) {
        TNuvoObject* o = w.find(name);
        if (!o) {
            out += "-";
        } else if (o->GetParent() == w.bases.InactiveBase()) {
            out += "back";
        } else if (o->GetParent() && o->GetParent()->GetCompoType() == LT_CABINET) {
            out += "in:" + o->GetParent()->Name();
        } else {
            out += "?";
        }
        out += " ";
    }
    return out;
}

} // namespace

TEST(CabinetCommands, SaveCabinetParksTheChosenComponentsOfTheIncomingScreen) {
    // Names are whole texts (no splitting into lines); mode FALSE parks the
    // listed ones, TRUE all the others; a name without value lists nothing.
    struct Case {
        const char* command;
        const char* expected;
    };
    const Case cases[] = {
        {"SaveCabinet PR_NAME={\"cab\"} names=[{\"a\"}, {\"c\\nb\"}]", "in:cab back back "},
        {"SaveCabinet PR_NAME={\"cab\"} mode={FALSE} names=[{\"a\"}, {\"c\"}, {}]", "in:cab back in:cab "},
        {"SaveCabinet PR_NAME={\"cab\"} mode={TRUE} names=[{\"a\"}]", "back in:cab in:cab "},
        {"SaveCabinet PR_NAME={\"cab\"} mode={TRUE}", "in:cab in:cab in:cab "},
        {"SaveCabinet PR_NAME={\"cab\"} names=[{\"A\"}]", "back back back "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        test::World w;
        w.start(kThreeBoxes + c.command + "\n");
        w.frames();
        EXPECT_EQ(places(w), c.expected);
        // The cabinet lies on Base0, the active screen here.
        if (TNuvoObject* cabinet = w.find("cab")) {
            EXPECT_EQ(cabinet->GetParent(), w.bases.Base(0));
        }
    }
}

TEST(CabinetCommands, ACabinetLeftEmptyIsDeleted) {
    // Nothing chosen: no cabinet stays. Taken out all, the cabinet goes;
    // taken out in part, it stays with the rest.
    test::World w;
    w.start(kThreeBoxes + "SaveCabinet PR_NAME={\"none\"} names=[{\"x\"}]\n"
                          "SaveCabinet names=[{\"x\"}]\n"
                          "SaveCabinet PR_NAME={\"cab\"} mode={TRUE}\n"
                          "LoadCabinet PR_NAME={\"cab\"} names=[{\"b\"}]\n");
    w.frames();
    EXPECT_EQ(w.find("none"), nullptr);
    EXPECT_EQ(w.count(LT_CABINET), 1);
    EXPECT_EQ(places(w), "in:cab back in:cab ");
    w.startPage("more.nsb", "LoadCabinet PR_NAME={\"cab\"} mode={TRUE}\n");
    w.frames();
    EXPECT_EQ(places(w), "back back back ");
    EXPECT_EQ(w.count(LT_CABINET), 0);
}

TEST(CabinetCommands, SaveCabinetReusesItsCabinetAndTakesTheNameOfAnythingElse) {
    // A cabinet of that name takes more; a control holding the name is
    // renamed by the controls' rule and the new cabinet takes it.
    test::World w;
    w.start(kThreeBoxes + "BoxNew PR_NAME={\"cab\"}\n"
                          "SaveCabinet PR_NAME={\"cab\"} names=[{\"a\"}]\n"
                          "SaveCabinet PR_NAME={\"cab\"} names=[{\"b\"}]\n"
                          "LoadCabinet PR_NAME={\"cab_2\"} mode={TRUE}\n");
    w.frames();
    EXPECT_EQ(places(w), "in:cab in:cab back ");
    EXPECT_EQ(w.count(LT_CABINET), 1);
    ASSERT_NE(w.find("cab_2"), nullptr);
    EXPECT_EQ(w.find("cab_2")->GetCompoType(), LT_BOX);
    EXPECT_EQ(w.find("cab_2")->GetParent(), w.bases.ActiveBase());
}

TEST(CabinetCommands, ACabinetOnTheIncomingScreenNeverParksItself) {
    // With Base1 active, a new cabinet lies on the incoming screen among the
    // components walked.
    test::World w;
    w.start("Flip duration={0} mode={1}\n" + kThreeBoxes + "SaveCabinet PR_NAME={\"cab\"} mode={TRUE}\n");
    w.frames(2);
    ASSERT_EQ(w.bases.ActiveIndex, 1);
    TNuvoObject* cabinet = w.find("cab");
    ASSERT_NE(cabinet, nullptr);
    EXPECT_EQ(cabinet->GetParent(), w.bases.Base(0));
    EXPECT_EQ(places(w), "in:cab in:cab in:cab ");
    w.startPage("more.nsb", "LoadCabinet PR_NAME={\"cab\"} mode={TRUE}\n");
    w.frames();
    EXPECT_EQ(places(w), "back back back ");
    EXPECT_EQ(w.count(LT_CABINET), 0);
}

TEST(CabinetCommands, AParkedImageStandsStill) {
    // Neither its frames nor its idle events go on while it is parked.
    test::World w;
    w.page("idle.nsb", "Calc {n = n + 1}\n");
    w.start("VarNew \"n\" type=int value={0}\n"
            "ImgNew PR_NAME={\"i\"} PR_PARENT={\"\\x{01}\"} PR_SOURCE={\"pic.pel\"} PR_ONIDLE={\"idle.nsb\"}\n"
            "SaveCabinet PR_NAME={\"cab\"} names=[{\"i\"}]\n");
    w.frames(30);
    auto* image = dynamic_cast<TNuvoImages*>(w.find("i"));
    ASSERT_NE(image, nullptr);
    ASSERT_TRUE(image->IsInCabinet());
    EXPECT_EQ(image->GetIndex(), 0);
    EXPECT_EQ(w.var("n"), "0");
    w.startPage("more.nsb", "LoadCabinet PR_NAME={\"cab\"} names=[{\"i\"}]\n");
    w.frames(30);
    EXPECT_FALSE(image->IsInCabinet());
    EXPECT_NE(w.var("n"), "0");
    EXPECT_EQ(image->GetIndex(), 1); // 100 ms a frame, then the second of two
}

TEST(CabinetCommands, FlipsFreeOldKeepsCabinetsAndAPCResetDuringAFlipFreesThem) {
    for (const bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "PCReset during the Flip" : "the Flip ends");
        test::World w;
        w.page("reset.nsb", "PCReset \"rest.nsb\" all=1\n");
        w.page("rest.nsb", "VarNew \"rested\" type=int value={1}\n");
        w.start(kThreeBoxes + "SaveCabinet PR_NAME={\"cab\"} names=[{\"a\"}]\n"
                              "BoxNew PR_NAME={\"old\"}\n"
                              "Flip {1} duration={200} mode={1} freeold={TRUE}\n"
                              "VarNew \"flipped\" type=int value={1}\n");
        w.frames();
        if (reset) static_cast<TNuvoControl*>(w.find("old"))->SetOnIdle("reset.nsb");
        w.frames(20);
        EXPECT_EQ(w.var(reset ? "rested" : "flipped"), "1");
        EXPECT_EQ(w.bases.ActiveIndex, 1);
        // The outgoing screen is Base0, where the cabinet lies.
        EXPECT_EQ(w.find("old"), nullptr);
        EXPECT_EQ(w.count(LT_CABINET), reset ? 0 : 1);
        EXPECT_EQ(w.find("a") != nullptr, !reset);
        EXPECT_EQ(w.find("b")->GetParent(), w.bases.ActiveBase());
    }
}
