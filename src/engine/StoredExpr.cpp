#include "engine/StoredExpr.h"

#include "base/Stream.h"
#include "base/StreamIO.h"
#include "script/NuvoParser.h"
#include "script/OpeCode.h"

#include <cstring>

namespace nuvo {
namespace {

// Reads a byte range in place.
class ViewStream final : public TStream {
public:
    ViewStream(const uint8_t* data, int64_t size) : data_(data), size_(size) {}
    int64_t read(void* buffer, int64_t count) override {
        const int64_t n = std::max<int64_t>(0, std::min(count, size_ - pos_));
        if (n > 0) std::memcpy(buffer, data_ + pos_, static_cast<size_t>(n));
        pos_ += n;
        return n;
    }
    int64_t write(const void*, int64_t) override { return 0; }
    int64_t seek(int64_t offset, SeekOrigin origin) override {
        const int64_t from = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? pos_ : size_;
        pos_ = std::max<int64_t>(0, from + offset);
        return pos_;
    }
    int64_t size() override { return size_; }

private:
    const uint8_t* data_;
    int64_t size_;
    int64_t pos_ = 0;
};

// Reads the stream encodings in place, with the checks of the Checked readers.
struct Cursor {
    const uint8_t* p;
    const uint8_t* end;

    int64_t remaining() const { return end - p; }
    void need(int64_t n) const {
        if (n < 0 || remaining() < n) raiseBrokenData();
    }
    uint8_t byte() {
        need(1);
        return *p++;
    }
    int32_t int32() {
        need(4);
        int32_t v;
        std::memcpy(&v, p, 4);
        p += 4;
        return v;
    }
    void skip(int64_t n) {
        need(n);
        p += n;
    }
    // A Str as ReadStrChecked reads it: a length of 0 or less is empty.
    void skipStr() {
        const int32_t n = int32();
        if (n > 0) skip(n);
    }
    int32_t count(int64_t minRecordBytes) {
        const int32_t n = int32();
        if (n < 0 || n > remaining() / minRecordBytes) raiseBrokenData();
        return n;
    }
};

} // namespace

TExpr::TExpr() = default;
TExpr::~TExpr() = default;
TExpr::TExpr(TExpr&&) noexcept = default;
TExpr& TExpr::operator=(TExpr&&) noexcept = default;

const uint8_t* TExpr::Skip(const uint8_t* p, const uint8_t* end) {
    Cursor c{p, end};
    const int32_t count = c.count(9); // opcode, target length, operand count
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t opcode = c.byte();
        c.skipStr();
        const int32_t n = c.count(2); // the smallest operand record is a flag
        if (opcode == ocFunc) {
            c.byte(); // the function number: any, checked when run
        } else if (opcode == ocDimTo && n == 0) {
            raiseBrokenData();
        }
        for (int32_t k = 0; k < n; ++k) {
            switch (c.byte()) {
            case 1:
                c.skip(4);
                break;
            case 2:
                c.skip(10);
                break;
            case 3:
                c.skip(1);
                break;
            default:
                c.skipStr();
                break; // a string constant, or a name for any other tag
            }
        }
    }
    return c.p;
}

void TExpr::LoadFromStream(TStream& s, const uint8_t* base) {
    if (!base) {
        auto parser = std::make_unique<TNuvoParser>();
        parser->LoadFromStream(s);
        parser_ = std::move(parser);
        view_ = nullptr;
        size_ = 0;
        return;
    }
    const int64_t start = s.position();
    const uint8_t* after = Skip(base + start, base + s.size());
    s.seek(after - (base + start), SeekOrigin::Current);
    parser_.reset();
    view_ = base + start;
    size_ = static_cast<uint32_t>(after - (base + start));
}

void TExpr::SaveToStream(TStream& s) const {
    // A loaded expression is written as it was read; the operations are only
    // its decoded form.
    if (view_) {
        s.write(view_, size_);
    } else if (parser_) {
        parser_->SaveToStream(s);
    } else {
        WriteInt(s, 0);
    }
}

bool TExpr::Empty() const {
    if (parser_) return parser_->Operations().empty();
    if (!view_) return true;
    int32_t count;
    std::memcpy(&count, view_, 4);
    return count == 0;
}

TNuvoParser& TExpr::Parser() const {
    if (!parser_) {
        auto parser = std::make_unique<TNuvoParser>();
        if (view_) {
            ViewStream s(view_, size_);
            parser->LoadFromStream(s);
        }
        parser_ = std::move(parser);
    }
    return *parser_;
}

} // namespace nuvo
