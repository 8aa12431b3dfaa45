// A command's stored expression. A loaded page keeps its file's bytes, and
// each expression stays a view of its compiled form there until it is first
// needed, when it becomes a TNuvoParser; a page of thousands of commands
// therefore loads (and is freed) without building a single operation list.
// The view is checked when the page loads with the same rules as
// TNuvoParser::LoadFromStream, so a loaded expression always materialises.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace nuvo {

class TNuvoParser;
class TStream;

class TExpr {
public:
    TExpr();
    ~TExpr();
    TExpr(TExpr&&) noexcept;
    TExpr& operator=(TExpr&&) noexcept;

    // Reads the compiled form at the stream's position. With base (the memory
    // the stream reads, which must outlive this object) only a view is kept;
    // otherwise the operations are built now. Bad data raises like the reader.
    void LoadFromStream(TStream& s, const uint8_t* base);
    // The compiled form exactly as read, or as the operations write it.
    void SaveToStream(TStream& s) const;
    // True when the expression has no operations.
    bool Empty() const;
    // The operations, built on first use.
    TNuvoParser& Parser() const;

    // Checks the compiled form that starts at p (the data ending at end) and
    // gives the position after it, allocating nothing; raises the broken-data
    // error where the reader would.
    static const uint8_t* Skip(const uint8_t* p, const uint8_t* end);

private:
    mutable std::unique_ptr<TNuvoParser> parser_;
    const uint8_t* view_ = nullptr;
    uint32_t size_ = 0;
};

} // namespace nuvo
