#include "script/ParamCollection.h"
#include "base/Cp932.h"
#include "base/Error.h"
#include "base/StreamIO.h"
#include "script/ParamVar.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace nuvo;
using nuvo::test::sj;

namespace {

std::string raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const ENuvoError& e) {
        return e.message();
    }
    return "<nothing raised>";
}

TParamCollectionItem* declare(TParamCollection& t, std::string_view name, uint8_t type, uint8_t scope = SCOPE_GLOBAL) {
    return t.Declare(name, type, scope, nullptr);
}

TParamCollectionItem* declareInt(TParamCollection& t, std::string_view name, int32_t value,
                                 uint8_t scope = SCOPE_GLOBAL) {
    auto init = CreateValue(PT_INT);
    init->SetInteger(value);
    return t.Declare(name, PT_INT, scope, [&] { return init.get(); });
}

TParamCollectionItem* reference(TParamCollection& t, std::string_view name, TParamCollectionItem* target) {
    TParamCollectionItem* e = declare(t, name, PT_NONE);
    auto* ref = static_cast<TParamVar*>(e->Value());
    ref->Target = target;
    ref->TargetName = target ? target->Name() : std::string();
    return e;
}

std::vector<uint8_t> gameRecord(const TParamCollection& t) {
    TKvMemoryStream s;
    t.SaveGameVariables(s);
    return s.bytes();
}

std::vector<uint8_t> statusRecord(const TParamCollection& t) {
    TKvMemoryStream s;
    t.SaveStatusVariables(s);
    return s.bytes();
}

// The names of the entry records of a game or status record, in stored order.
std::vector<std::string> recordedNames(const std::vector<uint8_t>& bytes) {
    TParamCollection scratch;
    TKvMemoryStream s(bytes);
    const int32_t n = ReadInt(s);
    std::vector<std::string> names;
    for (int32_t i = 0; i < n; ++i) {
        const uint8_t type = ReadByte(s);
        names.push_back(ReadStr(s));
        auto v = CreateValue(type);
        v->LoadFromStream(s);
        s.seek(7, SeekOrigin::Current);
    }
    return names;
}

} // namespace

