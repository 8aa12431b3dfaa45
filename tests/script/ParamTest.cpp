#include "base/Error.h"
#include "base/StreamIO.h"
#include "script/ParamStorage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

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

std::unique_ptr<TCustomParam> intArray(std::vector<int32_t> dims) {
    auto v = CreateValue(PT_INT);
    v->SetDims(dims);
    for (int32_t i = 0; i < v->Count(); ++i)
        v->SetIntAt(i, i);
    return v;
}

std::vector<uint8_t> record(const TCustomParam& v) {
    TKvMemoryStream s;
    v.SaveToStream(s);
    return s.bytes();
}

} // namespace

TEST(Param, CreateValueMasksTheTypeCode) {
    EXPECT_EQ(CreateValue(PT_INT)->ParamType(), PT_INT);
    EXPECT_EQ(CreateValue(0x80 | PT_STR)->ParamType(), PT_STR);
    EXPECT_EQ(CreateValue(0x80)->ParamType(), PT_NONE); // an unbound reference
    EXPECT_EQ(CreateValue(5), nullptr);
    EXPECT_EQ(CreateValue(0x85), nullptr);
    auto fresh = CreateValue(PT_FLOAT);
    EXPECT_EQ(fresh->Count(), 1);
    EXPECT_EQ(fresh->DimCount(), 1);
    EXPECT_EQ(fresh->AsFloat(), 0.0L);
    EXPECT_EQ(paramTypeName(PT_STR), sj("文字列"));
    EXPECT_EQ(paramTypeName(PT_NONE), "");
}

TEST(Param, ReadsConvertFromTheElementType) {
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    const struct {
        uint8_t type;
        std::function<void(TCustomParam&)> set;
        int32_t asInt;
        long double asReal;
        bool asBool;
        const char* asText;
    } cases[] = {
        {PT_INT, [](TCustomParam& v) { v.SetInteger(-3); }, -3, -3.0L, true, "-3"},
        {PT_INT, [](TCustomParam& v) { v.SetInteger(0); }, 0, 0.0L, false, "0"},
        {PT_FLOAT, [](TCustomParam& v) { v.SetFloat(2.9L); }, 2, 2.9L, true, "2.9"},
        {PT_FLOAT, [](TCustomParam& v) { v.SetFloat(-2.9L); }, -2, -2.9L, true, "-2.9"},
        // Through 64 bits, low 32 kept; out of range gives the indefinite value's low half.
        {PT_FLOAT, [](TCustomParam& v) { v.SetFloat(3e9L); }, -1294967296, 3e9L, true, "3000000000"},
        {PT_FLOAT, [](TCustomParam& v) { v.SetFloat(1e30L); }, 0, 1e30L, true, "1E30"},
        {PT_FLOAT, [&](TCustomParam& v) { v.SetFloat(-std::numeric_limits<long double>::infinity()); }, 0,
         -std::numeric_limits<long double>::infinity(), true, "-INF"},
        {PT_BOOL, [](TCustomParam& v) { v.SetBool(true); }, 1, 1.0L, true, "TRUE"},
        {PT_BOOL, [](TCustomParam& v) { v.SetBool(false); }, 0, 0.0L, false, "FALSE"},
        {PT_STR, [](TCustomParam& v) { v.SetString("12abc"); }, 0, 0.0L, false, "12abc"},
        {PT_STR, [](TCustomParam& v) { v.SetString("true"); }, 0, 0.0L, false, "true"},
        {PT_STR, [](TCustomParam& v) { v.SetString("TRUE"); }, 0, 0.0L, true, "TRUE"},
        {PT_STR, [](TCustomParam& v) { v.SetString(" 2.5 "); }, 0, 2.5L, false, " 2.5 "},
        {PT_STR, [](TCustomParam& v) { v.SetString("$1F"); }, 31, 0.0L, false, "$1F"},
        {PT_STR, [](TCustomParam& v) { v.SetString("1E3"); }, 0, 1000.0L, false, "1E3"},
    };
    for (const auto& c : cases) {
        auto v = CreateValue(c.type);
        c.set(*v);
        SCOPED_TRACE(c.asText);
        EXPECT_EQ(v->AsInteger(), c.asInt);
        EXPECT_EQ(v->AsFloat(), c.asReal);
        EXPECT_EQ(v->AsBool(), c.asBool);
        EXPECT_EQ(v->AsString(), c.asText);
        EXPECT_EQ(v->GetIntAt(0), c.asInt);
        EXPECT_EQ(v->GetStrAt(0), c.asText);
    }
    auto real = CreateValue(PT_FLOAT);
    real->SetFloat(nan);
    EXPECT_EQ(real->AsInteger(), 0);
    EXPECT_TRUE(real->AsBool());
}

