// The generic get/set of numbered properties, directly and from expressions.
#include "TestComponents.h"

#include "base/Cp932.h"
#include "base/Error.h"
#include "components/ComponentFunctions.h"
#include "components/PropertyDispatch.h"
#include "script/NuvoParser.h"
#include "script/ParamCollection.h"
#include "script/ParamStorage.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"
#include "script/VariableDump.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace nuvo {
namespace {

using test::sj;
using test::TTestControl;
using test::TTestSound;

class Properties : public ::testing::Test {
protected:
    TNuvoBaseList registry;
    TTestControl* label = nullptr;

    void SetUp() override {
        label = registry.Create<TTestControl>(LT_LABEL);
        label->SetName("label");
        label->SetParent(registry.ActiveBase());
    }
    std::string get(const TNuvoObject& o, int32_t n) {
        TParamStr v;
        GetProperty(v, o, n);
        return v.AsString();
    }
    void setInt(TNuvoObject& o, int32_t n, int32_t value) {
        TParamInt v;
        v.SetInteger(value);
        SetProperty(o, n, v);
    }
    void setStr(TNuvoObject& o, int32_t n, std::string_view value) {
        TParamStr v;
        v.SetString(value);
        SetProperty(o, n, v);
    }
    static std::string errorOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const ENuvoError& e) {
            return sjisToUtf8(e.message());
        }
        return "<none>";
    }
};

TEST_F(Properties, NumbersOutsideTheCatalogueFail) {
    TParamInt v;
    for (int32_t n : {-1, 165, INT32_MIN}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(errorOf([&] { GetProperty(v, *label, n); }), "GetPropエラー");
        EXPECT_EQ(errorOf([&] { SetProperty(*label, n, v); }), "SetPropエラー");
    }
    auto* particle = registry.Create<TTestControl>(LT_PARTICLE);
    EXPECT_EQ(errorOf([&] { SetProperty(*particle, PR_APPEARX, v); }), "SetPropエラー");
    EXPECT_EQ(errorOf([&] { SetProperty(*particle, PR_APPEARY, v); }), "SetPropエラー");
    EXPECT_EQ(get(*particle, PR_APPEARX), "0");
}

TEST_F(Properties, UncarriedPropertiesReadDefaultsAndIgnoreWrites) {
    auto* sound = registry.Create<TTestSound>();
    setInt(*label, PR_VOLUME, 500);
    setInt(*sound, PR_VOLUME, 500);
    EXPECT_EQ(get(*label, PR_VOLUME), "0");
    EXPECT_EQ(get(*sound, PR_VOLUME), "500");

    label->ZoomX = 300;
    auto* box = registry.Create<TTestControl>(LT_BOX);
    box->ZoomX = 300;
    EXPECT_EQ(get(*label, PR_ZOOMX), "300");
    EXPECT_EQ(get(*box, PR_ZOOMX), "0") << "boxes carry no zoom";
    EXPECT_EQ(get(*sound, PR_LEFT), "0");
    TParamFlag flag;
    GetProperty(flag, *label, PR_PLAYING);
    EXPECT_FALSE(flag.AsBool());

    setInt(*label, PR_COMPOTYPE, LT_BOX);
    setInt(*label, PR_CARETX, 5);
    EXPECT_EQ(get(*label, PR_COMPOTYPE), "9") << "read only";
    EXPECT_EQ(get(*sound, PR_COMPOTYPE), "17");
}

TEST_F(Properties, ValuesAreConvertedToThePropertysType) {
    setStr(*label, PR_LEFT, "42");
    EXPECT_EQ(label->GetLeft(), 42);
    setStr(*label, PR_VISIBLE, "FALSE");
    EXPECT_FALSE(label->GetVisible());
    TParamFloat real;
    real.SetFloat(3.75L);
    SetProperty(*label, PR_TOP, real);
    EXPECT_EQ(label->GetTop(), 3);
    setInt(*label, PR_TAG, 7);
    EXPECT_EQ(label->Tag, "7");
    TParamFlag flag;
    GetProperty(flag, *label, PR_LEFT);
    EXPECT_TRUE(flag.AsBool()) << "the variable converts what it is given";
}

