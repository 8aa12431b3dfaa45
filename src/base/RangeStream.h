// A read-only window [start, start + size) on a big stream, read by media
// decoders on their own threads while the main thread may use the same
// object: every operation holds the window's lock. Positions seen through it
// count from the window's start.
#pragma once

#include "base/BigStream.h"

#include <memory>
#include <mutex>
#include <string>

namespace nuvo {

class TRangeStream : public TStream {
public:
    // size < 0: up to the end of the inner stream.
    TRangeStream(std::unique_ptr<TKvBigStream> inner, int64_t start, int64_t size);

    // The result is clamped to [start, start + size]; returns the position
    // relative to start.
    int64_t seek(int64_t offset, SeekOrigin origin) override;
    // Reads no further than start + size; 0 at or past the end.
    int64_t read(void* buffer, int64_t count) override;
    int64_t write(const void*, int64_t) override { return 0; }
    int64_t size() override { return size_; }

    int64_t Start() const { return start_; }

private:
    std::mutex lock_;
    std::unique_ptr<TKvBigStream> inner_;
    int64_t start_;
    int64_t size_;
};

// A window on a file (read through TKvBigFileStream, so volumes continue it).
class TFileRangeStream : public TRangeStream {
public:
    // Raises "%s:ファイルが開けません" when the file cannot be opened.
    TFileRangeStream(const std::string& nativePath, int64_t size, int64_t start,
                     int64_t volumeSize = TKvBigFileStream::kVolumeSize);
};

} // namespace nuvo
