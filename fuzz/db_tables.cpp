// Feeds any bytes to the tables' saved record. The first byte picks the kind
// (odd: status tables; even: the game's); the rest is the record, loaded
// into a manager that already holds a table of each kind. Whatever loads is
// then read, searched, sorted and grown, and saved: the saved form must load
// again and save to the same bytes.
#include "base/Error.h"
#include "base/Stream.h"
#include "script/DBManager.h"
#include "script/ParamStorage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> saved(const nuvo::TDBManager& m, bool status) {
    nuvo::TKvMemoryStream s;
    m.SaveTables(s, status);
    return s.bytes();
}

void exercise(nuvo::TDBTable& t) {
    const int32_t fields = t.Fields().Count();
    const int32_t records = t.RecordCount() < 8 ? t.RecordCount() : 8;
    nuvo::TParamStr names;
    nuvo::TParamFlag down;
    for (int32_t f = 0; f < fields && f < 4; ++f) {
        names.SetCount(f + 1);
        names.SetStrAt(f, t.Fields()[f].FieldName);
        down.SetCount(f + 1);
        down.SetBoolAt(f, f & 1);
        for (int32_t r = 0; r < records; ++r) {
            int32_t i;
            long double x;
            bool b;
            std::string s;
            t.GetInt(r, f, i);
            t.GetFloat(r, f, x);
            t.GetBool(r, f, b);
            t.GetStr(r, f, s);
        }
    }
    std::vector<int32_t> list;
    if (fields > 0) {
        nuvo::TParamStr text;
        text.SetString("a");
        nuvo::TParamInt number;
        t.Locate(list, &names, &text, false, false);
        t.Locate(list, &names, &text, true, true);
        t.Locate(list, &names, &number, false, false);
    }
    t.Sort(names, down);
    if (t.RecordCount() <= 4096 && t.Append()) {
        for (int32_t f = 0; f < fields; ++f)
            t.SetStr(t.RecNo(), f, "12345678901234567890");
        t.AppendCopies(t, list);
        t.DeleteRecord();
    }
    t.AddField("added", nuvo::PT_STR, 3);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool status = data[0] & 1;
    nuvo::TDBManager m;
    m.CreateTable("game", false);
    m.CreateTable("status", true);
    nuvo::TKvMemoryStream s(std::vector<uint8_t>(data + 1, data + size));
    try {
        m.LoadTables(s, status);
    } catch (const nuvo::ENuvoError&) {
        if (m.Count() != 2) std::abort(); // a broken record changes nothing
        return 0;
    }
    const std::vector<uint8_t> first = saved(m, status);
    nuvo::TDBManager again;
    nuvo::TKvMemoryStream copy(first);
    again.LoadTables(copy, status); // what was saved always loads
    if (saved(again, status) != first) std::abort();
    // Tables of records without bytes may hold millions of them: searching
    // those is slow, not interesting.
    for (int32_t i = 0; i < m.Count(); ++i)
        if (m.Table(i).RecordCount() <= 65536) exercise(m.Table(i));
    (void)saved(m, status);
    return 0;
}
