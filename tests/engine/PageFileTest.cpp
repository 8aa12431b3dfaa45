// The page file: header, masks, the common record, every kind's fields with
// their version conditions, bad input, and the fixed answers of the kinds.
#include "base/Error.h"
#include "base/StreamIO.h"
#include "engine/Commands.h"
#include "engine/Page.h"
#include "engine/PageSource.h"
#include "engine/SourceText.h"
#include "script/NuvoParser.h"
#include "script/ParamCollection.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace nuvo;
using nuvo::test::sj;

namespace {

// Page bytes written by hand: header, masks, then records.
class PageBytes {
public:
    PageBytes(int32_t version, int32_t maskCount = 61, int32_t maskSize = 21) : maskSize_(maskSize) {
        WriteInt(s_, version);
        WriteByte(s_, 2);
        WriteInt(s_, maskCount);
        WriteInt(s_, maskSize);
        masks_.assign(static_cast<size_t>(maskCount) * static_cast<size_t>(maskSize), 0);
    }
    void setMaskBit(int code, int bit) { masks_[static_cast<size_t>(code * maskSize_ + bit / 8)] |= 1 << (bit % 8); }
    void setMaskByte(int code, int index, uint8_t v) { masks_[static_cast<size_t>(code * maskSize_ + index)] = v; }
    // Ends the mask table and starts count commands.
    void commands(int32_t count) {
        s_.write(masks_.data(), static_cast<int64_t>(masks_.size()));
        WriteInt(s_, count);
    }
    void record(uint8_t code, int32_t indent = 0, uint8_t disabled = 0, uint8_t runOn = 1, int32_t line = 0) {
        WriteByte(s_, code);
        WriteInt(s_, indent);
        WriteByte(s_, disabled);
        WriteByte(s_, runOn);
        WriteInt(s_, line);
    }
    void emptyExpr() { WriteInt(s_, 0); }
    // ocTo ____arg := value
    void intExpr(int32_t value) {
        WriteInt(s_, 1);
        WriteByte(s_, 1);
        WriteStr(s_, "____arg");
        WriteInt(s_, 1);
        WriteByte(s_, 1);
        WriteInt(s_, value);
    }
    void str(std::string_view v) { WriteStr(s_, v); }
    void i32(int32_t v) { WriteInt(s_, v); }
    std::vector<uint8_t> bytes() const { return s_.bytes(); }

private:
    TKvMemoryStream s_;
    std::vector<uint8_t> masks_;
    int32_t maskSize_;
};

TPage::LoadResult loadInto(TPage& page, std::vector<uint8_t> bytes) {
    TKvMemoryStream s(std::move(bytes));
    const auto r = page.LoadFromStream(s);
    EXPECT_EQ(s.remaining(), 0);
    return r;
}

int32_t constantOf(const TExpr& e) { return e.Parser().Operations().at(0).Operands.at(0)->AsInteger(); }

std::vector<uint8_t> buildSource(const std::string& text) {
    TPage page;
    readPageSource(text, page);
    TKvMemoryStream s;
    page.SaveToStream(s);
    return s.bytes();
}

} // namespace

TEST(PageFile, CommonRecordAndTheTopBitOfTheCode) {
    PageBytes b(116);
    b.commands(2);
    b.record(0x85, 3, 1, 0, 42); // 0x85 is a Call
    b.str("sub.nsb"), b.i32(7), b.str("r"), b.intExpr(1), b.i32(2), b.intExpr(10), b.intExpr(20);
    b.record(3), b.str("L");
    TPage page;
    ASSERT_EQ(loadInto(page, b.bytes()), TPage::LoadResult::Loaded);
    EXPECT_EQ(page.ResultType, 2);
    ASSERT_EQ(page.Commands.Count(), 2);
    auto* call = dynamic_cast<TComCall*>(page.Commands.At(0));
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->TypeCode(), 5);
    EXPECT_EQ(call->Indent, 3);
    EXPECT_TRUE(call->Disabled());
    EXPECT_FALSE(call->RunOn());
    EXPECT_EQ(call->LineNo, 42);
    EXPECT_EQ(call->PageName, "sub.nsb");
    EXPECT_EQ(call->Index, 7);
    EXPECT_EQ(call->ResultVar, "r");
    ASSERT_EQ(call->ArgExprs.size(), 2u);
    EXPECT_EQ(constantOf(call->ArgExprs[1]), 20);
}

