#include "script/DBFunctions.h"

#include "script/DBManager.h"
#include "script/ParamVar.h"
#include "script/SysFuncMan.h"

#include <vector>

namespace nuvo {
namespace {

// An optional argument, or none when absent.
const TCustomParam* optional(const FunctionCall& c, int i) { return c.HasArg(i) ? &c.Arg(i) : nullptr; }

// The field of the active table's current record named by argument 0, or
// none (no active table, no current record, no such field).
struct CurrentField {
    TDBTable* table = nullptr;
    int32_t record = -1;
    int32_t field = -1;
};

CurrentField currentField(TDBManager& m, const FunctionCall& c) {
    TDBTable* t = m.ActiveTable();
    if (!t) return {};
    const int32_t f = t->Fields().IndexOf(c.Str(0));
    if (!t->HasRecord(t->RecNo()) || f < 0) return {};
    return {t, t->RecNo(), f};
}

// The named table (argument 0) when given, else the active one.
TDBTable* namedOrActive(TDBManager& m, const FunctionCall& c) {
    return c.HasArg(0) ? m.FindTable(c.Str(0)) : m.ActiveTable();
}

TDBManager::Found directLookup(TDBManager& m, const FunctionCall& c) {
    return m.DirectLookup(c.Str(0), &c.Arg(1), &c.Arg(2), c.Bool(3), c.Bool(4), c.Str(5));
}

// The indices of the records of t matching the optional names and values
// from argument first on (all records without them).
std::vector<int32_t> matching(const TDBTable& t, const FunctionCall& c, int first) {
    std::vector<int32_t> list;
    t.Locate(list, optional(c, first), optional(c, first + 1), c.Bool(first + 2, false), c.Bool(first + 3, false));
    return list;
}

using Fn = void (*)(FunctionCall&, TDBManager&);

struct Entry {
    const char* name;
    Fn fn;
};

const Entry kTableFunctions[] = {
    {"DBCreateTable", [](FunctionCall& c, TDBManager& m) { c.SetResultBool(m.CreateTable(c.Str(0), c.Bool(1)) >= 0); }},
    {"DBSetActive", [](FunctionCall& c, TDBManager& m) { c.SetResultBool(m.SetActive(c.Str(0))); }},
    {"DBAddField",
     [](FunctionCall& c, TDBManager& m) {
         TDBTable* t = m.ActiveTable();
         c.SetResultBool(t && t->AddField(c.Str(0), c.Int(1), c.Int(2, 0)));
     }},
    {"DBSetRecNo",
     [](FunctionCall& c, TDBManager& m) {
         TDBTable* t = m.ActiveTable();
         c.SetResultBool(t && t->SetRecNo(c.Int(0)));
     }},
    {"DBInsert",
     [](FunctionCall& c, TDBManager& m) {
         TDBTable* t = m.ActiveTable();
         if (!t || !t->Append()) {
             c.SetResultBool(false);
             return;
         }
         // Each argument is stored with the setter of its own type; one
         // beyond the layout is ignored.
         const int32_t r = t->RecNo();
         for (int i = 0; i < c.ArgCount() && i < t->Fields().Count(); ++i) {
             switch (c.Arg(i).ParamType()) {
             case PT_INT:
                 t->SetInt(r, i, c.Int(i));
                 break;
             case PT_FLOAT:
                 t->SetFloat(r, i, c.Float(i));
                 break;
             case PT_BOOL:
                 t->SetBool(r, i, c.Bool(i));
                 break;
             default:
                 t->SetStr(r, i, c.Str(i));
                 break;
             }
         }
         c.SetResultBool(true);
     }},
    {"DBDelete",
     [](FunctionCall& c, TDBManager& m) {
         if (TDBTable* t = m.ActiveTable()) t->DeleteRecord();
         c.SetResultBool(false);
     }},
    {"DBGetInt",
     [](FunctionCall& c, TDBManager& m) {
         const CurrentField at = currentField(m, c);
         int32_t v = 0;
         if (at.table) at.table->GetInt(at.record, at.field, v);
         c.SetResultInt(v);
     }},
    {"DBGetFloat",
     [](FunctionCall& c, TDBManager& m) {
         const CurrentField at = currentField(m, c);
         long double v = 0.0L;
         if (at.table) at.table->GetFloat(at.record, at.field, v);
         c.SetResultFloat(v);
     }},
    {"DBGetBool",
     [](FunctionCall& c, TDBManager& m) {
         const CurrentField at = currentField(m, c);
         bool v = false;
         if (at.table) at.table->GetBool(at.record, at.field, v);
         c.SetResultBool(v);
     }},
    {"DBGetStr",
     [](FunctionCall& c, TDBManager& m) {
         const CurrentField at = currentField(m, c);
         std::string v;
         if (at.table) at.table->GetStr(at.record, at.field, v);
         c.SetResultStr(v);
     }},
    {"DBSetInt",
     [](FunctionCall& c, TDBManager& m) {
         const CurrentField at = currentField(m, c);
         c.SetResultBool(at.table && at.table->SetInt(at.record, at.field, c.Int(1)));
     }},
    {"DBSetFloat",
     [](FunctionCall& c, TDBManager& m) {
         const CurrentField at = currentField(m, c);
         c.SetResultBool(at.table && at.table->SetFloat(at.record, at.field, c.Float(1)));
     }},
    {"DBSetBool",
     [](FunctionCall& c, TDBManager& m) {
         const CurrentField at = currentField(m, c);
         c.SetResultBool(at.table && at.table->SetBool(at.record, at.field, c.Bool(1)));
     }},
    {"DBSetStr",
     [](FunctionCall& c, TDBManager& m) {
         const CurrentField at = currentField(m, c);
         c.SetResultBool(at.table && at.table->SetStr(at.record, at.field, c.Str(1)));
     }},
    {"DBRecordCount",
     [](FunctionCall& c, TDBManager& m) {
         const TDBTable* t = namedOrActive(m, c);
         c.SetResultInt(t ? t->RecordCount() : -1);
     }},
    {"DBFindFirst",
     [](FunctionCall& c, TDBManager& m) {
         TDBTable* t = m.ActiveTable();
         c.SetResultBool(t && t->First());
     }},
    {"DBFindLast",
     [](FunctionCall& c, TDBManager& m) {
         TDBTable* t = m.ActiveTable();
         c.SetResultBool(t && t->Last());
     }},
    {"DBFindNext",
     [](FunctionCall& c, TDBManager& m) {
         TDBTable* t = m.ActiveTable();
         c.SetResultBool(t && t->Next());
     }},
    {"DBFindPrior",
     [](FunctionCall& c, TDBManager& m) {
         TDBTable* t = m.ActiveTable();
         c.SetResultBool(t && t->Prior());
     }},
    {"DBLocate",
     [](FunctionCall& c, TDBManager& m) {
         TDBTable* t = m.ActiveTable();
         std::vector<int32_t> list;
         if (t) t->Locate(list, &c.Arg(0), &c.Arg(1), c.Bool(2, false), c.Bool(3, false), 1);
         c.SetResultBool(!list.empty() && t->SetRecNo(list.front()));
     }},
    {"DBDirectGetInt",
     [](FunctionCall& c, TDBManager& m) {
         const auto found = directLookup(m, c);
         int32_t v = c.Int(6);
         if (found.table) found.table->GetInt(found.record, found.field, v);
         c.SetResultInt(v);
     }},
    {"DBDirectGetFloat",
     [](FunctionCall& c, TDBManager& m) {
         const auto found = directLookup(m, c);
         long double v = c.Float(6);
         if (found.table) found.table->GetFloat(found.record, found.field, v);
         c.SetResultFloat(v);
     }},
    {"DBDirectGetBool",
     [](FunctionCall& c, TDBManager& m) {
         const auto found = directLookup(m, c);
         bool v = c.Bool(6);
         if (found.table) found.table->GetBool(found.record, found.field, v);
         c.SetResultBool(v);
     }},
    {"DBDirectGetStr",
     [](FunctionCall& c, TDBManager& m) {
         const auto found = directLookup(m, c);
         std::string v = c.Str(6);
         if (found.table) found.table->GetStr(found.record, found.field, v);
         c.SetResultStr(v);
     }},
    {"DBDirectSetInt",
     [](FunctionCall& c, TDBManager& m) {
         const auto found = directLookup(m, c);
         c.SetResultBool(found.table && found.table->SetInt(found.record, found.field, c.Int(6)));
     }},
    {"DBDirectSetFloat",
     [](FunctionCall& c, TDBManager& m) {
         const auto found = directLookup(m, c);
         c.SetResultBool(found.table && found.table->SetFloat(found.record, found.field, c.Float(6)));
     }},
    {"DBDirectSetBool",
     [](FunctionCall& c, TDBManager& m) {
         const auto found = directLookup(m, c);
         c.SetResultBool(found.table && found.table->SetBool(found.record, found.field, c.Bool(6)));
     }},
    {"DBDirectSetStr",
     [](FunctionCall& c, TDBManager& m) {
         const auto found = directLookup(m, c);
         c.SetResultBool(found.table && found.table->SetStr(found.record, found.field, c.Str(6)));
     }},
    {"DBCopyTable",
     [](FunctionCall& c, TDBManager& m) {
         const TDBTable* t = m.ActiveTable();
         const std::string dst = c.Str(0);
         const TDBTable* target = m.FindTable(dst);
         if (!t || !target || target == t) {
             c.SetResultBool(false);
             return;
         }
         c.SetResultBool(m.CopyRecords(dst, matching(*t, c, 1)));
     }},
    {"DBInsertTable",
     [](FunctionCall& c, TDBManager& m) {
         const TDBTable* t = m.ActiveTable();
         const std::string src = c.Str(0);
         const TDBTable* source = m.FindTable(src);
         if (!t || !source || !t->Fields().SameLayout(source->Fields())) {
             c.SetResultBool(false);
             return;
         }
         c.SetResultBool(m.InsertRecords(src, matching(*source, c, 1)));
     }},
    {"DBCopy",
     [](FunctionCall& c, TDBManager& m) {
         const TDBTable* t = m.ActiveTable();
         TDBTable* target = m.FindTable(c.Str(0));
         if (!t || !target || !t->HasRecord(t->RecNo())) {
             c.SetResultBool(false);
             return;
         }
         const int32_t current = t->RecNo();
         c.SetResultBool(target->AppendCopies(*t, {&current, 1}));
     }},
    {"DBDeleteTable",
     [](FunctionCall& c, TDBManager& m) {
         if (c.HasArg(0))
             m.DeleteTable(c.Str(0));
         else if (const TDBTable* t = m.ActiveTable())
             m.DeleteTable(std::string(t->TableName));
         c.SetResultBool(false);
     }},
    {"DBClearTable", [](FunctionCall&, TDBManager& m) { m.ClearAll(); }},
    {"DBSort",
     [](FunctionCall& c, TDBManager& m) {
         TDBTable* t = m.ActiveTable();
         if (t) t->Sort(c.Arg(0), c.Arg(1));
         c.SetResultBool(t != nullptr);
     }},
    {"DBGetActive",
     [](FunctionCall& c, TDBManager& m) {
         const TDBTable* t = m.ActiveTable();
         c.SetResultStr(t ? t->TableName : std::string());
     }},
    {"DBGetRecNo",
     [](FunctionCall& c, TDBManager& m) {
         const TDBTable* t = m.ActiveTable();
         c.SetResultInt(t ? t->RecNo() : -1);
     }},
    {"DBClearRecord",
     [](FunctionCall& c, TDBManager& m) {
         TDBTable* t = namedOrActive(m, c);
         if (t) t->ClearRecords();
         c.SetResultBool(t != nullptr);
     }},
    {"DBGetTableCount", [](FunctionCall& c, TDBManager& m) { c.SetResultInt(m.Count()); }},
    {"DBGetTable",
     [](FunctionCall& c, TDBManager& m) {
         // The name and the flag go into variables only: a constant of the
         // compiled expression in their place is refused, never written.
         static constexpr const char* kNoVariable = "DBGetTable:変数が見つかりません";
         TParamVar& name = c.Variable(1, kNoVariable);
         TParamVar* status = c.HasArg(2) ? &c.Variable(2, kNoVariable) : nullptr;
         const int32_t n = c.Int(0);
         if (n < 0 || n >= m.Count()) {
             c.SetResultBool(false);
             return;
         }
         const TDBTable& t = m.Table(n);
         name.SetString(t.TableName);
         if (status) status->SetBool(t.IsStatus != 0);
         c.SetResultBool(true);
     }},
};

} // namespace

std::vector<std::string> splitTextLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        lines.emplace_back(text.substr(start, end - start));
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++end;
        start = end + 1;
    }
    return lines;
}

void installDBFunctions(TSysFuncMan& functions, TDBManager& tables, DBFileSource files) {
    TDBManager* m = &tables;
    for (const Entry& e : kTableFunctions) {
        const Fn fn = e.fn;
        functions.SetHandler(
            findFunction(e.name), [fn, m](FunctionCall& c) { fn(c, *m); }, true);
    }
    // Loading a file may ask for a disk, so this one is not self-contained.
    functions.SetHandler(findFunction("DBLoadTsvFile"), [m, files = std::move(files)](FunctionCall& c) {
        const std::string name = c.Str(0);
        std::string bytes;
        if (!m->ActiveTable() || !files || !files(name, bytes) || bytes.empty()) {
            c.SetResultBool(false);
            return;
        }
        TDBTable* t = m->ActiveTable();
        c.SetResultBool(t && t->LoadTsv(splitTextLines(bytes)));
    });
}

} // namespace nuvo
