// The trace sink: where the interpreter's trace lines go. There are two kinds
// of line, one per command the interpreter starts on ("%.8x : page(line)")
// and one per event handler it starts ("%.8x : <Event>page(line)"); nothing
// else is traced. A sink passes the lines up to its level and drops the
// rest. The player installs one (TProgramContext::Trace) when it is given
// --trace FILE; without one nothing is traced and nothing is formatted.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace nuvo {

enum class TraceLevel : uint8_t {
    Off = 0,
    Events = 1,   // the handlers that start
    Commands = 2, // and every command run
};

class TTraceSink {
public:
    // Lines go to write as UTF-8 without their line end.
    TTraceSink(TraceLevel level, std::function<void(std::string_view utf8Line)> write);
    ~TTraceSink();
    TTraceSink(const TTraceSink&) = delete;
    TTraceSink& operator=(const TTraceSink&) = delete;

    // Appends the lines to a new (emptied) file, each flushed as it is written
    // so that a crash keeps the trace up to it. Raises when the file cannot
    // be created.
    static std::unique_ptr<TTraceSink> OpenFile(const std::string& nativePath, TraceLevel level = TraceLevel::Commands);

    bool Wants(TraceLevel level) const { return level != TraceLevel::Off && level <= level_; }
    // A Shift-JIS line; written in UTF-8 with the toolkit's escapes for bytes
    // that have no exact UTF-8 form.
    void Trace(TraceLevel level, std::string_view sjisLine);

private:
    TraceLevel level_;
    std::function<void(std::string_view)> write_;
    std::FILE* file_ = nullptr;
};

} // namespace nuvo