TEST_F(Properties, ParentReadsAndWritesByName) {
    EXPECT_EQ(get(*label, PR_PARENT), "");
    label->SetParent(registry.InactiveBase());
    EXPECT_EQ(get(*label, PR_PARENT), "\x01");
    auto* panel = registry.Create<TTestControl>();
    panel->SetName("panel");
    setStr(*label, PR_PARENT, "panel");
    EXPECT_EQ(get(*label, PR_PARENT), "panel");
    setStr(*label, PR_PARENT, "nothing");
    EXPECT_EQ(label->GetParent(), panel) << "a name that finds nothing changes nothing";
    setStr(*label, PR_PARENT,
           "\x01"
           "BASE0");
    EXPECT_EQ(label->GetParent(), registry.Base(0));
    registry.ActiveIndex = 1;
    EXPECT_EQ(get(*label, PR_PARENT), "\x01");
    setStr(*registry.Base(0), PR_PARENT, "panel");
    EXPECT_EQ(registry.Base(0)->GetParent(), nullptr) << "base screens have no parent";
    auto* sound = registry.Create<TTestSound>();
    EXPECT_EQ(get(*sound, PR_PARENT), "");
}

TEST_F(Properties, PropertiesWithRulesOfTheirOwn) {
    setInt(*label, PR_FONTSTYLE, FS_BOLD | FS_UNDERLINE);
    EXPECT_EQ(get(*label, PR_FONTSTYLE), "5");
    setInt(*label, PR_FONTSTYLE, 0x35);
    EXPECT_EQ(label->FontStyle, 5) << "bits above 8 are ignored";

    label->SetPriority(3);
    label->SetPriorityOffset(100);
    EXPECT_EQ(get(*label, PR_PRIORITY), "3") << "without the offset";
    setInt(*label, PR_PRIORITY, 4);
    EXPECT_EQ(label->GetPriorityOffset(), 0);

    setStr(*label, PR_TEXT, "hello");
    EXPECT_EQ(label->Text, "hello");
    EXPECT_EQ(label->ResetCount, 1) << "SetProp resets the insertion state first";
    TParamStr text;
    text.SetString("again");
    ApplyProperty(*label, PR_TEXT, text);
    EXPECT_EQ(label->ResetCount, 1);

    setStr(*label, PR_NAME, "renamed");
    EXPECT_EQ(registry.FindByName("renamed"), label);
    EXPECT_EQ(get(*label, PR_NAME), "renamed");
}

// GetProp and SetProp in expressions reach the same dispatch.
TEST_F(Properties, FromExpressions) {
    TParamCollection vars;
    TSysFuncMan functions;
    ScriptContext context(vars, functions);
    installComponentFunctions(functions, registry);
    for (const char* spec : {"x:int", "s:str", "v:flag"})
        declareVariable(vars, spec);
    const auto run = [&](std::string_view text) {
        auto parser = compileExpression(text);
        parser->Execute(context);
        return sjisToUtf8(parser->LastError());
    };

    EXPECT_EQ(run("SetProp(\"label\", 3, 40 + 2)"), "");
    EXPECT_EQ(label->GetLeft(), 42);
    EXPECT_EQ(run("x = GetProp(\"label\", 3) * 2"), "");
    EXPECT_EQ(vars.Find("x")->Value()->AsInteger(), 84);
    EXPECT_EQ(run("v = GetProp(\"label\", 47)"), "");
    EXPECT_TRUE(vars.Find("v")->Value()->AsBool());
    EXPECT_EQ(run("s = GetProp(\"label\", 1) ++ \"|\" ++ GetProp(\"\", 0)"), "");
    EXPECT_EQ(vars.Find("s")->Value()->AsString(), "|\x01"
                                                   "BASE0");
    EXPECT_EQ(run(sj("SetProp(\"label\", 151, \"タグ\")")), "");
    EXPECT_EQ(label->Tag, sj("タグ"));

    EXPECT_EQ(run("x = GetProp(\"nobody\", 3)"), "");
    EXPECT_EQ(vars.Find("x")->Value()->AsInteger(), 0) << "no component: the result stays empty";
    EXPECT_EQ(run("SetProp(\"label\", 0 - 1, 1)"), "SetPropエラー");
    EXPECT_EQ(run("SetProp(\"label\", 92, 1)"), "SetPropエラー");
    EXPECT_EQ(run("x = GetProp(\"label\", x - 1)"), "GetPropの引数が違います") << "the evaluator checks first";
}

} // namespace
} // namespace nuvo
