// The tables' saved record byte for byte, the checks on loaded records, and
// what scripts cannot reach through expr eval: records holding any ten
// bytes as a real, and the sort against std::sort on many records.
#include "base/Error.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "script/DBFunctions.h"
#include "script/DBManager.h"
#include "script/NuvoParser.h"
#include "script/ParamCollection.h"
#include "script/ParamStorage.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"
#include "script/VariableDump.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace nuvo {
namespace {

// Little-endian pieces of a record.
std::string i32(int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string str(std::string_view s) { return i32(static_cast<int32_t>(s.size())) + std::string(s); }
std::string byte(uint8_t b) { return std::string(1, static_cast<char>(b)); }
std::string bytes(std::initializer_list<uint8_t> b) { return std::string(b.begin(), b.end()); }
// 1.5 and -2 as 80-bit reals.
const std::string kReal1_5 = bytes({0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F});
const std::string kRealMinus2 = bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0});

std::string saved(const TDBManager& m, bool status) {
    TKvMemoryStream s;
    m.SaveTables(s, status);
    return std::string(s.bytes().begin(), s.bytes().end());
}

void load(TDBManager& m, std::string_view record, bool status) {
    TKvMemoryStream s(std::vector<uint8_t>(record.begin(), record.end()));
    m.LoadTables(s, status);
}

class Tables : public ::testing::Test {
public:
    TParamCollection vars;
    TSysFuncMan functions;
    ScriptContext ctx{vars, functions};
    TDBManager tables;

    Tables() { installDBFunctions(functions, tables); }

    // Runs each expression (UTF-8), failing the test when one stops.
    void run(std::initializer_list<std::string_view> texts) {
        for (std::string_view t : texts) {
            auto parser = compileExpression(test::sj(t));
            parser->Execute(ctx);
            EXPECT_EQ(parser->LastError(), "") << t;
        }
    }
    std::string text(std::string_view expr) {
        auto parser = compileExpression(test::sj(expr));
        parser->Execute(ctx);
        return parser->Result() ? parser->Result()->AsString() : "<none>";
    }
};

// A game table of every field type with two records, a status table, and
// the game table active: the record as the format lays it out.
TEST_F(Tables, SavedRecordIsExactAndRoundTrips) {
    run({"DBCreateTable(\"Scores\", 0)", "DBAddField(\"id\", 1)", "DBAddField(\"x\", 2)", "DBAddField(\"f\", 3)",
         "DBAddField(\"s\", 4, 3)", "DBInsert(7, 1.5, TRUE, \"ab\")", "DBInsert(-1, -2, FALSE, \"あい\")",
         "DBCreateTable(\"St\", 1)", "DBAddField(\"n\", 1)", "DBSetActive(\"scores\")", "DBSetRecNo(0)"});
    const std::string game = i32(100) + i32(1) +                                                   //
                             byte(0) + str("Scores") + byte(0) + i32(4) +                          //
                             i32(4) + str("id") + byte(1) + i32(10) + str("x") + byte(2) +         //
                             i32(1) + str("f") + byte(3) + i32(4) + str("s") + byte(4) +           //
                             i32(2) +                                                              //
                             i32(7) + kReal1_5 + byte(1) + "ab" + byte(0) + byte(0) +              //
                             i32(-1) + kRealMinus2 + byte(0) + test::sj("あ") + "\x82" + byte(0) + //
                             i32(0) + str("Scores");
    EXPECT_EQ(saved(tables, false), game);
    const std::string status =
        i32(100) + i32(1) + byte(0) + str("St") + byte(1) + i32(1) + i32(4) + str("n") + byte(1) + i32(0) + i32(-1);
    EXPECT_EQ(saved(tables, true), status);

    TDBManager again;
    load(again, status, true);
    load(again, game, false);
    EXPECT_EQ(saved(again, false), game);
    EXPECT_EQ(saved(again, true), status);
    EXPECT_EQ(again.Active(), again.IndexOfTable("Scores"));
    EXPECT_EQ(again.ActiveTable()->RecNo(), 0);
}

