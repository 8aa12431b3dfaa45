#include "base/RangeStream.h"

#include <algorithm>

namespace nuvo {

TRangeStream::TRangeStream(std::unique_ptr<TKvBigStream> inner, int64_t start, int64_t size)
    : inner_(std::move(inner)), start_(std::max<int64_t>(0, start)) {
    const int64_t innerSize = inner_->GetSize();
    size_ = size < 0 ? std::max<int64_t>(0, innerSize - start_) : size;
    if (start_ > INT64_MAX - size_) size_ = INT64_MAX - start_;
    inner_->SetPosition(start_);
}

int64_t TRangeStream::seek(int64_t offset, SeekOrigin origin) {
    std::lock_guard<std::mutex> guard(lock_);
    const int64_t base = origin == SeekOrigin::Begin     ? start_
                         : origin == SeekOrigin::Current ? inner_->GetPosition()
                                                         : start_ + size_;
    int64_t target;
    if (__builtin_add_overflow(base, offset, &target)) target = offset < 0 ? start_ : start_ + size_;
    target = std::clamp(target, start_, start_ + size_);
    inner_->SetPosition(target);
    return std::max<int64_t>(0, inner_->GetPosition() - start_);
}

int64_t TRangeStream::read(void* buffer, int64_t count) {
    std::lock_guard<std::mutex> guard(lock_);
    const int64_t left = start_ + size_ - inner_->GetPosition();
    count = std::min(count, left);
    if (count <= 0) return 0;
    return inner_->Read(buffer, count);
}

TFileRangeStream::TFileRangeStream(const std::string& nativePath, int64_t size, int64_t start, int64_t volumeSize)
    : TRangeStream(std::make_unique<TKvBigFileStream>(nativePath, TKvBigFileStream::Mode::Read, volumeSize), start,
                   size) {}

} // namespace nuvo
