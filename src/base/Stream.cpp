#include "base/Stream.h"

#include "base/Error.h"

#include <algorithm>
#include <cstring>

namespace nuvo {

int64_t TStream::size() {
    const int64_t here = position();
    const int64_t end = seek(0, SeekOrigin::End);
    seek(here, SeekOrigin::Begin);
    return end;
}

void TStream::setSize(int64_t) {}

int64_t TKvMemoryStream::read(void* buffer, int64_t count) {
    const int64_t avail = std::max<int64_t>(0, size() - pos_);
    const int64_t n = std::clamp<int64_t>(count, 0, avail);
    if (n > 0) std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
}

int64_t TKvMemoryStream::write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    const int64_t end = pos_ + count;
    if (end > size()) {
        if (static_cast<size_t>(end) > data_.capacity())
            data_.reserve(std::max<size_t>(static_cast<size_t>(end), data_.capacity() * 2));
        data_.resize(static_cast<size_t>(end));
    }
    std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
    pos_ = end;
    return count;
}

int64_t TKvMemoryStream::seek(int64_t offset, SeekOrigin origin) {
    const int64_t base = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? pos_ : size();
    pos_ = std::max<int64_t>(0, base + offset);
    return pos_;
}

void TKvMemoryStream::setSize(int64_t newSize) {
    data_.resize(static_cast<size_t>(std::max<int64_t>(0, newSize)));
    pos_ = std::min(pos_, size());
}

void TKvMemoryStream::clear() {
    data_.clear();
    pos_ = 0;
}

void TKvMemoryStream::loadFromFile(const std::string& path) {
    data_ = readWholeFile(path);
    pos_ = 0;
}

TFileStream::TFileStream(const std::string& path, Mode mode) : path_(path) {
    const char* how = mode == Mode::Read ? "rb" : mode == Mode::Create ? "w+b" : "r+b";
    file_ = std::fopen(path.c_str(), how);
    if (!file_) raiseFormat("%s:ファイルが開けません", {path});
}

TFileStream::~TFileStream() {
    if (file_) std::fclose(file_);
}

int64_t TFileStream::read(void* buffer, int64_t count) {
    if (count <= 0) return 0;
    return static_cast<int64_t>(std::fread(buffer, 1, static_cast<size_t>(count), file_));
}

int64_t TFileStream::write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    return static_cast<int64_t>(std::fwrite(buffer, 1, static_cast<size_t>(count), file_));
}

int64_t TFileStream::seek(int64_t offset, SeekOrigin origin) {
    const int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    if (std::fseek(file_, static_cast<long>(offset), whence) != 0 && origin != SeekOrigin::Current)
        std::fseek(file_, 0, offset < 0 ? SEEK_SET : SEEK_END);
    return static_cast<int64_t>(std::ftell(file_));
}

int64_t TFileStream::size() {
    const long here = std::ftell(file_);
    std::fseek(file_, 0, SEEK_END);
    const long end = std::ftell(file_);
    std::fseek(file_, here, SEEK_SET);
    return end;
}

void TFileStream::flush() { std::fflush(file_); }

int64_t CopyStream(TStream& dest, TStream& source, int64_t count) {
    if (count == 0) {
        source.setPosition(0);
        count = source.size();
    }
    if (count <= 0) return 0;
    if (source.isMemoryStream()) {
        auto& mem = static_cast<TKvMemoryStream&>(source);
        const int64_t pos = mem.position();
        const int64_t n = std::clamp<int64_t>(count, 0, std::max<int64_t>(0, mem.size() - pos));
        dest.write(mem.memory() + pos, n);
        mem.seek(n, SeekOrigin::Current);
        return n;
    }
    constexpr int64_t kMaxBuffer = 10 << 20;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, kMaxBuffer)));
    int64_t done = 0;
    while (done < count) {
        const int64_t want = std::min<int64_t>(count - done, static_cast<int64_t>(buffer.size()));
        const int64_t got = source.read(buffer.data(), want);
        if (got <= 0) break;
        dest.write(buffer.data(), got);
        done += got;
    }
    return done;
}

std::vector<uint8_t> readWholeFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) raiseFormat("%s:ファイルが開けません", {path});
    std::vector<uint8_t> out;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.insert(out.end(), chunk, chunk + n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) raiseFormat("%s:ファイルが読めません", {path});
    return out;
}

} // namespace nuvo