// Broken records raise and leave the tables exactly as they were.
TEST_F(Tables, BrokenRecordsChangeNothing) {
    run({"DBCreateTable(\"keep\", 0)", "DBAddField(\"a\", 1)", "DBInsert(5)", "DBCreateTable(\"st\", 1)"});
    const std::string before = saved(tables, false) + saved(tables, true);
    const auto table = [](std::string fields, int32_t records, std::string data) {
        return byte(0) + str("t") + byte(0) + fields + i32(records) + data + i32(-1);
    };
    const auto field = [](int32_t size, uint8_t type) { return i32(size) + str("f") + byte(type); };
    struct Bad {
        const char* what;
        std::string record;
    } cases[] = {
        {"type 0", i32(100) + i32(1) + table(i32(1) + field(4, 0), 0, "") + str("")},
        {"type 5", i32(100) + i32(1) + table(i32(1) + field(4, 5), 0, "") + str("")},
        {"integer of 5 bytes", i32(100) + i32(1) + table(i32(1) + field(5, 1), 0, "") + str("")},
        {"real of 8 bytes", i32(100) + i32(1) + table(i32(1) + field(8, 2), 0, "") + str("")},
        {"flag of 4 bytes", i32(100) + i32(1) + table(i32(1) + field(4, 3), 0, "") + str("")},
        {"string of no bytes", i32(100) + i32(1) + table(i32(1) + field(0, 4), 0, "") + str("")},
        {"string of a negative size", i32(100) + i32(1) + table(i32(1) + field(-5, 4), 0, "") + str("")},
        {"layout over the cap", i32(100) + i32(1) + table(i32(1) + field(kMaxDBRecordSize + 1, 4), 0, "") + str("")},
        {"layout over the cap in two fields",
         i32(100) + i32(1) + table(i32(2) + field(kMaxDBRecordSize, 4) + field(4, 1), 0, "") + str("")},
        {"records beyond the data", i32(100) + i32(1) + table(i32(1) + field(4, 1), 3, i32(1) + i32(2)) + str("")},
        {"a negative record count", i32(100) + i32(1) + table(i32(1) + field(4, 1), -1, "") + str("")},
        {"empty records beyond the cap", i32(100) + i32(1) + table(i32(0), kMaxDBRecordCount + 1, "") + str("")},
        {"a negative field count", i32(100) + i32(1) + table(i32(-1), 0, "") + str("")},
        {"a table count beyond the data", i32(100) + i32(40) + table(i32(0), 0, "") + str("")},
        {"another kind", i32(100) + i32(1) + byte(1) + table(i32(0), 0, "").substr(1) + str("")},
        {"no active name", i32(100) + i32(1) + table(i32(0), 0, "")},
        {"a name longer than the data", i32(100) + i32(1) + byte(0) + i32(1000) + "t"},
        {"nothing", ""},
    };
    for (const Bad& c : cases) {
        EXPECT_THROW(load(tables, c.record, false), ENuvoError) << c.what;
        EXPECT_EQ(saved(tables, false) + saved(tables, true), before) << c.what;
        EXPECT_EQ(tables.ActiveTable()->TableName, "st") << c.what;
    }
}