TEST(PageFile, ComponentCommandsStoreExactlyTheMaskedProperties) {
    PageBytes b(116);
    b.setMaskBit(9, 0), b.setMaskBit(9, 3), b.setMaskBit(9, 7);
    b.setMaskBit(9, 166); // bits above 164 carry nothing
    b.commands(2);
    b.record(9), b.intExpr(100), b.intExpr(103), b.intExpr(107);
    b.record(8); // BoxNew: no bits, no expressions
    TPage page;
    ASSERT_EQ(loadInto(page, b.bytes()), TPage::LoadResult::Loaded);
    auto* img = dynamic_cast<TComImgNew*>(page.Commands.At(0));
    ASSERT_NE(img, nullptr);
    int present = 0;
    for (int p = 0; p < kPropCount; ++p)
        if (img->PropExprs[static_cast<size_t>(p)]) ++present;
    EXPECT_EQ(present, 3);
    EXPECT_EQ(constantOf(*img->PropExprs[0]), 100);
    EXPECT_EQ(constantOf(*img->PropExprs[3]), 103);
    EXPECT_EQ(constantOf(*img->PropExprs[7]), 107);
}

TEST(PageFile, MaskTablesOfOtherShapes) {
    // 70 masks: 61..69 are skipped and the commands are still found.
    {
        PageBytes b(116, 70);
        b.setMaskBit(69, 0);
        b.setMaskBit(10, 2);
        b.commands(1);
        b.record(10), b.intExpr(5);
        TPage page;
        ASSERT_EQ(loadInto(page, b.bytes()), TPage::LoadResult::Loaded);
        EXPECT_TRUE(dynamic_cast<TComMesNew&>(*page.Commands.At(0)).PropExprs[2]);
    }
    // 25-byte masks: the first 21 bytes count, the rest is skipped.
    {
        PageBytes b(116, 61, 25);
        b.setMaskByte(9, 20, 0x10); // property 164
        b.setMaskByte(9, 21, 0xFF);
        b.commands(1);
        b.record(9), b.intExpr(1);
        TPage page;
        ASSERT_EQ(loadInto(page, b.bytes()), TPage::LoadResult::Loaded);
        EXPECT_TRUE(dynamic_cast<TComImgNew&>(*page.Commands.At(0)).PropExprs[164]);
    }
    // 10-byte masks and only 12 of them: the rest of every mask is zero.
    {
        PageBytes b(116, 12, 10);
        b.setMaskByte(9, 0, 0x01);
        b.commands(2);
        b.record(9), b.intExpr(1);
        b.record(30); // Button: its mask is not in the file
        TPage page;
        ASSERT_EQ(loadInto(page, b.bytes()), TPage::LoadResult::Loaded);
        EXPECT_EQ(page.Masks[9][0], 1);
        EXPECT_EQ(page.Masks[30], TMask{});
    }
}

TEST(PageFile, VersionsOutsideTheRange) {
    {
        PageBytes b(117);
        b.commands(1);
        b.record(99); // never read
        TKvMemoryStream s(b.bytes());
        TPage page;
        EXPECT_EQ(page.LoadFromStream(s), TPage::LoadResult::TooNew);
        EXPECT_EQ(page.Commands.Count(), 0);
    }
    {
        PageBytes b(102);
        b.commands(0);
        TKvMemoryStream s(b.bytes());
        TPage page;
        EXPECT_EQ(page.LoadFromStream(s), TPage::LoadResult::TooOld);
    }
}

TEST(PageFile, UnknownCodesAndBrokenData) {
    PageBytes b(116);
    b.commands(1);
    b.record(61);
    TKvMemoryStream s(b.bytes());
    TPage page;
    try {
        page.LoadFromStream(s);
        FAIL() << "code 61 loaded";
    } catch (const ENuvoError& e) {
        EXPECT_EQ(e.message(), sj("不正なコマンド"));
    }

    // Every cut of a valid page raises; no count is trusted.
    const auto full = buildSource("page version=116\nCall \"a.nsb\" args=[{1}, {x ++ \"y\"}]\nTextIns \"abc\"\n"
                                  "ImgNew PR_NAME={\"n\"}\n");
    for (size_t cut = 0; cut < full.size(); ++cut) {
        TKvMemoryStream t(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<ptrdiff_t>(cut)));
        TPage p;
        EXPECT_THROW(p.LoadFromStream(t), ENuvoError) << cut;
    }
    // Mask and command counts far beyond the stream.
    for (auto [n, m, c] : {std::tuple{0x7FFFFFFF, 0x7FFFFFFF, 0}, {-1, 21, 0}, {61, -21, 0}, {0, 21, 0x7FFFFFFF}}) {
        TKvMemoryStream h;
        WriteInt(h, 116), WriteByte(h, 1), WriteInt(h, n), WriteInt(h, m), WriteInt(h, c);
        h.setPosition(0);
        TPage p;
        EXPECT_THROW(p.LoadFromStream(h), ENuvoError) << n << " " << m << " " << c;
    }
    // Two thousand million empty masks take no time.
    TKvMemoryStream empty;
    WriteInt(empty, 116), WriteByte(empty, 1), WriteInt(empty, 0x7FFFFFFF), WriteInt(empty, 0), WriteInt(empty, 0);
    empty.setPosition(0);
    TPage p;
    EXPECT_EQ(p.LoadFromStream(empty), TPage::LoadResult::Loaded);
}

