// Streams with 64-bit positions that archives are read through: a file that
// may continue over numbered volume files, a memory stream, and a forward
// read buffer. Each is also an ordinary TStream, so the typed readers of
// StreamIO.h work on it.
#pragma once

#include "base/Stream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nuvo {

class TKvBigStream : public TStream {
public:
    virtual int64_t GetSize() { return 0; }
    virtual int64_t GetPosition() { return 0; }
    virtual void SetPosition(int64_t) {}
    virtual int64_t Write(const void*, int64_t) { return 0; }
    virtual int64_t Read(void*, int64_t) { return 0; }
    // Copies count bytes from source's current position (count 0: the whole
    // source from position 0); returns the number copied.
    virtual int64_t CopyFromBig(TKvBigStream& source, int64_t count);
    // The same from an ordinary stream.
    virtual int64_t CopyFrom(TStream& source, int64_t count);
    // Copies count bytes from the current position into dest; returns the
    // number copied, which is less when this stream ends or dest refuses.
    virtual int64_t CopyTo(TStream& dest, int64_t count);

    int64_t read(void* buffer, int64_t count) final { return Read(buffer, count); }
    int64_t write(const void* buffer, int64_t count) final { return Write(buffer, count); }
    int64_t seek(int64_t offset, SeekOrigin origin) final;
    int64_t size() final { return GetSize(); }
};

// A file continued over volumes: volume 0 is the file itself, volume i >= 1 is
// the name without its extension plus "." and i in three digits (game.dat,
// game.001, game.002 ...). Each volume holds volumeSize bytes except the last;
// logical position p lies in volume p / volumeSize at offset p % volumeSize.
class TKvBigFileStream : public TKvBigStream {
public:
    static constexpr int64_t kVolumeSize = 0x40000000; // 1 GiB
    enum class Mode { Read, Create };

    // Read: opens volume 0 (raising "%s:ファイルが開けません" when it cannot)
    // and every following volume that exists. Create: deletes every existing
    // volume and creates volumes as writes cross their boundaries.
    // volumeSize is lowered only by tests.
    TKvBigFileStream(const std::string& nativePath, Mode mode, int64_t volumeSize = kVolumeSize);
    ~TKvBigFileStream() override;

    int64_t GetSize() override { return size_; }
    int64_t GetPosition() override { return position_; }
    // Beyond the end clamps to the end (reading); writing may extend.
    void SetPosition(int64_t pos) override;
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;

    const std::string& FileName() const { return fileName_; }
    int VolumeCount() const { return static_cast<int>(volumes_.size()); }
    static std::string VolumeName(const std::string& nativePath, int index);

private:
    struct Volume {
        std::FILE* file = nullptr;
        int64_t size = 0;
        int64_t at = -1; // where the handle stands, -1 unknown
    };
    bool openVolume(int index, bool create);
    bool placeHandle(Volume& v, int64_t offset);

    std::string fileName_;
    Mode mode_;
    int64_t volumeSize_;
    int64_t position_ = 0;
    int64_t size_ = 0;
    std::vector<Volume> volumes_;
};

// A big stream over one owned TKvMemoryStream. Saving it to a file goes
// through the platform's atomic writer with Memory().bytes().
class TKvBigMemoryStream : public TKvBigStream {
public:
    int64_t GetSize() override { return memory_.size(); }
    int64_t GetPosition() override { return memory_.position(); }
    void SetPosition(int64_t pos) override { memory_.setPosition(pos); }
    int64_t Read(void* buffer, int64_t count) override { return memory_.read(buffer, count); }
    int64_t Write(const void* buffer, int64_t count) override { return memory_.write(buffer, count); }
    // Only another memory stream is accepted; anything else copies nothing.
    int64_t CopyFromBig(TKvBigStream& source, int64_t count) override;
    int64_t CopyTo(TStream& dest, int64_t count) override;

    void LoadFromFile(const std::string& nativePath) { memory_.loadFromFile(nativePath); }
    TKvMemoryStream& Memory() { return memory_; }

private:
    TKvMemoryStream memory_;
};

// A forward read buffer of 102400 bytes over a big stream. When destroyed it
// moves the source back over the bytes it buffered but never handed out, so
// the source ends exactly after the last byte read through it.
class TKvBuffBigStream {
public:
    static constexpr int64_t kBufferSize = 102400;

    explicit TKvBuffBigStream(TKvBigStream& source);
    ~TKvBuffBigStream();
    TKvBuffBigStream(const TKvBuffBigStream&) = delete;
    TKvBuffBigStream& operator=(const TKvBuffBigStream&) = delete;

    // Returns the number of bytes given, less than count only at the source's end.
    int64_t ReadBuffer(void* buffer, int64_t count);
    // Raises the broken-data error unless count bytes can be given.
    void ReadExact(void* buffer, int64_t count);
    // The bytes the source still holds beyond what was handed out.
    int64_t Remaining();

private:
    bool refill();

    TKvBigStream& source_;
    std::vector<uint8_t> buffer_;
    size_t pos_ = 0;
    size_t end_ = 0;
};

} // namespace nuvo