// What a loaded record may hold and how it reads.
TEST_F(Tables, LoadedRecordsAreReadSafely) {
    const auto record = [](uint8_t flag, int32_t recNo, std::string_view active) {
        return i32(100) + i32(1) + byte(0) + str("t") + byte(flag) + i32(2) + i32(3) + str("s") + byte(4) + i32(1) +
               str("b") + byte(3) + i32(2) + "abc" + byte(2) + std::string("x\0z", 3) + byte(0) + i32(recNo) +
               str(active);
    };
    load(tables, record(7, 5, "T"), false);
    // A current record outside the records becomes none.
    EXPECT_EQ(text("DBGetRecNo()"), "-1");
    EXPECT_EQ(text("DBGetActive()"), "t");
    run({"DBFindFirst()"});
    // A text without its terminator ends with its field; a flag byte 2 is TRUE.
    EXPECT_EQ(text("DBGetStr(\"s\")"), "abc");
    EXPECT_EQ(text("DBGetBool(\"b\")"), "TRUE");
    EXPECT_EQ(text("DBGetInt(\"b\")"), "1");
    run({"DBFindNext()"});
    EXPECT_EQ(text("DBGetStr(\"s\")"), "x");
    // Searches see the same texts.
    for (const auto& [search, found] : {std::pair{"DBLocate(\"s\", \"abc\")", "TRUE"},
                                        {"DBGetRecNo()", "0"},
                                        {"DBLocate(\"s\", \"ab\")", "FALSE"},
                                        {"DBLocate(\"s\", \"abcd\")", "FALSE"},
                                        {"DBLocate(\"s\", \"x\" ++ Chr(0))", "FALSE"},
                                        {"DBLocate(\"s\", \"x\")", "TRUE"},
                                        {"DBLocate(\"s\", \"ABC\", TRUE)", "TRUE"},
                                        {"DBLocate(\"s\", \"X\", TRUE)", "TRUE"},
                                        {"DBGetRecNo()", "1"}})
        EXPECT_EQ(text(search), found) << search;
    // The record holds game tables, so the table is one, whatever its flag
    // said; the bytes of the records stay as they were read.
    EXPECT_EQ(saved(tables, false), record(0, 1, "t"));
    EXPECT_EQ(saved(tables, true), i32(100) + i32(0));
}

// Loading replaces only the tables of its kind; an old game record has no
// tables, so the game's go and the status tables stay.
TEST_F(Tables, LoadingReplacesOneKind) {
    run({"DBCreateTable(\"g1\", 0)", "DBCreateTable(\"s1\", 1)", "DBCreateTable(\"g2\", 0)",
         "DBCreateTable(\"s2\", 1)"});
    const std::string gameRecord =
        i32(100) + i32(1) + byte(0) + str("new") + byte(0) + i32(0) + i32(0) + i32(-1) + str("S1");
    load(tables, gameRecord, false);
    EXPECT_EQ(text("DBGetTableCount()"), "3");
    EXPECT_EQ(text("DBGetActive()"), "s1");
    const std::string statusRecord = i32(100) + i32(2) + byte(0) + str("a") + byte(1) + i32(0) + i32(0) + i32(-1) +
                                     byte(0) + str("b") + byte(1) + i32(0) + i32(0) + i32(-1);
    load(tables, statusRecord, true);
    EXPECT_EQ(text("DBGetTableCount()"), "3");
    EXPECT_EQ(text("DBGetActive()"), "b");
    EXPECT_EQ(text("DBRecordCount(\"s1\")"), "-1");

    TKvMemoryStream old;
    tables.LoadGameTables(old, kFirstSaveVersionWithTables - 1);
    EXPECT_EQ(tables.Count(), 2);
    EXPECT_EQ(tables.Active(), -1);
    EXPECT_EQ(tables.Table(0).TableName, "a");
    TKvMemoryStream current(std::vector<uint8_t>(gameRecord.begin(), gameRecord.end()));
    tables.LoadGameTables(current, kFirstSaveVersionWithTables);
    EXPECT_EQ(tables.IndexOfTable("new"), 2);

    run({"DBCreateTable(\"g\", 0)"});
    tables.DeleteGameTables();
    EXPECT_EQ(tables.Count(), 2);
    EXPECT_EQ(tables.Active(), -1);
}