TEST(Param, WritesConvertToTheElementType) {
    auto i = CreateValue(PT_INT);
    i->SetFloat(2.9L);
    EXPECT_EQ(i->AsInteger(), 2);
    i->SetFloat(-2.9L);
    EXPECT_EQ(i->AsInteger(), -2);
    i->SetString("12abc");
    EXPECT_EQ(i->AsInteger(), 0);
    i->SetString("-$10");
    EXPECT_EQ(i->AsInteger(), -16);
    i->SetBool(true);
    EXPECT_EQ(i->AsInteger(), 1);

    auto f = CreateValue(PT_BOOL);
    f->SetString("TRUE");
    EXPECT_TRUE(f->AsBool());
    f->SetString("true");
    EXPECT_FALSE(f->AsBool());
    f->SetInteger(-7);
    EXPECT_TRUE(f->AsBool());
    f->SetFloat(0.0L);
    EXPECT_FALSE(f->AsBool());

    auto s = CreateValue(PT_STR);
    s->SetFloat(1e20L);
    EXPECT_EQ(s->AsString(), "1E20");
    s->SetInteger(-12);
    EXPECT_EQ(s->AsString(), "-12");
    s->SetBool(false);
    EXPECT_EQ(s->AsString(), "FALSE");

    auto r = CreateValue(PT_FLOAT);
    r->SetString(" 1.5e1 ");
    EXPECT_EQ(r->AsFloat(), 15.0L);
    r->SetString("abc");
    EXPECT_EQ(r->AsFloat(), 0.0L);
}

TEST(Param, WholeValueSettersMakeAScalar) {
    for (uint8_t type : {PT_INT, PT_FLOAT, PT_BOOL, PT_STR}) {
        auto v = CreateValue(type);
        const int32_t dims[] = {3, 4};
        v->SetDims(dims);
        EXPECT_EQ(v->Count(), 12);
        EXPECT_EQ(v->DimCount(), 2);
        v->SetInteger(5);
        EXPECT_TRUE(v->Dims().empty());
        EXPECT_EQ(v->Count(), 1);
        EXPECT_EQ(v->DimCount(), 1);
        EXPECT_EQ(v->AsInteger(), type == PT_BOOL ? 1 : 5);
    }
}

TEST(Param, ElementIndexIsChecked) {
    auto v = intArray({3, 4});
    const std::function<void(int32_t)> ops[] = {
        [&](int32_t i) { v->GetIntAt(i); },   [&](int32_t i) { v->SetIntAt(i, 1); },
        [&](int32_t i) { v->GetFloatAt(i); }, [&](int32_t i) { v->SetFloatAt(i, 1); },
        [&](int32_t i) { v->GetBoolAt(i); },  [&](int32_t i) { v->SetBoolAt(i, true); },
        [&](int32_t i) { v->GetStrAt(i); },   [&](int32_t i) { v->SetStrAt(i, "1"); },
    };
    for (const auto& op : ops) {
        EXPECT_EQ(raised([&] { op(12); }), sj("[12]:配列の添字が不正です"));
        EXPECT_EQ(raised([&] { op(-1); }), sj("[-1]:配列の添字が不正です"));
        EXPECT_EQ(raised([&] { op(INT32_MIN); }), sj("[-2147483648]:配列の添字が不正です"));
        EXPECT_EQ(raised([&] { op(11); }), "<nothing raised>");
    }
    EXPECT_EQ(v->DimSize(0), 3);
    EXPECT_EQ(v->DimSize(1), 4);
    EXPECT_EQ(v->DimSize(2), 1);
    EXPECT_EQ(v->DimSize(-1), 1);
}

