// A page keeps its expressions as checked views of their bytes until first
// use. The check must accept exactly what the expression reader accepts and
// stop at the same place, for any bytes.
#include "base/Error.h"
#include "base/Stream.h"
#include "engine/StoredExpr.h"
#include "script/NuvoParser.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    nuvo::TKvMemoryStream a(bytes), b(bytes);
    nuvo::TExpr view;
    bool skipped = true, read = true;
    try {
        view.LoadFromStream(a, bytes.data());
    } catch (const nuvo::ENuvoError&) {
        skipped = false;
    }
    nuvo::TNuvoParser parser;
    try {
        parser.LoadFromStream(b);
    } catch (const nuvo::ENuvoError&) {
        read = false;
    }
    if (skipped != read) __builtin_trap();
    if (skipped && a.position() != b.position()) __builtin_trap();
    if (!skipped) return 0;
    // The view materialises into the same operations.
    nuvo::TKvMemoryStream x, y;
    view.Parser().SaveToStream(x);
    parser.SaveToStream(y);
    if (x.bytes() != y.bytes()) __builtin_trap();
    return 0;
}