// Any ten bytes are a real: integers follow the x87's rounding (a NaN, an
// infinity or an overflow gives 0), and sorting puts everything unordered
// after every number.
TEST_F(Tables, RealsMayHoldAnyTenBytes) {
    const std::string nan = bytes({0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F});
    const std::string inf = bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F});
    const std::string unnormal = bytes({0, 0, 0, 0, 0, 0, 0, 0x40, 0xFF, 0x3F}); // no integer bit
    const std::string pseudoDenormal = bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0});
    const std::string big = bytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0x3E, 0x40}); // 2^63
    const std::string tenBillion = bytes({0, 0, 0, 0, 0, 0xF9, 0x02, 0x95, 0x20, 0x40});
    const std::string reals[] = {nan, kReal1_5, inf, unnormal, kRealMinus2, pseudoDenormal, big, nan, tenBillion};
    std::string data;
    for (size_t i = 0; i < std::size(reals); ++i)
        data += i32(static_cast<int32_t>(i)) + reals[i];
    load(tables,
         i32(100) + i32(1) + byte(0) + str("t") + byte(0) + i32(2) + i32(4) + str("id") + byte(1) + i32(10) + str("x") +
             byte(2) + i32(static_cast<int32_t>(std::size(reals))) + data + i32(0) + str("t"),
         false);
    const char* ints[] = {"0", "2", "0", "0", "-2", "0", "0", "0", "1410065408"};
    for (size_t i = 0; i < std::size(reals); ++i) {
        run({"DBSetRecNo(" + std::to_string(i) + ")"});
        EXPECT_EQ(text("DBGetInt(\"x\")"), ints[i]) << i;
    }
    run({"DBSort(\"x\", FALSE)"});
    std::vector<int32_t> order;
    for (int32_t r = 0; r < tables.ActiveTable()->RecordCount(); ++r) {
        int32_t id = -1;
        tables.ActiveTable()->GetInt(r, 0, id);
        order.push_back(id);
    }
    // -2, the pseudo-denormal (about 0), 1.5, 10^10, 2^63, infinity; then
    // the two NaNs and the unnormal in some order.
    ASSERT_EQ(order.size(), 9u);
    EXPECT_EQ(std::vector<int32_t>(order.begin(), order.begin() + 6), (std::vector<int32_t>{4, 5, 1, 8, 6, 2}));
    std::sort(order.begin() + 6, order.end());
    EXPECT_EQ(std::vector<int32_t>(order.begin() + 6, order.end()), (std::vector<int32_t>{0, 3, 7}));
}

// Many records with repeated keys: the sort's result is ordered and a
// permutation, in one key and in two (the second descending).
TEST_F(Tables, SortMatchesStdSort) {
    run({"DBCreateTable(\"t\", 0)", "DBAddField(\"k\", 1)", "DBAddField(\"s\", 4, 6)", "DBAddField(\"id\", 1)"});
    std::mt19937 gen(7);
    TDBTable& t = *tables.ActiveTable();
    struct Row {
        int32_t k;
        std::string s;
        int32_t id;
    };
    std::vector<Row> rows;
    for (int32_t i = 0; i < 3000; ++i) {
        Row row{static_cast<int32_t>(gen() % 50) - 25, std::string(1, static_cast<char>('a' + gen() % 5)), i};
        t.Append();
        t.SetInt(i, 0, row.k);
        t.SetStr(i, 1, row.s);
        t.SetInt(i, 2, row.id);
        rows.push_back(row);
    }
    declareVariable(vars, "names[2]:str");
    declareVariable(vars, "down[2]:flag");
    run({"names[0] = \"k\"", "names[1] = \"id\"", "down[1] = TRUE", "DBSort(names, down)"});
    std::sort(rows.begin(), rows.end(),
              [](const Row& a, const Row& b) { return a.k != b.k ? a.k < b.k : a.id > b.id; });
    for (int32_t i = 0; i < t.RecordCount(); ++i) {
        int32_t k = 0, id = 0;
        std::string s;
        t.GetInt(i, 0, k);
        t.GetStr(i, 1, s);
        t.GetInt(i, 2, id);
        ASSERT_EQ(k, rows[static_cast<size_t>(i)].k) << i;
        ASSERT_EQ(id, rows[static_cast<size_t>(i)].id) << i;
        ASSERT_EQ(s, rows[static_cast<size_t>(i)].s) << i;
    }
    // Ties of the one key only: ordered, and still every record once.
    run({"DBSort(\"s\", FALSE)"});
    std::vector<int32_t> ids;
    std::string last;
    for (int32_t i = 0; i < t.RecordCount(); ++i) {
        std::string s;
        int32_t id = 0;
        t.GetStr(i, 1, s);
        t.GetInt(i, 2, id);
        EXPECT_LE(last, s);
        last = s;
        ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    for (int32_t i = 0; i < static_cast<int32_t>(ids.size()); ++i)
        ASSERT_EQ(ids[static_cast<size_t>(i)], i);
}

} // namespace
} // namespace nuvo