TEST(Param, SetDimsValidatesAndKeepsLinearPositions) {
    auto v = intArray({2, 3});
    EXPECT_EQ(raised([&] { v->SetDims(std::vector<int32_t>{2, 0, 3}); }), sj("配列の要素数[2,0,3]が不正です"));
    EXPECT_EQ(raised([&] { v->SetDims(std::vector<int32_t>{-1}); }), sj("配列の要素数[-1]が不正です"));
    // Products that overflow 32 bits or pass the element limit are refused too.
    EXPECT_EQ(raised([&] {
                  v->SetDims(std::vector<int32_t>{65536, 65536, 2});
              }),
              sj("配列の要素数[65536,65536,2]が不正です"));
    EXPECT_EQ(raised([&] { v->SetDims(std::vector<int32_t>{4096, 4097}); }), sj("配列の要素数[4096,4097]が不正です"));
    EXPECT_EQ(v->Dims(), (std::vector<int32_t>{2, 3})); // a failed SetDims changes nothing
    EXPECT_EQ(v->Count(), 6);

    v->SetDims(std::vector<int32_t>{4, 2});
    EXPECT_EQ(v->Count(), 8);
    for (int32_t i = 0; i < 6; ++i)
        EXPECT_EQ(v->GetIntAt(i), i);
    EXPECT_EQ(v->GetIntAt(7), 0);
    v->SetDims(std::vector<int32_t>{2});
    EXPECT_EQ(v->Count(), 2);
    EXPECT_EQ(v->GetIntAt(1), 1);

    auto flags = CreateValue(PT_BOOL);
    flags->SetDims(std::vector<int32_t>{4096, 4096}); // exactly the limit
    EXPECT_EQ(flags->Count(), kMaxParamElements);
    EXPECT_EQ(raised([&] { flags->SetCount(kMaxParamElements + 1); }), sj("配列の要素数[16777217]が不正です"));
}

TEST(Param, StorageGrowsAndShrinksWithItsElements) {
    auto s = CreateValue(PT_STR);
    s->SetString("first element, longer than any small-string buffer");
    s->SetCount(5);
    EXPECT_EQ(s->GetStrAt(0), "first element, longer than any small-string buffer");
    s->SetStrAt(4, "last");
    s->SetCount(1);
    EXPECT_EQ(s->AsString(), "first element, longer than any small-string buffer");
    s->SetCount(0);
    EXPECT_EQ(s->Count(), 0);
    EXPECT_EQ(s->AsString(), "");
    EXPECT_EQ(raised([&] { s->GetStrAt(0); }), sj("[0]:配列の添字が不正です"));
    s->SetString("again");
    EXPECT_EQ(s->Count(), 1);
    EXPECT_EQ(s->AsString(), "again");
    s->SetCount(-4);
    EXPECT_EQ(s->Count(), 0);
}

TEST(Param, FillsActOnTheirOwnClassOnly) {
    auto i = intArray({3});
    i->FillFloat(2.5L);
    i->FillStr("9");
    i->FillBool(true);
    EXPECT_EQ(i->GetIntAt(2), 2);
    i->FillInt(7);
    for (int32_t k = 0; k < 3; ++k)
        EXPECT_EQ(i->GetIntAt(k), 7);
    auto s = CreateValue(PT_STR);
    s->SetCount(2);
    s->FillStr("x");
    EXPECT_EQ(s->GetStrAt(1), "x");
}

TEST(Param, CopyMemNeedsTheSameClass) {
    auto a = intArray({2, 2});
    auto b = CreateValue(PT_INT);
    b->CopyMem(*a);
    EXPECT_EQ(b->Dims(), a->Dims());
    EXPECT_EQ(b->GetIntAt(3), 3);
    auto s = CreateValue(PT_STR);
    EXPECT_EQ(raised([&] { s->CopyMem(*a); }), sj("CopyMem:変数の型があいません"));
    EXPECT_EQ(s->Count(), 1);
    b->CopyMem(*b); // copying onto itself changes nothing
    EXPECT_EQ(b->GetIntAt(3), 3);
}

TEST(Param, AssignFromAndConvertCopy) {
    auto a = intArray({2, 3});
    auto raw = CreateValue(PT_INT);
    raw->AssignFrom(*a);
    EXPECT_EQ(raw->Dims(), (std::vector<int32_t>{2, 3}));
    EXPECT_EQ(raw->GetIntAt(5), 5);

    // Another class: converted, same shape.
    auto text = CreateValue(PT_STR);
    text->AssignFrom(*a);
    EXPECT_EQ(text->Dims(), (std::vector<int32_t>{2, 3}));
    EXPECT_EQ(text->GetStrAt(4), "4");
    auto one = CreateValue(PT_FLOAT);
    one->SetFloat(1.5L);
    text->AssignFrom(*one);
    EXPECT_TRUE(text->Dims().empty());
    EXPECT_EQ(text->AsString(), "1.5");

    // ConvertCopy gives even a scalar source's shape as one dimension of 1.
    auto flags = CreateValue(PT_BOOL);
    ConvertCopy(*flags, *a);
    EXPECT_EQ(flags->Dims(), (std::vector<int32_t>{2, 3}));
    EXPECT_FALSE(flags->GetBoolAt(0));
    EXPECT_TRUE(flags->GetBoolAt(1));
    auto ints = CreateValue(PT_INT);
    ConvertCopy(*ints, *one);
    EXPECT_EQ(ints->Dims(), (std::vector<int32_t>{1}));
    EXPECT_EQ(ints->AsInteger(), 1);
}

