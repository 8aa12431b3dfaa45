// The DB functions as a title meets them: each case is one run of
// `nuvotool expr eval` on a fresh table manager. Every text of a case is
// evaluated in turn and its result appended to r with a "|" (a text marked
// with ":" runs as it stands); the case compares r at the end. A text whose
// evaluation stops adds nothing.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

using nuvo::test::ProgramRun;
using nuvo::test::TempDir;

// The value of the string variable r in the dump, JSON escapes undone.
std::string valueOfR(const std::string& json) {
    const std::string key = "\"r\": {\"type\": 4, \"dims\": [], \"value\": \"";
    const size_t at = json.find(key);
    if (at == std::string::npos) return "<no r in: " + json + ">";
    std::string out;
    for (size_t i = at + key.size(); i < json.size() && json[i] != '"'; ++i) {
        if (json[i] != '\\' || i + 1 >= json.size()) {
            out += json[i];
            continue;
        }
        const char e = json[++i];
        out += e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e;
    }
    return out;
}

struct Case {
    const char* what;
    std::vector<std::string> texts;
    const char* r;
    // TSV files for DBLoadTsvFile, by name (bytes as UTF-8 escaped text).
    std::map<std::string, std::string> files = {};
    std::vector<std::string> vars = {};
};

std::string runCase(const Case& c) {
    TempDir data;
    for (const auto& [name, text] : c.files)
        data.write(name, nuvo::test::sj(text));
    std::vector<std::string> args = {"expr", "eval", "--var", "r:str", "--data", data.str()};
    for (const std::string& v : c.vars) {
        args.push_back("--var");
        args.push_back(v);
    }
    args.push_back("--");
    for (const std::string& t : c.texts)
        args.push_back(t[0] == ':' ? t.substr(1) : "r = r ++ (" + t + ") ++ \"|\"");
    const ProgramRun run = nuvo::test::runProgram(NUVOTOOL_PATH, args);
    if (run.code != 0) return "<exit " + std::to_string(run.code) + ": " + run.err.substr(0, 300) + ">";
    return valueOfR(run.out);
}

void expectAll(std::initializer_list<Case> cases) {
    if (!std::filesystem::exists(NUVOTOOL_PATH)) GTEST_SKIP() << "nuvotool is not built";
    for (const Case& c : cases)
        EXPECT_EQ(runCase(c), c.r) << c.what;
}

const char* kTable = ":DBCreateTable(\"t\", 0)";

