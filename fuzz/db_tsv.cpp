// Feeds any bytes to a table as the text of a TSV file, then reads every
// field of the first records, sorts by the first fields and saves the table,
// which must load again to the same bytes.
#include "base/Stream.h"
#include "script/DBFunctions.h"
#include "script/DBManager.h"
#include "script/ParamStorage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nuvo::TDBManager m;
    m.CreateTable("t", false);
    nuvo::TDBTable& t = *m.ActiveTable();
    t.LoadTsv(nuvo::splitTextLines(std::string_view(reinterpret_cast<const char*>(data), size)));
    nuvo::TParamStr names;
    nuvo::TParamFlag down;
    for (int32_t f = 0; f < t.Fields().Count(); ++f) {
        if (f < 3) {
            names.SetCount(f + 1);
            names.SetStrAt(f, t.Fields()[f].FieldName);
            down.SetCount(f + 1);
            down.SetBoolAt(f, true);
        }
        for (int32_t r = 0; r < t.RecordCount() && r < 8; ++r) {
            std::string s;
            long double x;
            t.GetStr(r, f, s);
            t.GetFloat(r, f, x);
        }
    }
    t.Sort(names, down);
    nuvo::TKvMemoryStream out;
    m.SaveTables(out, false);
    nuvo::TDBManager again;
    nuvo::TKvMemoryStream in(out.bytes());
    again.LoadTables(in, false);
    nuvo::TKvMemoryStream out2;
    again.SaveTables(out2, false);
    if (out2.bytes() != out.bytes()) std::abort();
    return 0;
}
