// The condition of Jump, Call, Exit, Break and Continue in the text form:
// left out it is TRUE (the command happens), a truly empty one is written
// cond={} and counts as false; dump and build keep every form byte for byte.
#include "engine/Commands.h"
#include "engine/Page.h"
#include "engine/PageSource.h"
#include "script/NuvoParser.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"

#include <gtest/gtest.h>

using namespace nuvo;

namespace {

std::vector<uint8_t> build(const std::string& text) {
    TPage page;
    readPageSource(text, page);
    TKvMemoryStream s;
    page.SaveToStream(s);
    return s.bytes();
}

std::string dump(const std::vector<uint8_t>& bytes) {
    TKvMemoryStream s(bytes);
    TPage page;
    EXPECT_EQ(page.LoadFromStream(s), TPage::LoadResult::Loaded);
    return writePageSource(page);
}

const TExpr& conditionOf(TCommand& c) {
    if (auto* k = dynamic_cast<TComJump*>(&c)) return k->ConditionExpr;
    if (auto* k = dynamic_cast<TComCall*>(&c)) return k->ConditionExpr;
    if (auto* k = dynamic_cast<TComExit*>(&c)) return k->ConditionExpr;
    if (auto* k = dynamic_cast<TComBreak*>(&c)) return k->ConditionExpr;
    return dynamic_cast<TComContinue&>(c).ConditionExpr;
}

} // namespace

TEST(ConditionText, LeftOutIsTrueEmptyIsWrittenAndEveryFormRoundTrips) {
    const std::string head = "page version=116 result=int\n";
    const std::string omitted =
        head + "Jump \"a.nsb\"\nCall \"sub.nsb\" result=\"r\"\nExit\nBreak target=3\nContinue target=1\n";
    const std::string explicitTrue = head + "Jump \"a.nsb\" cond={TRUE}\nCall \"sub.nsb\" result=\"r\" cond={TRUE}\n"
                                            "Exit {TRUE}\nBreak {TRUE} target=3\nContinue {TRUE} target=1\n";
    const std::string empty = head + "Jump \"a.nsb\" cond={}\nCall \"sub.nsb\" result=\"r\" cond={}\nExit cond={}\n"
                                     "Break cond={} target=3\nContinue cond={} target=1\n";
    const std::string other = head + "Jump \"a.nsb\" cond={x > 1}\nExit {done}\nBreak {i == 5} target=3\n";

    // Writing TRUE and leaving it out are the same page, written without it.
    const auto trueBytes = build(omitted);
    EXPECT_EQ(build(explicitTrue), trueBytes);
    EXPECT_EQ(dump(trueBytes), omitted);
    // Empty conditions stay empty and are named; others stay as written.
    for (const std::string& text : {empty, other}) {
        const auto bytes = build(text);
        EXPECT_EQ(dump(bytes), text);
        EXPECT_EQ(build(dump(bytes)), bytes);
    }

    // What the conditions are: TRUE evaluates true, the empty one has no operations.
    TParamCollection vars;
    TSysFuncMan functions;
    ScriptContext script(vars, functions);
    TPage withTrue, withEmpty;
    readPageSource(omitted, withTrue);
    readPageSource(empty, withEmpty);
    for (int i = 0; i < withTrue.Commands.Count(); ++i) {
        TNuvoParser& p = conditionOf(*withTrue.Commands.At(i)).Parser();
        p.Execute(script);
        ASSERT_NE(p.Result(), nullptr);
        EXPECT_TRUE(p.Result()->AsBool()) << i;
        EXPECT_TRUE(conditionOf(*withEmpty.Commands.At(i)).Empty()) << i;
    }
    // Other kinds keep their plain rule: a left-out condition is empty.
    TPage plain;
    readPageSource(head + "If\nWait time={5}\n", plain);
    EXPECT_TRUE(dynamic_cast<TComIf&>(*plain.Commands.At(0)).ConditionExpr.Empty());
    EXPECT_TRUE(dynamic_cast<TComWait&>(*plain.Commands.At(1)).ConditionExpr.Empty());
}