TEST(DBTool, FieldsAndConversions) {
    expectAll({
        {"a string field without length holds only the empty text",
         {kTable, "DBAddField(\"s\", 4)", "DBInsert(\"abc\")", "DBGetStr(\"s\")", "DBRecordCount()"},
         "TRUE|TRUE||1|"},
        {"a string is cut at its declared length, even inside a character",
         {kTable, ":DBAddField(\"s\", 4, 4)", ":DBAddField(\"j\", 4, 3)", ":DBInsert(\"abcdef\", \"あい\")",
          "DBGetStr(\"s\")", "DBGetStr(\"j\") == (\"あ\" ++ Chr(130))", "DBSetStr(\"s\", 123456)", "DBGetStr(\"s\")"},
         "abcd|TRUE|TRUE|1234|"},
        {"a real read as an integer rounds ties to even",
         {kTable, ":DBAddField(\"x\", 2)", ":DBInsert(2.5)", "DBGetInt(\"x\")", ":DBSetFloat(\"x\", 3.5)",
          "DBGetInt(\"x\")", ":DBSetFloat(\"x\", -2.5)", "DBGetInt(\"x\")", ":DBSetFloat(\"x\", 2.6)",
          "DBGetInt(\"x\")"},
         "2|4|-2|3|"},
        {"a real written into an integer field rounds the same way",
         {kTable, ":DBAddField(\"i\", 1)", ":DBInsert(0)", ":DBSetFloat(\"i\", 0.5)", "DBGetInt(\"i\")",
          ":DBSetFloat(\"i\", 1.5)", "DBGetInt(\"i\")", ":DBSetStr(\"i\", \"77\")", "DBGetStr(\"i\")"},
         "0|2|77|"},
        {"flags, texts and reals between the types",
         {kTable, ":DBAddField(\"b\", 3)", ":DBAddField(\"s\", 4, 10)", ":DBAddField(\"x\", 2)",
          ":DBInsert(5, \"true\", 1.5)", "DBGetStr(\"b\")", "DBGetBool(\"s\")", ":DBSetStr(\"s\", \"TRUE\")",
          "DBGetBool(\"s\")", "DBGetStr(\"x\")", "DBGetInt(\"s\")", ":DBSetBool(\"x\", 1)", "DBGetFloat(\"x\")"},
         "TRUE|FALSE|TRUE|1.5|0|1|"},
        {"DBInsert stores each argument with its own type's setter; extra arguments are ignored",
         {kTable, ":DBAddField(\"i\", 1)", ":DBAddField(\"s\", 4, 8)", "DBInsert(2.5, 3.25, \"x\")", "DBGetInt(\"i\")",
          "DBGetStr(\"s\")"},
         "TRUE|2|3.25|"},
        {"DBAddField refuses a known name, a bad type, a negative or oversized length, no active table",
         {"DBAddField(\"a\", 1)", kTable, "DBAddField(\"a\", 1)", "DBAddField(\"A\", 2)", "DBAddField(\"b\", 5)",
          "DBAddField(\"c\", 0)", "DBAddField(\"d\", 4, -1)", "DBAddField(\"e\", 4, 2000000)",
          "DBAddField(\"f\", 1, -1)"},
         "FALSE|TRUE|FALSE|FALSE|FALSE|FALSE|FALSE|TRUE|"},
        {"existing records grow zero-filled by a new field",
         {kTable, ":DBAddField(\"i\", 1)", ":DBInsert(7)", ":DBAddField(\"s\", 4, 5)", "DBGetInt(\"i\")",
          "DBGetStr(\"s\")", "DBSetStr(\"s\", \"hey\")", "DBGetStr(\"s\")"},
         "7||TRUE|hey|"},
        {"nothing to read without a table, a record or a field",
         {"DBGetInt(\"i\")", "DBGetStr(\"i\")", "DBSetInt(\"i\", 1)", kTable, ":DBAddField(\"i\", 1)",
          "DBGetFloat(\"i\")", "DBSetInt(\"i\", 1)", ":DBInsert(4)", "DBGetInt(\"j\")", "DBSetInt(\"j\", 1)",
          "DBGetInt(\"I\")"},
         "0||FALSE|0|FALSE|0|FALSE|4|"},
    });
}