TEST(ParamCollection, StartsWithTheSystemVariables) {
    TParamCollection t;
    ASSERT_EQ(t.Count(), kSystemVariableCount);
    EXPECT_EQ(t.Entry(0)->Name(), "@Result");
    EXPECT_EQ(t.Entry(7)->Name(), "@TextDelay");
    EXPECT_EQ(t.Entry(44)->Name(), "@Temp");
    EXPECT_EQ(t.Entry(50)->Name(), "@StackCount");
    EXPECT_EQ(t.Find("@mousex"), t.Entry(5));
    EXPECT_EQ(t.SystemVariable(30)->Name(), "@Pi");
    EXPECT_EQ(t.SystemVariable(30)->ParamType(), PT_FLOAT);
    EXPECT_EQ(t.TextDelay, 50);
    // They are neither deleted, renamed, cleared nor saved.
    t.Delete(t.Entry(3));
    t.SetName(t.Entry(3), "x");
    t.ClearGameVariables();
    t.DeleteOwnedBy(-1);
    EXPECT_EQ(t.Count(), kSystemVariableCount);
    EXPECT_EQ(t.Entry(3)->Name(), "@LPush");
    EXPECT_EQ(gameRecord(t).size(), 4u + 4 + 4 + 4 + 4 + 4 + 4);
    EXPECT_EQ(statusRecord(t), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(ParamCollection, SystemVariableForwardsToItsAccessor) {
    TParamCollection t;
    auto accessor = CreateValue(PT_INT);
    TCustomParam* raw = accessor.get();
    t.SystemVariable(5)->SetAccessor(std::move(accessor));
    TCustomParam& mouseX = *t.Find("@MouseX")->Value();
    mouseX.SetInteger(120);
    EXPECT_EQ(raw->AsInteger(), 120);
    EXPECT_EQ(mouseX.AsString(), "120");
    // Without an accessor: the type's default, writes ignored.
    TCustomParam& week = *t.Find("@Week")->Value();
    week.SetInteger(3);
    EXPECT_EQ(week.AsInteger(), 0);
    EXPECT_EQ(week.Count(), 1);
    EXPECT_EQ(t.CopyValue("@MouseX")->AsInteger(), 120);
}

TEST(ParamCollection, HashOfOneByteNames) {
    for (const char* name : {"x", "Z", "\x81", "9"})
        EXPECT_EQ(TParamCollection::HashName(name), 16) << name;
    EXPECT_EQ(TParamCollection::HashName("abc"), 243);
}

TEST(ParamCollection, NamesAreValidated) {
    TParamCollection t;
    const struct {
        std::string name;
        bool valid;
    } cases[] = {
        {"", false},        {"a b", false}, {"a\tb", false},    {"1abc", false}, {"9", false}, {"_x", true},
        {sj("変数"), true}, {"a1", true},   {"\x01page", true}, {"____0", true}, {"@x", true},
    };
    for (const auto& c : cases) {
        TParamCollectionItem* e = t.Add(PT_INT);
        const std::string got = raised([&] { t.SetName(e, c.name); });
        if (c.valid) {
            EXPECT_EQ(got, "<nothing raised>") << c.name;
            EXPECT_EQ(t.Find(c.name), e);
        } else {
            EXPECT_EQ(got, "\"" + c.name + "\"" + sj("：変数名が不正です")) << c.name;
        }
        t.Delete(e);
    }
    EXPECT_EQ(raised([&] { t.Declare("", PT_INT, SCOPE_GLOBAL, nullptr); }), sj("変数名がありません"));
    EXPECT_EQ(raised([&] { t.Declare("2x", PT_INT, SCOPE_GLOBAL, nullptr); }), "\"2x\"" + sj("：変数名が不正です"));
    EXPECT_EQ(raised([&] { t.Declare("x", 9, SCOPE_GLOBAL, nullptr); }), sj("x:不正な変数です"));
    EXPECT_EQ(t.Count(), kSystemVariableCount); // nothing left behind by the failures
}

TEST(ParamCollection, LocalsAreVisibleOnlyAtTheirDepth) {
    TParamCollection t;
    t.CurrentDepth = 1;
    TParamCollectionItem* global = declareInt(t, "x", 1);
    TParamCollectionItem* onlyLocal = nullptr;
    t.CurrentDepth = 2;
    TParamCollectionItem* local = declareInt(t, "X", 2, SCOPE_LOCAL);
    onlyLocal = declareInt(t, "y", 3, SCOPE_LOCAL);
    EXPECT_NE(local, global);
    EXPECT_EQ(local->OwnerDepth, 2);
    EXPECT_EQ(t.Find("x"), local);
    EXPECT_EQ(t.Find("y"), onlyLocal);
    t.CurrentDepth = 3;
    EXPECT_EQ(t.Find("x"), global);
    EXPECT_EQ(t.Find("y"), nullptr);
    t.CurrentDepth = 2;
    EXPECT_EQ(t.Find("x"), local);
    // A declaration re-uses only the entry of its own kind.
    EXPECT_EQ(t.FindForDeclare("x", true), local);
    EXPECT_EQ(t.FindForDeclare("x", false), global);
    EXPECT_EQ(declareInt(t, "x", 5, SCOPE_LOCAL), local);
    EXPECT_EQ(local->Value()->AsInteger(), 5);
    t.DeleteOwnedBy(2);
    EXPECT_EQ(t.Find("x"), global);
    EXPECT_EQ(t.Find("y"), nullptr);
}

TEST(ParamCollection, FindPrefersTheEarliestNonLocalNamesake) {
    TParamCollection t;
    TParamCollectionItem* first = t.Add(PT_INT);
    t.SetName(first, "dup");
    TParamCollectionItem* second = t.Add(PT_INT);
    t.SetName(second, "DUP");
    EXPECT_EQ(t.Find("dup"), first);
    EXPECT_EQ(t.FindForDeclare("dup", false), second);
}

// Find and FindForDeclare against a model of the rule: namesakes are met in
// the order they were last named, most recent first; a local of the current
// depth wins at once, otherwise the last non-local met.
TEST(ParamCollection, LookupsFollowTheNamesakeRuleUnderRandomChanges) {
    TParamCollection t;
    const std::vector<std::string> pool = {"a", "A", "b", "ab", "aB", sj("変数"), sj("変数A"), sj("変数a")};
    struct Model {
        TParamCollectionItem* entry;
        uint64_t serial;
    };
    std::vector<Model> model;
    uint64_t serial = 0, seed = 12345;
    auto next = [&](uint64_t n) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        return (seed >> 33) % n;
    };
    auto rename = [&](Model& m, const std::string& name) {
        if (m.entry->Name() != name) m.serial = ++serial;
        t.SetName(m.entry, name);
    };
    auto expectFind = [&](const std::string& name) {
        std::vector<const Model*> namesakes;
        for (const Model& m : model)
            if (sjisSameText(m.entry->Name(), name)) namesakes.push_back(&m);
        std::sort(namesakes.begin(), namesakes.end(), [](auto* x, auto* y) { return x->serial > y->serial; });
        TParamCollectionItem *find = nullptr, *local = nullptr, *global = nullptr;
        for (const Model* m : namesakes) {
            TParamCollectionItem* e = m->entry;
            const bool current = e->IsLocal && e->OwnerDepth == t.CurrentDepth;
            if (current && !local) local = e;
            if (!e->IsLocal && !global) global = e;
            if (!e->IsLocal) find = e;
        }
        if (local) find = local;
        ASSERT_EQ(t.Find(name), find) << name;
        ASSERT_EQ(t.FindForDeclare(name, true), local) << name;
        ASSERT_EQ(t.FindForDeclare(name, false), global) << name;
    };
    for (int step = 0; step < 400; ++step) {
        switch (next(5)) {
        case 0:
        case 1: {
            model.push_back({t.Add(PT_INT), ++serial});
            rename(model.back(), pool[next(pool.size())]);
            break;
        }
        case 2:
            if (!model.empty()) rename(model[next(model.size())], pool[next(pool.size())]);
            break;
        case 3:
            if (!model.empty()) {
                const size_t k = next(model.size());
                t.Delete(model[k].entry);
                model.erase(model.begin() + static_cast<std::ptrdiff_t>(k));
            }
            break;
        default:
            if (!model.empty()) {
                TParamCollectionItem* e = model[next(model.size())].entry;
                e->IsLocal = static_cast<uint8_t>(next(2));
                e->OwnerDepth = static_cast<int32_t>(next(3));
            }
            t.CurrentDepth = static_cast<int32_t>(next(3));
            break;
        }
        for (const std::string& name : pool)
            expectFind(name);
    }
}

TEST(ParamCollection, DeclareScopesAndInitialValues) {
    TParamCollection t;
    t.CurrentDepth = 4;
    TParamCollectionItem* autoDel = declareInt(t, "a", 1, SCOPE_AUTODELETE);
    EXPECT_EQ(autoDel->OwnerDepth, 4);
    EXPECT_EQ(autoDel->IsLocal, 0);
    TParamCollectionItem* status = declareInt(t, "s", 7, SCOPE_STATUS);
    EXPECT_EQ(status->IsStatus, 1);
    EXPECT_EQ(status->OwnerDepth, -1);

    // A status variable declared again keeps its value; its initial value is never produced.
    int asked = 0;
    EXPECT_EQ(t.Declare("S", PT_INT, SCOPE_STATUS,
                        [&]() -> const TCustomParam* {
                            ++asked;
                            return nullptr;
                        }),
              status);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(status->Value()->AsInteger(), 7);

    // An existing entry keeps its own type; the value converts to it.
    auto text = CreateValue(PT_STR);
    text->SetString("2.75");
    t.Declare("a", PT_FLOAT, SCOPE_GLOBAL, [&] { return text.get(); });
    EXPECT_EQ(autoDel->Value()->ParamType(), PT_INT);
    EXPECT_EQ(autoDel->Value()->AsInteger(), 2);
    // No value: unchanged. A new variable starts at its default.
    t.Declare("a", PT_INT, SCOPE_GLOBAL, [] { return nullptr; });
    EXPECT_EQ(autoDel->Value()->AsInteger(), 2);
    EXPECT_EQ(declare(t, "f", PT_BOOL)->Value()->AsString(), "FALSE");

    t.DeleteOwnedBy(4);
    EXPECT_EQ(t.Find("a"), nullptr);
    t.ClearGameVariables();
    EXPECT_EQ(t.Find("s"), status);
    EXPECT_EQ(t.Find("f"), nullptr);
}

TEST(ParamCollection, ClearGameVariablesResetsTheProgramValues) {
    TParamCollection t;
    t.TextDelay = 10;
    t.CursorName = "hand";
    t.TempAlias = "x";
    t.ClearGameVariables();
    EXPECT_EQ(t.TextDelay, 50);
    EXPECT_EQ(t.CursorName, "");
    EXPECT_EQ(t.TempAlias, "x");
}

TEST(ParamCollection, CopyValue) {
    TParamCollection t;
    EXPECT_EQ(t.CopyValue("none"), nullptr);
    TParamCollectionItem* a = declare(t, "a", PT_STR);
    a->Value()->SetDims(std::vector<int32_t>{2, 2});
    a->Value()->SetStrAt(3, "z");
    auto copy = t.CopyValue("A");
    EXPECT_EQ(copy->ParamType(), PT_STR);
    EXPECT_EQ(copy->Dims(), (std::vector<int32_t>{2, 2}));
    EXPECT_EQ(copy->GetStrAt(3), "z");
    copy->SetStrAt(3, "changed");
    EXPECT_EQ(a->Value()->GetStrAt(3), "z");
    reference(t, "r", nullptr);
    EXPECT_EQ(raised([&] { t.CopyValue("r"); }), sj("r:不正な変数です"));
}

TEST(ParamCollection, ReferencesForwardAndNeverDangle) {
    TParamCollection t;
    TParamCollectionItem* arr = declare(t, "arr", PT_INT);
    arr->Value()->SetDims(std::vector<int32_t>{3, 4});
    TParamCollectionItem* r = reference(t, "r", arr);
    auto* ref = static_cast<TParamVar*>(r->Value());
    ref->Index = 6;
    ref->SetInteger(42); // a scalar write is the element write at Index
    EXPECT_EQ(arr->Value()->GetIntAt(6), 42);
    EXPECT_EQ(arr->Value()->Count(), 12); // and does not make the target a scalar
    EXPECT_EQ(ref->AsString(), "42");
    EXPECT_EQ(ref->ParamType(), PT_INT);
    EXPECT_EQ(ref->Count(), 12);
    EXPECT_EQ(ref->DimSize(1), 4);
    ref->Index = 12;
    EXPECT_EQ(raised([&] { ref->AsInteger(); }), sj("[12]:配列の添字が不正です"));
    // CopyMem sees through references on either side.
    TParamCollectionItem* other = declare(t, "other", PT_INT);
    other->Value()->CopyMem(*ref);
    EXPECT_EQ(other->Value()->GetIntAt(6), 42);

    t.Delete(arr);
    EXPECT_EQ(ref->Target, nullptr);
    EXPECT_EQ(ref->AsInteger(), 0);
    EXPECT_EQ(ref->ParamType(), PT_NONE);
    EXPECT_EQ(ref->Count(), 0);
    EXPECT_EQ(ref->IndexOfStr("", true, false), -1);
    ref->SetString("ignored");

    // A cycle of references reads as no target instead of recursing forever.
    TParamCollectionItem* c1 = reference(t, "c1", nullptr);
    TParamCollectionItem* c2 = reference(t, "c2", c1);
    static_cast<TParamVar*>(c1->Value())->Target = c2;
    EXPECT_EQ(c1->Value()->AsInteger(), 0);
    EXPECT_EQ(c2->Value()->ParamType(), PT_NONE);
    c1->Value()->SetInteger(1);
}

TEST(ParamCollection, PushVarAndPopVar) {
    TParamCollection t;
    t.PopVar(); // empty stack: nothing happens
    EXPECT_TRUE(t.VarStack().empty());
    TParamCollectionItem* a = declareInt(t, "a", 1);
    TParamCollectionItem* s = declare(t, "s", PT_STR);
    s->Value()->SetDims(std::vector<int32_t>{2});
    s->Value()->SetStrAt(1, "two");
    declareInt(t, "kept", 9);
    t.PushVar({"a", "s", "missing", "@Week"});
    ASSERT_EQ(t.VarStack().size(), 1u);
    TKvMemoryStream snapshot(t.VarStack()[0]->bytes());
    EXPECT_EQ(ReadInt(snapshot), 3); // a, s and the system variable; "missing" is skipped

    a->Value()->SetInteger(5);
    t.Delete(s);
    TParamCollectionItem* kept = t.Find("kept");
    kept->Value()->SetInteger(10);
    t.CurrentDepth = 1;
    declare(t, "a", PT_STR, SCOPE_LOCAL); // a local of another type hides the global
    t.PopVar();
    EXPECT_TRUE(t.VarStack().empty());
    // The local of another type was deleted, which uncovered the global.
    EXPECT_EQ(t.Find("a"), a);
    EXPECT_EQ(a->Value()->AsInteger(), 1);
    EXPECT_EQ(t.FindForDeclare("a", true), nullptr);
    // A deleted variable is re-created as a global.
    TParamCollectionItem* s2 = t.Find("s");
    ASSERT_NE(s2, nullptr);
    EXPECT_EQ(s2->IsLocal, 0);
    EXPECT_EQ(s2->Value()->GetStrAt(1), "two");
    EXPECT_EQ(kept->Value()->AsInteger(), 10);
}

TEST(ParamCollection, DamagedSnapshotIsDroppedWithAnError) {
    TParamCollection t;
    TKvMemoryStream record;
    WriteInt(record, 0); // no variables
    WriteInt(record, 50);
    WriteStr(record, "");
    WriteStr(record, "");
    WriteInt(record, 0);
    WriteStr(record, "");
    WriteInt(record, 1); // one snapshot: claims two items, holds half of one
    WriteInt(record, 12);
    WriteInt(record, 2);
    WriteInt(record, PT_INT);
    WriteInt(record, 1);
    record.setPosition(0);
    (void)t.LoadGameVariables(record, 145);
    ASSERT_EQ(t.VarStack().size(), 1u);
    EXPECT_EQ(raised([&] { t.PopVar(); }), sj("データが壊れています"));
    EXPECT_TRUE(t.VarStack().empty());
}

namespace {

// A table with one of everything a game record holds.
void fill(TParamCollection& t) {
    t.CurrentDepth = 2;
    TParamCollectionItem* arr = declare(t, "arr", PT_INT);
    arr->Value()->SetDims(std::vector<int32_t>{2, 3});
    for (int32_t i = 0; i < 6; ++i)
        arr->Value()->SetIntAt(i, i * 10);
    declare(t, "real", PT_FLOAT)->Value()->SetFloat(-1.25L);
    declare(t, "flag", PT_BOOL)->Value()->SetBool(true);
    declare(t, sj("文字"), PT_STR)->Value()->SetString(sj("日本語"));
    declareInt(t, "loc", 3, SCOPE_LOCAL);
    declareInt(t, "auto", 4, SCOPE_AUTODELETE);
    declareInt(t, "stat", 5, SCOPE_STATUS);
    TParamCollectionItem* r = reference(t, "ref", arr);
    static_cast<TParamVar*>(r->Value())->Index = 4;
    static_cast<TParamVar*>(r->Value())->RefFlag = 7;
    t.Find("flag")->ExtraFlag = 1;
    t.TextDelay = 30;
    t.CursorName = "cur";
    t.SelStr = "sel";
    t.SelIndex = 2;
    t.TempAlias = "arr";
    t.PushVar({"real"});
}

} // namespace

TEST(ParamCollection, GameRecordLayout) {
    TParamCollection t;
    declareInt(t, "a", 7);
    t.TextDelay = 30;
    const std::vector<uint8_t> expected = {
        1,      0, 0,    0,                                  // N
        PT_INT, 1, 0,    0,    0,    'a',                    // type, name
        0,      0, 0,    0,    1,    0,    0, 0, 7, 0, 0, 0, // value record
        0,      0, 0xFF, 0xFF, 0xFF, 0xFF, 0,                // IsStatus, ExtraFlag, OwnerDepth, IsLocal
        30,     0, 0,    0,                                  // TextDelay
        0,      0, 0,    0,    0,    0,    0, 0, 0, 0, 0, 0, // CursorName, SelStr, SelIndex
        0,      0, 0,    0,    0,    0,    0, 0,             // TempAlias, snapshot count
    };
    EXPECT_EQ(gameRecord(t), expected);
}

TEST(ParamCollection, GameRecordRoundTrips) {
    TParamCollection original;
    fill(original);
    const std::vector<uint8_t> first = gameRecord(original);

    TParamCollection loaded;
    loaded.CurrentDepth = 2;
    TKvMemoryStream in(first);
    const TLegacyHistoryLayout legacy = loaded.LoadGameVariables(in, 145);
    EXPECT_FALSE(legacy.Present);
    EXPECT_EQ(in.position(), in.size());
    EXPECT_EQ(loaded.Find("arr")->Value()->GetIntAt(5), 50);
    EXPECT_EQ(loaded.Find("real")->Value()->AsFloat(), -1.25L);
    EXPECT_EQ(loaded.Find(sj("文字"))->Value()->AsString(), sj("日本語"));
    EXPECT_EQ(loaded.Find("loc")->IsLocal, 1);
    EXPECT_EQ(loaded.Find("auto")->OwnerDepth, 2);
    EXPECT_EQ(loaded.Find("flag")->ExtraFlag, 1);
    EXPECT_EQ(loaded.Find("stat"), nullptr);
    // The reference is stored with its own type code and comes back bound.
    auto* ref = dynamic_cast<TParamVar*>(loaded.Find("ref")->Value());
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(ref->Target, loaded.Find("arr"));
    EXPECT_EQ(ref->AsInteger(), 40);
    EXPECT_EQ(ref->RefFlag, 7);
    EXPECT_EQ(loaded.TextDelay, 30);
    EXPECT_EQ(loaded.CursorName, "cur");
    EXPECT_EQ(loaded.SelStr, "sel");
    EXPECT_EQ(loaded.SelIndex, 2);
    EXPECT_EQ(loaded.TempAlias, "arr");
    ASSERT_EQ(loaded.VarStack().size(), 1u);
    EXPECT_EQ(loaded.VarStack()[0]->bytes(), original.VarStack()[0]->bytes());

    // Entries are written last to first, so each load reverses their order:
    // two round trips give the original bytes back.
    const std::vector<uint8_t> second = gameRecord(loaded);
    EXPECT_EQ(second.size(), first.size());
    TParamCollection again;
    again.CurrentDepth = 2;
    TKvMemoryStream in2(second);
    (void)again.LoadGameVariables(in2, 145);
    EXPECT_EQ(gameRecord(again), first);

    // A table whose order a load cannot change gives identical bytes at once.
    TParamCollection single;
    declareInt(single, "only", 1);
    single.PushVar({"only"});
    TParamCollection singleLoaded;
    TKvMemoryStream in3(gameRecord(single));
    (void)singleLoaded.LoadGameVariables(in3, 145);
    EXPECT_EQ(gameRecord(singleLoaded), gameRecord(single));
}

TEST(ParamCollection, StatusRecordRoundTrips) {
    TParamCollection original;
    declareInt(original, "s1", 1, SCOPE_STATUS);
    declare(original, "s2", PT_STR, SCOPE_STATUS)->Value()->SetString("x");
    declareInt(original, "game", 3);
    const std::vector<uint8_t> first = statusRecord(original);
    EXPECT_EQ(recordedNames(first), (std::vector<std::string>{"s2", "s1"}));

    TParamCollection loaded;
    declareInt(loaded, "game", 9);
    TKvMemoryStream in(first);
    loaded.LoadStatusVariables(in);
    EXPECT_EQ(loaded.Find("game")->Value()->AsInteger(), 9); // nothing deleted first
    EXPECT_EQ(loaded.Find("s1")->IsStatus, 1);
    EXPECT_EQ(loaded.Find("s2")->Value()->AsString(), "x");
    TParamCollection again;
    TKvMemoryStream in2(statusRecord(loaded));
    again.LoadStatusVariables(in2);
    EXPECT_EQ(statusRecord(again), first);
}

TEST(ParamCollection, LoadGameVariablesFollowsTheSaveVersion) {
    const int32_t versions[] = {100, 102, 103, 112, 113, 120, 121, 134, 135, 138, 139, 145};
    for (int32_t v : versions) {
        SCOPED_TRACE(v);
        TKvMemoryStream s;
        WriteInt(s, 0);
        WriteInt(s, 33);
        WriteStr(s, "cur");
        if (v > 102) {
            WriteStr(s, "sel");
            WriteInt(s, 4);
        }
        if (v > 112 && v < 135)
            for (int32_t k = 1; k <= 6; ++k)
                WriteInt(s, k * 11);
        if (v > 120) WriteStr(s, "tmp");
        if (v >= 139) {
            WriteInt(s, 1);
            WriteInt(s, 4);
            WriteInt(s, 0); // an empty snapshot
        }
        s.setPosition(0);
        TParamCollection t;
        t.SelStr = "old";
        t.SelIndex = -1;
        t.TempAlias = "oldAlias";
        t.PushVar({});
        t.PushVar({});
        const TLegacyHistoryLayout legacy = t.LoadGameVariables(s, v);
        EXPECT_EQ(s.position(), s.size());
        EXPECT_EQ(t.TextDelay, 33);
        EXPECT_EQ(t.CursorName, "cur");
        EXPECT_EQ(t.SelStr, v > 102 ? "sel" : "old");
        EXPECT_EQ(t.SelIndex, v > 102 ? 4 : -1);
        EXPECT_EQ(legacy.Present, v > 112 && v < 135);
        if (legacy.Present) {
            EXPECT_EQ(legacy.Values, (std::array<int32_t, 6>{11, 22, 33, 44, 55, 66}));
        }
        EXPECT_EQ(t.TempAlias, v > 120 ? "tmp" : "oldAlias");
        EXPECT_EQ(t.VarStack().size(), v >= 139 ? 1u : 0u); // old snapshots are always freed
    }
}

TEST(ParamCollection, HeldBackReferencesFollowTheirTargets) {
    TParamCollection t;
    TParamCollectionItem* target = declareInt(t, "target", 1);
    declareInt(t, "plain", 2);
    reference(t, "ref", target);
    // ref comes first from the end, but waits for its target.
    EXPECT_EQ(recordedNames(gameRecord(t)), (std::vector<std::string>{"plain", "target", "ref"}));

    // Each further pass runs from last to first again.
    TParamCollection chain;
    TParamCollectionItem* early = reference(chain, "early", nullptr);
    TParamCollectionItem* base = declareInt(chain, "base", 1);
    TParamCollectionItem* r1 = reference(chain, "r1", base);
    reference(chain, "r2", r1);
    static_cast<TParamVar*>(early->Value())->Target = r1;
    EXPECT_EQ(recordedNames(gameRecord(chain)), (std::vector<std::string>{"base", "r1", "early", "r2"}));
}

TEST(ParamCollection, HoldBackEndsOnCyclesAndOutsideTargets) {
    TParamCollection t;
    TParamCollectionItem* status = declareInt(t, "stat", 1, SCOPE_STATUS);
    reference(t, "toStatus", status);
    reference(t, "toSystem", t.Find("@Pi"));
    TParamCollectionItem* c1 = reference(t, "c1", nullptr);
    TParamCollectionItem* c2 = reference(t, "c2", c1);
    static_cast<TParamVar*>(c1->Value())->Target = c2;
    reference(t, "self", nullptr);
    static_cast<TParamVar*>(t.Find("self")->Value())->Target = t.Find("self");
    declareInt(t, "plain", 2);
    reference(t, "unbound", nullptr);
    const std::vector<uint8_t> bytes = gameRecord(t);
    EXPECT_EQ(recordedNames(bytes),
              (std::vector<std::string>{"unbound", "plain", "self", "c2", "c1", "toSystem", "toStatus"}));
    // Every entry is written once and the record reads back whole.
    TParamCollection loaded;
    TKvMemoryStream in(bytes);
    (void)loaded.LoadGameVariables(in, 145);
    EXPECT_EQ(in.position(), in.size());
    EXPECT_EQ(loaded.Count(), kSystemVariableCount + 7);
    EXPECT_EQ(static_cast<TParamVar*>(loaded.Find("toSystem")->Value())->Target, loaded.Find("@Pi"));
    EXPECT_EQ(static_cast<TParamVar*>(loaded.Find("c1")->Value())->Target, loaded.Find("c2"));
}

TEST(ParamCollection, TruncatedRecordsRaiseAndLeaveNoHalfEntries) {
    TParamCollection original;
    fill(original);
    const std::vector<uint8_t> game = gameRecord(original);
    const std::vector<uint8_t> status = statusRecord(original);
    for (size_t cut = 0; cut < game.size(); ++cut) {
        TParamCollection t;
        declareInt(t, "keepStatus", 1, SCOPE_STATUS);
        std::vector<uint8_t> prefix(game.begin(), game.begin() + static_cast<std::ptrdiff_t>(cut));
        TKvMemoryStream in(prefix);
        EXPECT_EQ(raised([&] { (void)t.LoadGameVariables(in, 145); }), sj("データが壊れています")) << cut;
        EXPECT_EQ(t.Count(), kSystemVariableCount + 1) << cut;
    }
    for (size_t cut = 0; cut < status.size(); ++cut) {
        TParamCollection t;
        std::vector<uint8_t> prefix(status.begin(), status.begin() + static_cast<std::ptrdiff_t>(cut));
        TKvMemoryStream in(prefix);
        EXPECT_EQ(raised([&] { t.LoadStatusVariables(in); }), sj("データが壊れています")) << cut;
        EXPECT_EQ(t.Count(), kSystemVariableCount) << cut;
    }
}

TEST(ParamCollection, MalformedEntriesAreRefused) {
    auto load = [](const std::function<void(TStream&)>& write) {
        TKvMemoryStream s;
        write(s);
        s.setPosition(0);
        TParamCollection t;
        return raised([&] { t.LoadStatusVariables(s); });
    };
    // A count the stream cannot hold fails before anything is allocated.
    EXPECT_EQ(load([](TStream& s) { WriteInt(s, 0x7FFFFFFF); }), sj("データが壊れています"));
    // A type code without a class.
    EXPECT_EQ(load([](TStream& s) {
                  WriteInt(s, 1);
                  WriteByte(s, 9);
                  WriteStr(s, "x");
                  for (int k = 0; k < 20; ++k)
                      WriteByte(s, 0);
              }),
              sj("データが壊れています"));
    // An invalid name.
    EXPECT_EQ(load([](TStream& s) {
                  WriteInt(s, 1);
                  WriteByte(s, PT_INT);
                  WriteStr(s, "a b");
                  WriteInt(s, 0);
                  WriteInt(s, 1);
                  WriteInt(s, 5);
                  for (int k = 0; k < 7; ++k)
                      WriteByte(s, 0);
              }),
              "\"a b\"" + sj("：変数名が不正です"));
    // An unnamed entry is read in the reference layout and dropped.
    TKvMemoryStream s;
    WriteInt(s, 1);
    WriteByte(s, PT_INT);
    WriteStr(s, "");
    WriteInt(s, 0);     // dimensions
    WriteStr(s, "abc"); // TargetName
    WriteStr(s, "");    // bound entry
    WriteByte(s, 0);    // RefFlag
    WriteInt(s, 0);     // Index
    for (int k = 0; k < 7; ++k)
        WriteByte(s, 0);
    s.setPosition(0);
    TParamCollection t;
    t.LoadStatusVariables(s);
    EXPECT_EQ(s.position(), s.size());
    EXPECT_EQ(t.Count(), kSystemVariableCount);
}
