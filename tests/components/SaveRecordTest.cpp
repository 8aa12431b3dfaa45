// The common save record of objects and controls, with the children a
// control saves, read back across save versions and from damaged bytes.
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

constexpr int32_t kSaveVersion = 145;

std::vector<uint8_t> bytesOf(const TNuvoObject& o) {
    TKvMemoryStream s;
    o.SaveToStream(s);
    return s.bytes();
}

void load(TNuvoObject& o, const std::vector<uint8_t>& bytes, int32_t version, size_t* consumed = nullptr) {
    TKvMemoryStream s(bytes);
    o.LoadFromStream(s, version);
    if (consumed) *consumed = static_cast<size_t>(s.position());
}

// Gives every field of the common record a value of its own.
void fill(TNuvoControl& c, int seed) {
    c.SetPriority(3 + seed);
    c.SetPriorityOffset(-2 - seed);
    c.Tag = "tag" + std::to_string(seed);
    c.SetBounds(10 + seed, 20, 30, 40);
    c.SetAnchorX(5);
    c.SetAnchorY(6);
    c.SetPosZoomed(true);
    c.SetMotionX(7);
    c.SetMotionY(8);
    c.SetPlusX(9);
    c.SetPlusY(-9);
    c.SetClipLeft(1);
    c.SetClipTop(2);
    c.SetClipWidth(3);
    c.SetClipHeight(4);
    c.SetAniPaused(true);
    c.SetVisible(false);
    c.SetColor(0x123456);
    c.SetBoundsRect({-1, -2, 300, 400});
    c.SetIgnoreMouse(IM_CLICK);
    c.SetCursor("hand.cur");
    const int handlers[] = {PR_ONMOUSEMOVE, PR_ONMOUSEIN,   PR_ONMOUSEOUT,  PR_ONLBTNDOWN, PR_ONLBTNUP,
                            PR_ONRBTNDOWN,  PR_ONRBTNUP,    PR_ONWHEELDOWN, PR_ONWHEELUP,  PR_ONKEYDOWN,
                            PR_ONKEYUP,     PR_ONKEYREPEAT, PR_ONFOCUSIN,   PR_ONFOCUSOUT};
    c.SetOnMouseMove("h34");
    c.SetOnMouseIn("h103");
    c.SetOnMouseOut("h35");
    c.SetOnLBtnDown("h36");
    c.SetOnLBtnUp("h37");
    c.SetOnRBtnDown("h38");
    c.SetOnRBtnUp("h39");
    c.SetOnWheelDown("h40");
    c.SetOnWheelUp("h41");
    c.SetOnKeyDown("h144");
    c.SetOnKeyUp("h145");
    c.SetOnKeyRepeat("h146");
    c.SetOnFocusIn("h148");
    c.SetOnFocusOut("h149");
    for (int kind : handlers)
        ASSERT_EQ(c.HandlerOf(kind), "h" + std::to_string(kind));
    c.SetHandleKey(true);
}

TEST(SaveRecord, RoundTripOfAControlTree) {
    TNuvoBaseList saved;
    TNuvoBase* base = saved.Base(0);
    TNuvoControl* park = saved.CreateByType(LT_CABINET)->AsControl();
    park->SetName("park");
    park->SetParent(base);
    fill(*park, 1);
    TNuvoControl* inner = saved.CreateByType(LT_CABINET)->AsControl();
    inner->SetName("inner");
    inner->SetParent(park);
    fill(*inner, 2);
    TNuvoControl* early = saved.CreateByType(LT_CABINET)->AsControl();
    early->SetName("early");
    early->SetParent(base);
    early->SetPriority(-5);
    // Not saved: internal objects, objects pending deletion, objects without a type.
    TNuvoControl* internal = saved.CreateByType(LT_CABINET)->AsControl();
    internal->SetName("\x01"
                      "internal");
    internal->SetParent(base);
    TNuvoControl* deleted = saved.CreateByType(LT_CABINET)->AsControl();
    deleted->SetParent(base);
    deleted->Delete();
    saved.Create<TTestControl>(LT_NONE)->SetParent(base);
    const std::vector<uint8_t> bytes = bytesOf(*base);

    TNuvoBaseList loaded;
    size_t consumed = 0;
    load(*loaded.Base(0), bytes, kSaveVersion, &consumed);
    EXPECT_EQ(consumed, bytes.size());
    EXPECT_EQ(bytesOf(*loaded.Base(0)), bytes);
    EXPECT_EQ(loaded.GetItemCount(), 3);

    const TNuvoControl* root = loaded.Base(0);
    ASSERT_EQ(root->GetChildCount(), 2);
    EXPECT_EQ(root->GetChild(0)->Name(), "early") << "sorted after reading";
    const TNuvoControl* p = root->GetChild(1);
    EXPECT_EQ(p->Name(), "park");
    EXPECT_EQ(loaded.FindByName("park"), p);
    EXPECT_EQ(p->GetCompoType(), LT_CABINET);
    EXPECT_EQ(p->GetPriority(), 4);
    EXPECT_EQ(p->GetPriorityOffset(), -3);
    EXPECT_EQ(p->Tag, "tag1");
    EXPECT_EQ(p->GetBoundsRect(), (TRect{-1, -2, 300, 400}));
    EXPECT_EQ(p->GetClipHeight(), 4);
    EXPECT_EQ(p->GetMotionY(), 8);
    EXPECT_EQ(p->GetOnFocusOut(), "h149");
    EXPECT_TRUE(p->GetHandleKey());
    ASSERT_EQ(p->GetChildCount(), 1);
    EXPECT_EQ(p->GetChild(0)->Name(), "inner");
    EXPECT_EQ(p->GetChild(0)->GetParent(), p);
    EXPECT_EQ(p->GetChild(0)->GetLeft(), 12);
}