TEST(Param, IndexOfStr) {
    auto v = CreateValue(PT_STR);
    v->SetCount(3);
    v->SetStrAt(0, "Apple");
    v->SetStrAt(1, "banana");
    v->SetStrAt(2, "CHERRY");
    const struct {
        const char* s;
        bool caseSensitive, partial;
        int32_t found;
    } cases[] = {
        {"banana", true, false, 1}, {"BANANA", true, false, -1}, {"BANANA", false, false, 1},
        {"ban", false, false, -1},  {"err", false, true, 2},     {"err", true, true, -1},
        {"ERR", true, true, 2},     {"x", false, true, -1},      {"apple", false, false, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(v->IndexOfStr(c.s, c.caseSensitive, c.partial), c.found) << c.s;
    // Other classes compare their string forms.
    auto i = intArray({5});
    EXPECT_EQ(i->IndexOfStr("3", true, false), 3);
    // Folding steps over double-byte characters whose second byte looks like a letter.
    auto j = CreateValue(PT_STR);
    j->SetString(sj("アＡ")); // 0x83 0x41 0x82 0x60
    EXPECT_EQ(j->IndexOfStr("\x83\x61", false, true), -1);
}

TEST(Param, ValueRecordsRoundTripExactly) {
    auto i = intArray({2, 2});
    const std::vector<uint8_t> expected = {2, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0,
                                           0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0};
    EXPECT_EQ(record(*i), expected);
    auto s = CreateValue(PT_STR);
    s->SetString("ab");
    EXPECT_EQ(record(*s), (std::vector<uint8_t>{0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 'a', 'b'}));
    auto r = CreateValue(PT_FLOAT);
    r->SetFloat(1.0L);
    EXPECT_EQ(record(*r), (std::vector<uint8_t>{0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));

    // Stored bytes come back unchanged, including a flag byte other than 0 or 1.
    const std::vector<std::vector<uint8_t>> records = {
        expected,
        {1, 0, 0, 0, 3, 0, 0, 0, 3, 0, 0, 0, 1, 0, 2},                   // flags
        {0, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 'x', 0, 0, 0, 0},           // strings (odd count kept)
        {0, 0, 0, 0, 1, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 0xC0, 0xFF, 0x7F}, // a NaN with payload
        {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},                            // an emptied array
    };
    const uint8_t types[] = {PT_INT, PT_BOOL, PT_STR, PT_FLOAT, PT_INT};
    for (size_t k = 0; k < records.size(); ++k) {
        auto v = CreateValue(types[k]);
        TKvMemoryStream in(records[k]);
        v->LoadFromStream(in);
        EXPECT_EQ(in.position(), in.size());
        EXPECT_EQ(record(*v), records[k]) << k;
    }
}

TEST(Param, DamagedValueRecordsRaiseAndChangeNothing) {
    const std::vector<std::vector<uint8_t>> damaged = {
        {},
        {1, 0, 0, 0},                                     // dimension missing
        {0, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0},             // one element of two
        {0xFF, 0xFF, 0xFF, 0x7F},                         // a dimension count no stream can hold
        {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4}, // an element count no stream can hold
        {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},             // a negative count
    };
    for (const auto& bytes : damaged) {
        auto v = intArray({3});
        TKvMemoryStream in(bytes);
        EXPECT_EQ(raised([&] { v->LoadFromStream(in); }), sj("データが壊れています"));
        EXPECT_EQ(v->Count(), 3);
        EXPECT_EQ(v->GetIntAt(2), 2);
    }
    // A string longer than what remains.
    auto s = CreateValue(PT_STR);
    TKvMemoryStream in(std::vector<uint8_t>{0, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0, 0, 'a'});
    EXPECT_EQ(raised([&] { s->LoadFromStream(in); }), sj("データが壊れています"));
}
