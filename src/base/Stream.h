// Byte streams: one virtual read, write and seek; every typed reader is a plain
// function on top (StreamIO.h). Positions and sizes are 64-bit.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace nuvo {

enum class SeekOrigin { Begin, Current, End };

class TStream {
public:
    virtual ~TStream() = default;

    // Reads up to count bytes; returns how many were read (0 at the end).
    virtual int64_t read(void* buffer, int64_t count) = 0;
    // Writes count bytes; returns how many were written (0 for read-only streams).
    virtual int64_t write(const void* buffer, int64_t count) = 0;
    // Moves the position; returns the new position.
    virtual int64_t seek(int64_t offset, SeekOrigin origin) = 0;
    // Total size in bytes.
    virtual int64_t size();
    // Truncates or extends; streams that cannot do it leave their size as it is.
    virtual void setSize(int64_t newSize);
    // True for TKvMemoryStream, which some copies treat specially.
    virtual bool isMemoryStream() const { return false; }

    int64_t position() { return seek(0, SeekOrigin::Current); }
    void setPosition(int64_t pos) { seek(pos, SeekOrigin::Begin); }
    int64_t remaining() { return size() - position(); }
};

// The growable in-memory stream every save record is built in.
class TKvMemoryStream : public TStream {
public:
    TKvMemoryStream() = default;
    explicit TKvMemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

    int64_t read(void* buffer, int64_t count) override;
    int64_t write(const void* buffer, int64_t count) override;
    int64_t seek(int64_t offset, SeekOrigin origin) override;
    int64_t size() override { return static_cast<int64_t>(data_.size()); }
    void setSize(int64_t newSize) override;
    bool isMemoryStream() const override { return true; }

    void clear();
    uint8_t* memory() { return data_.data(); }
    const uint8_t* memory() const { return data_.data(); }
    const std::vector<uint8_t>& bytes() const { return data_; }
    std::vector<uint8_t>& bytes() { return data_; }

    // Native file-system path; raises on a missing or unreadable file. (Saving
    // goes through the platform's atomic file writer.)
    void loadFromFile(const std::string& path);

private:
    std::vector<uint8_t> data_;
    int64_t pos_ = 0;
};

// A disk file. Paths are native (the file system's own encoding).
class TFileStream : public TStream {
public:
    enum class Mode { Read, Create, ReadWrite };
    // Raises ENuvoError when the file cannot be opened.
    TFileStream(const std::string& path, Mode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t read(void* buffer, int64_t count) override;
    int64_t write(const void* buffer, int64_t count) override;
    int64_t seek(int64_t offset, SeekOrigin origin) override;
    int64_t size() override;
    void flush();
    const std::string& path() const { return path_; }

private:
    std::FILE* file_ = nullptr;
    std::string path_;
};

// Copies count bytes from source's current position to dest; count 0 copies
// the whole source from position 0. Returns the number of bytes copied, which
// is less than count when the source ends early.
int64_t CopyStream(TStream& dest, TStream& source, int64_t count);

// Reads a whole file given by its native path; raises when it cannot.
std::vector<uint8_t> readWholeFile(const std::string& path);

} // namespace nuvo