TEST(DBTool, TablesAndRecords) {
    expectAll({
        {"creating an existing ordinary table empties it, fields included",
         {kTable, ":DBAddField(\"i\", 1)", ":DBInsert(1)", "DBCreateTable(\"T\", 0)", "DBRecordCount()",
          "DBAddField(\"i\", 1)", "DBGetTableCount()"},
         "TRUE|0|TRUE|1|"},
        {"a status table created again as status keeps its records; as ordinary it is emptied",
         {":DBCreateTable(\"st\", 1)", ":DBAddField(\"i\", 1)", ":DBInsert(1)", ":DBCreateTable(\"x\", 0)",
          "DBCreateTable(\"ST\", 1)", "DBGetActive()", "DBRecordCount()", "DBCreateTable(\"st\", 0)", "DBRecordCount()",
          ":DBGetTable(0, r2, b)", "b"},
         "TRUE|st|1|TRUE|0|TRUE|",
         {},
         {"r2:str", "b:flag"}},
        {"the empty name makes no table",
         {"DBCreateTable(\"\", 0)", "DBGetTableCount()", "DBGetActive()"},
         "FALSE|0||"},
        {"DBDelete of the last of three leaves two and the current at 1; of the only one, none",
         {kTable, ":DBInsert()", ":DBInsert()", ":DBInsert()", "DBGetRecNo()", "DBDelete()", "DBRecordCount()",
          "DBGetRecNo()", ":DBCreateTable(\"u\", 0)", ":DBInsert()", "DBDelete()", "DBGetRecNo()", "DBDelete()"},
         "2|FALSE|2|1|FALSE|-1|FALSE|"},
        {"moving the current record",
         {"DBFindFirst()", kTable,           "DBFindFirst()", "DBFindNext()",  ":DBInsert()",
          ":DBInsert()",   ":DBInsert()",    "DBFindFirst()", "DBFindPrior()", "DBFindNext()",
          "DBGetRecNo()",  "DBFindLast()",   "DBFindNext()",  "DBGetRecNo()",  "DBSetRecNo(3)",
          "DBGetRecNo()",  "DBSetRecNo(-5)", "DBGetRecNo()",  "DBFindNext()",  "DBFindPrior()"},
         "FALSE|FALSE|FALSE|TRUE|FALSE|TRUE|1|TRUE|FALSE|2|FALSE|2|TRUE|-1|FALSE|FALSE|"},
        {"the active table, counts and names",
         {"DBGetRecNo()", "DBRecordCount()", kTable, ":DBCreateTable(\"u\", 1)", ":DBInsert()", "DBRecordCount(\"T\")",
          "DBRecordCount(\"nope\")", "DBSetActive(\"nope\")", "DBGetActive()", "DBSetActive(\"T\")", "DBGetActive()",
          "DBGetTableCount()"},
         "-1|-1|0|-1|FALSE|u|TRUE|t|2|"},
        {"DBDeleteTable gives FALSE even when it removed the table; the active one is found again",
         {kTable, ":DBCreateTable(\"u\", 0)", "DBDeleteTable(\"t\")", "DBGetTableCount()", "DBGetActive()",
          "DBDeleteTable()", "DBGetTableCount()", "DBGetActive()"},
         "FALSE|1|u|FALSE|0||"},
        {"DBGetTable names the tables; with no tables, or a bad index, FALSE",
         {"DBGetTable(0, v)", ":DBCreateTable(\"a\", 0)", ":DBCreateTable(\"b\", 1)", "DBGetTable(1, v, f)", "v", "f",
          "DBGetTable(2, v)", "DBGetTable(-1, v)"},
         "FALSE|TRUE|b|TRUE|FALSE|FALSE|",
         {},
         {"v:str", "f:flag"}},
        {"DBGetTable writes only into variables: a constant in their place stops the evaluation",
         {":DBCreateTable(\"a\", 0)", "DBGetTable(0, 5)", "DBGetTable(0, v, TRUE)", "DBGetTable(0, v)"},
         "TRUE|",
         {},
         {"v:str"}},
        {"DBClearRecord on the named or the active table; DBClearTable removes everything",
         {kTable, ":DBAddField(\"i\", 1)", ":DBInsert(1)", "DBClearRecord(\"nope\")", "DBClearRecord()",
          "DBRecordCount()", "DBGetRecNo()", "DBSetInt(\"i\", 1)", "DBAddField(\"i\", 1)", ":DBCreateTable(\"s\", 1)",
          ":DBClearTable()", "DBGetTableCount()", "DBGetActive()"},
         "FALSE|TRUE|0|-1|FALSE|FALSE|0||"},
    });
}

