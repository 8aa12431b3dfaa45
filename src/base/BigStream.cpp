#include "base/BigStream.h"

#include "base/Error.h"
#include "base/StreamIO.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace nuvo {
namespace {

constexpr int64_t kCopyBuffer = 1 << 20;

// Copies through a bounded buffer until count bytes went over or either side
// stops.
int64_t pump(TStream& dest, TStream& source, int64_t count) {
    if (count <= 0) return 0;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, kCopyBuffer)));
    int64_t done = 0;
    while (done < count) {
        const int64_t want = std::min<int64_t>(count - done, static_cast<int64_t>(buffer.size()));
        const int64_t got = source.read(buffer.data(), want);
        if (got <= 0) break;
        const int64_t put = dest.write(buffer.data(), got);
        done += std::max<int64_t>(0, put);
        if (put != got) break;
    }
    return done;
}

} // namespace

int64_t TKvBigStream::seek(int64_t offset, SeekOrigin origin) {
    const int64_t base = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? GetPosition() : GetSize();
    int64_t target;
    if (__builtin_add_overflow(base, offset, &target)) target = offset < 0 ? 0 : INT64_MAX;
    SetPosition(std::max<int64_t>(0, target));
    return GetPosition();
}

int64_t TKvBigStream::CopyFromBig(TKvBigStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.GetSize();
    }
    return pump(*this, source, count);
}

int64_t TKvBigStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.setPosition(0);
        count = source.size();
    }
    return pump(*this, source, count);
}

int64_t TKvBigStream::CopyTo(TStream& dest, int64_t count) { return pump(dest, *this, count); }

// --- TKvBigFileStream ---

std::string TKvBigFileStream::VolumeName(const std::string& path, int index) {
    if (index == 0) return path;
    // The extension starts at the last dot after the last separator; neither
    // byte can be the second byte of a Shift-JIS character.
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    const std::string stem = (dot == std::string::npos || (slash != std::string::npos && dot < slash))
                                 ? path
                                 : path.substr(0, dot);
    char digits[16];
    std::snprintf(digits, sizeof digits, ".%.3d", index);
    return stem + digits;
}

TKvBigFileStream::TKvBigFileStream(const std::string& path, Mode mode, int64_t volumeSize)
    : fileName_(path), mode_(mode), volumeSize_(volumeSize > 0 ? volumeSize : kVolumeSize) {
    if (mode == Mode::Create) {
        for (int i = 1; std::remove(VolumeName(path, i).c_str()) == 0; ++i) {
        }
        if (!openVolume(0, true)) raiseFormat("%s:ファイルが作れません", {path});
        return;
    }
    if (!openVolume(0, false)) raiseFormat("%s:ファイルが開けません", {path});
    while (openVolume(static_cast<int>(volumes_.size()), false)) {
    }
}

TKvBigFileStream::~TKvBigFileStream() {
    for (Volume& v : volumes_)
        if (v.file) std::fclose(v.file);
}

bool TKvBigFileStream::openVolume(int index, bool create) {
    std::error_code ec;
    if (std::filesystem::is_directory(VolumeName(fileName_, index), ec)) return false;
    std::FILE* f = std::fopen(VolumeName(fileName_, index).c_str(), create ? "w+be" : "rbe");
    if (!f) return false;
    // Reads are large or go through TKvBuffBigStream; the stdio buffer would only copy twice.
    std::setvbuf(f, nullptr, _IONBF, 0);
    Volume v;
    v.file = f;
    if (!create && std::fseek(f, 0, SEEK_END) == 0) v.size = std::max<int64_t>(0, std::ftell(f));
    v.at = -1;
    volumes_.push_back(v);
    size_ += v.size;
    return true;
}

bool TKvBigFileStream::placeHandle(Volume& v, int64_t offset) {
    if (v.at == offset) return true;
    if (std::fseek(v.file, static_cast<long>(offset), SEEK_SET) != 0) {
        v.at = -1;
        return false;
    }
    v.at = offset;
    return true;
}

