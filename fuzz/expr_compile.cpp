// Feeds any text to the expression compiler. An error places itself at a
// character of the text. What compiles is written, loaded back and written
// again: the two streams must be identical, and the listing of every
// operation must be producible.
#include "base/Error.h"
#include "base/Stream.h"
#include "script/BuildNuvoParser.h"
#include "script/NuvoParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    nuvo::TBuildNuvoParser builder;
    nuvo::TKvMemoryStream written;
    try {
        builder.Build(text);
        for (const auto& op : builder.Operations()) (void)nuvo::describeOperation(op);
        builder.SaveToStream(written);
    } catch (const nuvo::ECompileError& e) {
        if (e.Offset() >= size && size > 0) std::abort(); // an error lies at a character of the text
        return 0;
    } catch (const nuvo::ENuvoError&) {
        return 0;
    }
    written.setPosition(0);
    nuvo::TNuvoParser parser;
    parser.LoadFromStream(written); // must not fail on the compiler's own output
    nuvo::TKvMemoryStream again;
    parser.SaveToStream(again);
    if (again.bytes() != written.bytes()) std::abort();
    for (const auto& op : parser.Operations()) (void)nuvo::describeOperation(op);
    return 0;
}