TEST(DBTool, LocateAndDirectAccess) {
    const std::vector<std::string> people = {kTable,
                                             ":DBAddField(\"a\", 1)",
                                             ":DBAddField(\"b\", 1)",
                                             ":DBAddField(\"name\", 4, 12)",
                                             ":DBAddField(\"x\", 2)",
                                             ":DBInsert(1, 1, \"Alice\", 0.5)",
                                             ":DBInsert(1, 2, \"bob\", 2.5)",
                                             ":DBInsert(2, 2, \"ヂBob\", 2.5)",
                                             ":DBFindFirst()"};
    auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> all = people;
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };
    const std::vector<std::string> arrays = {"n[2]:str", "v[2]:int", "w:str"};
    expectAll({
        {"names a and b, values the integers 1 and 2",
         with({":n[0] = \"a\"", ":n[1] = \"b\"", ":v[0] = 1", ":v[1] = 2", "DBLocate(n, v)", "DBGetStr(\"name\")"}),
         "TRUE|bob|",
         {},
         arrays},
        {"a field that does not exist finds nothing and the current record stays",
         with({":DBFindLast()", "DBLocate(\"nope\", 1)", "DBGetRecNo()", ":n[0] = \"a\"", ":n[1] = \"nope\"",
               ":v[0] = 1", "DBLocate(n, v)"}),
         "FALSE|2|FALSE|",
         {},
         arrays},
        {"the comparison is chosen by the type of the values",
         with({"DBLocate(\"name\", \"BOB\")", "DBLocate(\"name\", \"BOB\", TRUE)", "DBGetRecNo()",
               "DBLocate(\"x\", 2.5)", "DBGetRecNo()", "DBLocate(\"a\", \"2\")", "DBGetRecNo()", "DBLocate(\"x\", 3)",
               "DBLocate(\"name\", 0)", "DBGetRecNo()"}),
         "FALSE|TRUE|1|TRUE|1|TRUE|2|FALSE|TRUE|0|"},
        {"partial texts match at the start of characters only, folded by characters",
         with({"DBLocate(\"name\", \"li\", FALSE, TRUE)", "DBGetRecNo()", "DBLocate(\"name\", \"OB\", TRUE, TRUE)",
               "DBGetRecNo()", ":DBSetRecNo(0)", "DBLocate(\"name\", \"Bob\", FALSE, TRUE)", "DBGetRecNo()",
               ":DBSetStr(\"name\", \"デ\")", "DBLocate(\"name\", \"f\", FALSE, TRUE)",
               "DBLocate(\"name\", \"F\", TRUE, TRUE)", "DBLocate(\"name\", \"\", FALSE, TRUE)"}),
         "TRUE|0|TRUE|1|TRUE|2|FALSE|FALSE|FALSE|"},
        {"direct access to the first match of another table",
         with({":DBCreateTable(\"u\", 0)", "DBDirectGetStr(\"t\", \"b\", 2, FALSE, FALSE, \"name\", \"none\")",
               "DBDirectGetInt(\"t\", \"name\", \"alice\", TRUE, FALSE, \"b\", -1)",
               "DBDirectGetFloat(\"t\", \"b\", 2, FALSE, FALSE, \"x\", 0)",
               "DBDirectGetBool(\"t\", \"b\", 9, FALSE, FALSE, \"a\", TRUE)",
               "DBDirectGetInt(\"t\", \"b\", 1, FALSE, FALSE, \"nope\", -7)",
               "DBDirectGetInt(\"nope\", \"b\", 1, FALSE, FALSE, \"a\", -8)",
               "DBDirectSetStr(\"t\", \"b\", 2, FALSE, FALSE, \"name\", \"Carol\")",
               "DBDirectSetInt(\"t\", \"b\", 7, FALSE, FALSE, \"a\", 1)",
               "DBDirectGetStr(\"t\", \"b\", 2, FALSE, FALSE, \"name\", \"\")", "DBGetActive()"}),
         "bob|1|2.5|TRUE|-7|-8|TRUE|FALSE|Carol|u|"},
    });
}

TEST(DBTool, CopyingAndSorting) {
    const std::vector<std::string> scores = {kTable,
                                             ":DBAddField(\"id\", 1)",
                                             ":DBAddField(\"score\", 2)",
                                             ":DBAddField(\"name\", 4, 8)",
                                             ":DBInsert(1, 30, \"c\")",
                                             ":DBInsert(2, 10, \"a\")",
                                             ":DBInsert(3, 20, \"b\")",
                                             ":DBInsert(4, 20, \"B\")"};
    auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> all = scores;
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };
    // Appends the ids of the active table's first n records, then "|".
    auto order = [](int n) {
        std::vector<std::string> t = {":DBFindFirst()"};
        for (int i = 0; i < n; ++i) {
            t.push_back(":r = r ++ DBGetInt(\"id\")");
            t.push_back(":DBFindNext()");
        }
        t.push_back(":r = r ++ \"|\"");
        return t;
    };
    auto then = [&](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const std::vector<std::string> vars = {"k[2]:str", "d[2]:flag"};
    expectAll({
        {"ascending, the current number kept across the sort",
         then(with({":k[0] = \"score\"", ":k[1] = \"id\"", ":DBSetRecNo(1)", "DBSort(k, d)", "DBGetRecNo()",
                    "DBGetInt(\"id\")"}),
              order(4)),
         "TRUE|1|3|2341|",
         {},
         vars},
        {"descending applies to numbers only; later keys break ties",
         then(with({":k[0] = \"score\"", ":k[1] = \"name\"", ":d[0] = TRUE", ":d[1] = TRUE", "DBSort(k, d)"}),
              order(4)),
         "TRUE|1432|",
         {},
         vars},
        {"strings sort byte-wise and ignore descending; unknown names are skipped",
         then(with({":k[0] = \"nope\"", ":k[1] = \"name\"", ":d[1] = TRUE", "DBSort(k, d)"}), order(4)),
         "TRUE|4231|",
         {},
         vars},
        {"a sort without a known key leaves the records as they are", then(with({"DBSort(\"nope\", TRUE)"}), order(4)),
         "TRUE|1234|"},
        {"DBSort without an active table", {"DBSort(\"a\", FALSE)"}, "FALSE|"},
        {"DBCopyTable copies the layout and the matching records; never into the active table",
         then(with({":DBCreateTable(\"dst\", 0)", ":DBAddField(\"junk\", 3)", ":DBSetActive(\"t\")",
                    "DBCopyTable(\"t\")", "DBCopyTable(\"nope\")", "DBCopyTable(\"dst\", \"score\", 20)",
                    "DBRecordCount(\"dst\")", ":DBSetActive(\"dst\")", "DBGetRecNo()", "DBAddField(\"junk\", 3)"}),
              order(2)),
         "FALSE|FALSE|TRUE|2|1|TRUE|34|"},
        {"DBInsertTable appends matching records of an equal layout, the active table itself too",
         then(with({"DBInsertTable(\"t\", \"id\", 2)", "DBRecordCount()", "DBInsertTable(\"t\")", "DBRecordCount()",
                    "DBGetRecNo()", ":DBCreateTable(\"v\", 0)", ":DBAddField(\"id\", 1)", ":DBSetActive(\"t\")",
                    "DBInsertTable(\"v\")"}),
              order(10)),
         "TRUE|5|TRUE|10|9|FALSE|1234212342|"},
        {"DBCopy appends the current record to a table of equal layout",
         {kTable, ":DBAddField(\"id\", 1)", ":DBInsert(5)", "DBCopy(\"t\")", "DBRecordCount()", "DBCopy(\"nope\")",
          ":DBCreateTable(\"u\", 0)", ":DBAddField(\"id\", 2)", ":DBSetActive(\"t\")", "DBCopy(\"u\")",
          ":DBSetRecNo(-1)", "DBCopy(\"t\")"},
         "TRUE|2|FALSE|FALSE|FALSE|"},
    });
}

