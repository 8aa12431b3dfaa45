#include "engine/TraceSink.h"

#include "base/Cp932.h"
#include "base/Error.h"

namespace nuvo {

TTraceSink::TTraceSink(TraceLevel level, std::function<void(std::string_view)> write)
    : level_(level), write_(std::move(write)) {}

TTraceSink::~TTraceSink() {
    if (file_) std::fclose(file_);
}

std::unique_ptr<TTraceSink> TTraceSink::OpenFile(const std::string& nativePath, TraceLevel level) {
    std::FILE* f = std::fopen(nativePath.c_str(), "wb");
    if (!f) raiseError(utf8ToSjis("cannot create the trace file " + nativePath));
    auto sink = std::make_unique<TTraceSink>(level, [f](std::string_view line) {
        std::fwrite(line.data(), 1, line.size(), f);
        std::fputc('\n', f);
        std::fflush(f);
    });
    sink->file_ = f;
    return sink;
}

void TTraceSink::Trace(TraceLevel level, std::string_view sjisLine) {
    if (!Wants(level) || !write_) return;
    write_(sjisToUtf8Escaped(sjisLine));
}

} // namespace nuvo