class RecordWriter {
public:
    RecordWriter& str(std::string_view v) {
        WriteStr(s_, v);
        return *this;
    }
    RecordWriter& i32(int32_t v) {
        WriteInt(s_, v);
        return *this;
    }
    RecordWriter& byte(uint8_t v) {
        WriteByte(s_, v);
        return *this;
    }
    std::vector<uint8_t> bytes() { return s_.bytes(); }

private:
    TKvMemoryStream s_;
};

// Older saves lack fields: version 101 has no priority offset, tag, motion
// and plus values, clip, OnMouseIn or key fields.
TEST(SaveRecord, OldVersionsSkipTheFieldsTheyLack) {
    RecordWriter w;
    w.str("old").i32(7);                                           // name, priority
    w.i32(1).i32(2).i32(3).i32(4).i32(5).i32(6).byte(1);           // position, size, anchor, PosZoomed
    w.byte(1).i32(-1).i32(0).i32(0).i32(1).i32(1).byte(IM_LCLICK); // Visible, Color, BoundsRect, IgnoreMouse
    w.str("cur");
    for (const char* h : {"move", "out", "ldown", "lup", "rdown", "rup", "wdown", "wup"})
        w.str(h);
    w.i32(1).byte(LT_CABINET); // one child
    w.str("child").i32(0).i32(0).i32(0).i32(0).i32(0).i32(0).i32(0).byte(0);
    w.byte(1).i32(0).i32(0).i32(0).i32(1).i32(1).byte(0).str("");
    for (int i = 0; i < 8; ++i)
        w.str("");
    w.i32(0);
    const std::vector<uint8_t> bytes = w.bytes();

    TNuvoBaseList registry;
    TNuvoControl* c = registry.CreateByType(LT_CABINET)->AsControl();
    size_t consumed = 0;
    load(*c, bytes, 101, &consumed);
    EXPECT_EQ(consumed, bytes.size());
    EXPECT_EQ(c->Name(), "old");
    EXPECT_EQ(c->GetPriority(), 7);
    EXPECT_EQ(c->GetAnchorY(), 6);
    EXPECT_TRUE(c->GetPosZoomed());
    EXPECT_EQ(c->GetColor(), -1);
    EXPECT_EQ(c->GetIgnoreMouse(), IM_LCLICK);
    EXPECT_EQ(c->GetOnMouseOut(), "out");
    EXPECT_EQ(c->GetOnMouseIn(), "");
    EXPECT_EQ(c->GetOnWheelUp(), "wup");
    ASSERT_EQ(c->GetChildCount(), 1);
    EXPECT_EQ(c->GetChild(0)->Name(), "child");
}

TEST(SaveRecord, DamagedRecordsRaise) {
    TNuvoBaseList saved;
    TNuvoControl* outer = saved.CreateByType(LT_CABINET)->AsControl();
    fill(*outer, 0);
    saved.CreateByType(LT_CABINET)->SetParent(outer);
    const std::vector<uint8_t> bytes = bytesOf(*outer);

    TNuvoBaseList registry;
    for (size_t n = 0; n < bytes.size(); ++n) {
        SCOPED_TRACE(n);
        TNuvoControl* c = registry.CreateByType(LT_CABINET)->AsControl();
        EXPECT_THROW(
            load(*c, std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n)), kSaveVersion),
            ENuvoError);
    }

    // A child type without a class, and a count the bytes cannot hold.
    std::vector<uint8_t> noClass = bytesOf(*outer);
    const size_t typeAt = bytesOf(*outer).size() - bytesOf(*outer->GetChild(0)).size() - 1;
    ASSERT_EQ(noClass[typeAt], LT_CABINET);
    noClass[typeAt] = LT_AUDIO;
    const int32_t before = registry.GetItemCount();
    EXPECT_THROW(load(*registry.CreateByType(LT_CABINET), noClass, kSaveVersion), ENuvoError);
    EXPECT_EQ(registry.GetItemCount(), before + 1) << "nothing is left over from the refused child";

    std::vector<uint8_t> huge = bytesOf(*outer->GetChild(0));
    huge.resize(huge.size() - 4);
    for (uint8_t b : {0xFF, 0xFF, 0xFF, 0x7F})
        huge.push_back(b);
    EXPECT_THROW(load(*registry.CreateByType(LT_CABINET), huge, kSaveVersion), ENuvoError);
}

TEST(SaveRecord, NestingIsBounded) {
    TNuvoBaseList saved;
    TNuvoControl* top = saved.CreateByType(LT_CABINET)->AsControl();
    TNuvoControl* at = top;
    for (int i = 0; i <= TNuvoBaseList::kMaxRecordDepth; ++i) {
        TNuvoControl* next = saved.CreateByType(LT_CABINET)->AsControl();
        next->SetParent(at);
        at = next;
    }
    TNuvoBaseList registry;
    EXPECT_NO_THROW(load(*registry.CreateByType(LT_CABINET), bytesOf(*top->GetChild(0)), kSaveVersion));
    EXPECT_THROW(load(*registry.CreateByType(LT_CABINET), bytesOf(*top), kSaveVersion), ENuvoError);
    EXPECT_EQ(registry.RecordDepth, 0);
}

} // namespace
} // namespace nuvo