TEST(DBTool, TsvFiles) {
    expectAll({
        {"a header cell with only a name makes an 80-byte text; \"id int\" an integer",
         {kTable, "DBLoadTsvFile(\"data\\People.tsv\")", "DBRecordCount()", "DBGetStr(\"name\")", "DBGetInt(\"id\")",
          "DBAddField(\"ID\", 1)", ":DBInsert(1, \"" + std::string(90, 'x') + "\")", "Length(DBGetStr(\"name\"))"},
         "TRUE|2|bob|7|FALSE|80|",
         {{"data/people.tsv", "id int\tname\r\n3\talice\n7\tbob\n"}}},
        {"types, lengths, escapes, empty lines and cells",
         {kTable, "DBLoadTsvFile(\"t.tsv\")", "DBRecordCount()", ":DBFindFirst()", "DBGetFloat(\"x\")",
          "DBGetBool(\"b\")", "DBGetStr(\"s\")", "DBGetStr(\"e\")", ":DBFindNext()", "DBGetStr(\"s\")",
          "DBGetStr(\"e\")", ":DBFindNext()", "DBGetStr(\"s\")"},
         "TRUE|3|1.5|TRUE|ab\"c\\d\r\nx\\q|ソn|||ソ表|",
         {{"t.tsv", "x float\tb bool\ts str 20\te foo 4\t\n"
                    "1.5\tTRUE\tab\\\"c\\\\d\\nx\\q\tソn\n"
                    "\n"
                    "2\tFALSE\t\t\n"
                    "0\tFALSE\tソ表\tabcdef"}}},
        {"a header cell without a name leaves the table without fields",
         {kTable, ":DBAddField(\"old\", 1)", "DBLoadTsvFile(\"bad.tsv\")", "DBRecordCount()", "DBAddField(\"a\", 1)",
          "DBAddField(\"old\", 1)"},
         "FALSE|0|TRUE|TRUE|",
         {{"bad.tsv", "a int\t\tb\n1\t2\t3\n"}}},
        {"a missing file, an empty file, no active table",
         {"DBLoadTsvFile(\"t.tsv\")", kTable, "DBLoadTsvFile(\"none.tsv\")", "DBLoadTsvFile(\"empty.tsv\")"},
         "FALSE|FALSE|FALSE|",
         {{"t.tsv", "a\n"}, {"empty.tsv", ""}}},
    });
}

} // namespace