// Each field stored from a page version on: built at the version before it
// the record lacks exactly that field (4 bytes: an empty expression's count,
// or the Int), and the field reads as empty.
TEST(PageFile, FieldsStoredFromAVersionOn) {
    struct Case {
        const char* line; // the command with the field left empty
        int32_t since;
    } cases[] = {
        {"Wait time={1000}", 107}, {"Flip", 101},     {"Flip", 107},       {"TextIns \"t\"", 107}, {"MovieStop", 107},
        {"CallHist", 111},         {"GameSave", 105}, {"PropMotion", 108}, {"FormatHist", 111},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        // Flip's mask name came with 101, which is below the oldest page read;
        // its blocking flag with 107.
        const int32_t before = std::max(c.since - 1, kMinPageVersion);
        const auto older = buildSource("page version=" + std::to_string(before) + "\n" + c.line + "\n");
        const auto newer =
            buildSource("page version=" + std::to_string(std::max(c.since, kMinPageVersion)) + "\n" + c.line + "\n");
        if (c.since > kMinPageVersion) {
            EXPECT_EQ(newer.size(), older.size() + 4);
        }
        TPage page;
        ASSERT_EQ(loadInto(page, older), TPage::LoadResult::Loaded);
    }

    // A version-106 Wait has no events-blocked expression: it reads as empty.
    PageBytes b(106);
    b.commands(1);
    b.record(7), b.emptyExpr(), b.intExpr(500);
    TPage page;
    ASSERT_EQ(loadInto(page, b.bytes()), TPage::LoadResult::Loaded);
    auto& wait = dynamic_cast<TComWait&>(*page.Commands.At(0));
    EXPECT_EQ(constantOf(wait.TimeExpr), 500);
    EXPECT_TRUE(wait.BlockedExpr.Empty());

    // GameSave before 105 has no command index: it reads as 0.
    PageBytes g(104);
    g.commands(1);
    g.record(38), g.intExpr(3), g.str("after.nsb"), g.intExpr(9);
    TPage saved;
    ASSERT_EQ(loadInto(saved, g.bytes()), TPage::LoadResult::Loaded);
    auto& save = dynamic_cast<TComGameSave&>(*saved.Commands.At(0));
    EXPECT_EQ(save.LoadPage, "after.nsb");
    EXPECT_EQ(save.LoadIndex, 0);
    EXPECT_EQ(constantOf(save.CaptionExpr), 9);
}

TEST(PageFile, FixedAnswersOfTheKinds) {
    TPage page;
    readPageSource("page version=116\n"
                   "Comment \"note\"\nElse @runon=0\nWhileInit @runon=0\nDoEvent\nWait\nLabel \"Go\"\nLabel \"go\"\n"
                   "If\n",
                   page);
    auto& c = page.Commands;
    EXPECT_TRUE(c.At(0)->Disabled()); // a comment never runs, whatever its byte
    EXPECT_EQ(c.At(0)->FDisabled, 0);
    EXPECT_TRUE(c.At(1)->RunOn());
    EXPECT_TRUE(c.At(2)->RunOn());
    EXPECT_FALSE(c.At(3)->RunOn());
    EXPECT_TRUE(c.At(3)->IsWaitKind());
    EXPECT_TRUE(c.At(4)->IsWaitKind());
    EXPECT_FALSE(c.At(7)->IsWaitKind());
    EXPECT_EQ(c.FindLabel("go"), 6); // labels compare exactly
    EXPECT_EQ(c.FindLabel("Go"), 5);
    EXPECT_EQ(c.FindLabel("GO"), -1);
    c.At(7)->SetDisabled(true);
    EXPECT_TRUE(c.At(7)->Disabled());
}

TEST(PageFile, CatalogueNamesCaptionsAndClasses) {
    for (int code = 0; code < kCommandKindCount; ++code) {
        const CommandKindInfo* k = commandKind(code);
        ASSERT_NE(k, nullptr);
        EXPECT_EQ(commandKindByName(k->name), k);
        TPage page;
        const auto command = createCommand(static_cast<uint8_t>(code | 0x80), page.Commands);
        EXPECT_EQ(command->TypeCode(), code);
        EXPECT_EQ(k->component, dynamic_cast<TComComponent*>(command.get()) != nullptr);
    }
    EXPECT_EQ(commandCaption(30), sj("ボタン作成"));
    EXPECT_STREQ(commandKind(30)->className, "TComBtnNew");
    EXPECT_STREQ(commandKind(58)->name, "FormatHist");
    EXPECT_STREQ(commandKind(58)->className, "TComEntryHist");
    EXPECT_EQ(commandKind(61), nullptr);
}

TEST(PageFile, AFreedPageTakesItsOwnVariableAlong) {
    TParamCollection vars;
    auto* own = vars.Add(PT_INT);
    vars.SetName(own, "\x01"
                      "menu.nsb");
    {
        TPage page(&vars);
        page.Name = "menu.nsb";
    }
    EXPECT_EQ(vars.Find("\x01"
                        "menu.nsb"),
              nullptr);
}