void TKvBigFileStream::SetPosition(int64_t pos) {
    pos = std::max<int64_t>(0, pos);
    position_ = mode_ == Mode::Read ? std::min(pos, size_) : pos;
}

int64_t TKvBigFileStream::Read(void* buffer, int64_t count) {
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count && position_ < size_) {
        const auto index = static_cast<size_t>(position_ / volumeSize_);
        if (index >= volumes_.size()) break;
        Volume& v = volumes_[index];
        const int64_t offset = position_ % volumeSize_;
        const int64_t want = std::min({count - done, volumeSize_ - offset, size_ - position_});
        if (offset >= v.size || !placeHandle(v, offset)) break;
        const auto got = static_cast<int64_t>(std::fread(out + done, 1, static_cast<size_t>(want), v.file));
        v.at = got > 0 ? offset + got : -1;
        done += got;
        position_ += got;
        // A volume shorter than the others leaves a gap that cannot be read.
        if (got < want) break;
    }
    return done;
}

int64_t TKvBigFileStream::Write(const void* buffer, int64_t count) {
    if (mode_ != Mode::Create) return 0;
    const auto* in = static_cast<const uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
        const auto index = static_cast<size_t>(position_ / volumeSize_);
        while (volumes_.size() <= index)
            if (!openVolume(static_cast<int>(volumes_.size()), true)) return done;
        Volume& v = volumes_[index];
        const int64_t offset = position_ % volumeSize_;
        const int64_t want = std::min(count - done, volumeSize_ - offset);
        if (!placeHandle(v, offset)) return done;
        const auto put = static_cast<int64_t>(std::fwrite(in + done, 1, static_cast<size_t>(want), v.file));
        v.at = put > 0 ? offset + put : -1;
        done += put;
        position_ += put;
        if (offset + put > v.size) {
            size_ += offset + put - v.size;
            v.size = offset + put;
        }
        if (put < want) break;
    }
    return done;
}

// --- TKvBigMemoryStream ---

int64_t TKvBigMemoryStream::CopyFromBig(TKvBigStream& source, int64_t count) {
    auto* mem = dynamic_cast<TKvBigMemoryStream*>(&source);
    if (!mem) return 0;
    if (count == 0) {
        mem->SetPosition(0);
        count = mem->GetSize();
    }
    return CopyStream(memory_, mem->memory_, count);
}

int64_t TKvBigMemoryStream::CopyTo(TStream& dest, int64_t count) { return CopyStream(dest, memory_, std::max<int64_t>(0, count)); }

// --- TKvBuffBigStream ---

TKvBuffBigStream::TKvBuffBigStream(TKvBigStream& source) : source_(source) {}

TKvBuffBigStream::~TKvBuffBigStream() {
    if (end_ > pos_) source_.SetPosition(source_.GetPosition() - static_cast<int64_t>(end_ - pos_));
}

bool TKvBuffBigStream::refill() {
    const int64_t want = std::min(kBufferSize, std::max<int64_t>(0, source_.GetSize() - source_.GetPosition()));
    if (want <= 0) return false;
    if (buffer_.size() < static_cast<size_t>(want)) buffer_.resize(static_cast<size_t>(kBufferSize));
    const int64_t got = source_.Read(buffer_.data(), want);
    pos_ = 0;
    end_ = static_cast<size_t>(std::max<int64_t>(0, got));
    return end_ > 0;
}

int64_t TKvBuffBigStream::ReadBuffer(void* buffer, int64_t count) {
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    while (done < count) {
        if (pos_ == end_ && !refill()) break;
        const size_t n = std::min(end_ - pos_, static_cast<size_t>(count - done));
        std::memcpy(out + done, buffer_.data() + pos_, n);
        pos_ += n;
        done += static_cast<int64_t>(n);
    }
    return done;
}

void TKvBuffBigStream::ReadExact(void* buffer, int64_t count) {
    if (count <= 0) return;
    if (ReadBuffer(buffer, count) != count) raiseBrokenData();
}

int64_t TKvBuffBigStream::Remaining() {
    return static_cast<int64_t>(end_ - pos_) + std::max<int64_t>(0, source_.GetSize() - source_.GetPosition());
}

} // namespace nuvo
