#include "archive/VrFileCollection.h"

#include "archive/ArchiveNames.h"
#include "archive/ZlibCodec.h"
#include "base/Error.h"
#include "base/KvRandom.h"
#include "base/StreamIO.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace nuvo {
namespace {

// Scratch buffers above this are given back after use.
constexpr size_t kKeepScratch = size_t{64} << 20;

void readBig(TKvBigStream& s, void* buffer, int64_t count) {
    if (count <= 0) return;
    if (s.Read(buffer, count) != count) raiseBrokenData();
}

// Smallest directory record per entry, by version, before any entry data.
int64_t minEntryBytes(int version) {
    if (version >= 102) return 4 + 8 + 1 + 4 + 4 + 1;
    if (version >= 101) return 4 + 8 + 1 + 4 + 4;
    return 4 + 4;
}

// Reads forward from a place in a stream through a buffer of its own, so that
// several parts of a directory can be read side by side. Raises the
// broken-data error when the stream ends early.
class Cursor {
public:
    // limit: how many bytes from at this cursor may read at most.
    Cursor(TKvBigStream& s, int64_t at, int64_t limit)
        : s_(s), next_(at), buffer_(static_cast<size_t>(std::clamp<int64_t>(limit, 1, kChunk))) {}

    int64_t position() const { return next_ - static_cast<int64_t>(end_ - pos_); }

    void read(void* out, size_t count) {
        if (count <= end_ - pos_) {
            std::memcpy(out, buffer_.data() + pos_, count);
            pos_ += count;
            return;
        }
        auto* o = static_cast<uint8_t*>(out);
        while (count > 0) {
            if (pos_ == end_) refill();
            const size_t k = std::min(count, end_ - pos_);
            std::memcpy(o, buffer_.data() + pos_, k);
            pos_ += k;
            o += k;
            count -= k;
        }
    }

    template <typename T>
    T take() {
        T v;
        read(&v, sizeof v);
        return v;
    }

    // Moves forward; the caller has checked that the bytes are there.
    void skip(int64_t count) {
        const size_t inBuffer = static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(end_ - pos_)));
        pos_ += inBuffer;
        next_ += count - static_cast<int64_t>(inBuffer);
    }

private:
    static constexpr int64_t kChunk = 64 << 10;

    void refill() {
        s_.SetPosition(next_);
        const int64_t got = s_.Read(buffer_.data(), static_cast<int64_t>(buffer_.size()));
        if (got <= 0) raiseBrokenData();
        next_ += got;
        pos_ = 0;
        end_ = static_cast<size_t>(got);
    }

    TKvBigStream& s_;
    int64_t next_;
    std::vector<uint8_t> buffer_;
    size_t pos_ = 0, end_ = 0;
};

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
}

// The extension of a native path (from the last dot after the last '/').
std::string nativeExtension(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot);
}

std::string withoutExtension(const std::string& path) {
    const std::string ext = nativeExtension(path);
    return path.substr(0, path.size() - ext.size());
}

std::string nativeFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string notFound(std::string_view name) {
    return formatSjis(sjisText("%s:ファイルがありません"), {name});
}

void writeAllTo(TStream& dest, const uint8_t* data, size_t size) {
    if (size > 0 && dest.write(data, static_cast<int64_t>(size)) != static_cast<int64_t>(size))
        raiseError(sjisText("ファイルに書き込めません"));
}

} // namespace

void TVrFileCollection::clearAll() {
    Clear();
    stream_.reset();
    folder_.clear();
    archiveName_.clear();
    version_ = 0;
}

void TVrFileCollection::Open(const std::string& nativePath) {
    clearAll();
    archiveName_ = nativePath;
    if (nativePath.empty()) return;
    const bool exists = platform::isFile(nativePath);
    folder_ = exists ? nativeFolderOf(nativePath) : nativePath;
    if (folder_.back() != '/') folder_ += '/';
    if (!exists) return;

    stream_ = std::make_unique<TKvBigFileStream>(nativePath, TKvBigFileStream::Mode::Read, volumeSize_);
    const int64_t size = stream_->GetSize();
    const std::string ext = lowerAscii(nativeExtension(nativePath));
    if (ext == ".exe" || ext == ".scr") {
        openTrailer(size, true);
        return;
    }
    const std::string extPath = withoutExtension(nativePath) + ".ext";
    if (extPath != nativePath && platform::isFile(extPath)) {
        TKvBigMemoryStream directory;
        directory.LoadFromFile(extPath);
        ReadDirectory(directory);
        return;
    }
    // A player binary carries its archive behind a trailer whatever its name;
    // a plain archive starting with "vf" is never taken for one.
    uint8_t head[2] = {};
    stream_->SetPosition(0);
    stream_->Read(head, 2);
    if (!(head[0] == 'v' && head[1] == 'f') && openTrailer(size, false)) return;
    stream_->SetPosition(0);
    ReadDirectory(*stream_);
}

void TVrFileCollection::OpenStream(std::unique_ptr<TKvBigStream> stream) {
    clearAll();
    stream_ = std::move(stream);
    ReadDirectory(*stream_);
}

bool TVrFileCollection::openTrailer(int64_t size, bool strict) {
    auto refuse = [strict]() -> bool {
        if (strict) raiseBrokenData();
        return false;
    };
    if (size < 6) return refuse();
    uint8_t trailer[6];
    stream_->SetPosition(size - 6);
    readBig(*stream_, trailer, 6);
    if (!strict && !(trailer[4] == 'n' && trailer[5] == 'v')) return false;
    int32_t start;
    std::memcpy(&start, trailer, 4);
    if (start < 0 || start > size - 6) return refuse();
    stream_->SetPosition(start);
    if (strict) {
        ReadDirectory(*stream_);
        return true;
    }
    try {
        ReadDirectory(*stream_);
        return true;
    } catch (const ENuvoError&) {
        return false; // a plain archive whose last bytes happen to read "nv"
    }
}

void TVrFileCollection::ReadDirectory(TKvBigStream& s) {
    const int64_t start = s.GetPosition();
    int version = 0;
    uint8_t sig[2] = {};
    if (s.Read(sig, 2) == 2 && sig[0] == 'v' && sig[1] == 'f') {
        version = ReadIntChecked(s);
        if (version != 100 && version != 101 && version != 102) raiseBrokenData();
    } else {
        s.SetPosition(start);
    }
    const int32_t n = ReadIntChecked(s);
    const int64_t offsetBytes = version >= 101 ? 8 : 4;
    if (n < 0 || s.remaining() < offsetBytes || n > (s.remaining() - offsetBytes) / minEntryBytes(version))
        raiseBrokenData();
    const int64_t total = s.GetSize();

    // First the name lengths only, to find the tables and check that they are
    // all there; then names and tables side by side, each entry made whole
    // at once. Nothing per name is held between the passes: on a big
    // directory that memory costs more than reading the names twice.
    const int64_t namesStart = s.GetPosition();
    int64_t namesEnd;
    {
        Cursor names(s, namesStart, total - namesStart);
        for (int32_t i = 0; i < n; ++i) {
            const int32_t length = names.take<int32_t>();
            if (length > 0) {
                if (length > total - names.position()) raiseBrokenData();
                names.skip(length);
            }
        }
        namesEnd = names.position();
    }
    const int64_t count = n;
    const int64_t offsetTable = (count + 1) * offsetBytes;
    const int64_t tableBytes = offsetTable + (version >= 101 ? count * (1 + 4 + 4 + (version >= 102 ? 1 : 0)) : 0);
    if (tableBytes > total - namesEnd) raiseBrokenData();

    Cursor names(s, namesStart, namesEnd - namesStart);
    Cursor offsets(s, namesEnd, offsetTable);
    const int64_t storedAt = namesEnd + offsetTable, timesAt = storedAt + count, sumsAt = timesAt + 4 * count,
                  uncompressedAt = sumsAt + 4 * count;
    const bool flags = version >= 101;
    Cursor stored(s, storedAt, flags ? count : 0), times(s, timesAt, flags ? 4 * count : 0),
        sums(s, sumsAt, flags ? 4 * count : 0), uncompressed(s, uncompressedAt, version >= 102 ? count : 0);
    TKvRandom nameKey(ArchiveSeed), offsetKey(ArchiveSeed);
    auto nextOffset = [&]() -> int64_t {
        if (version >= 101) return offsets.take<int64_t>() ^ static_cast<int64_t>(offsetKey.Next());
        const uint32_t narrow = offsets.take<uint32_t>();
        return version == 100 ? (narrow ^ static_cast<uint32_t>(offsetKey.Next())) : narrow;
    };

    const int before = Count();
    Reserve(static_cast<size_t>(before) + static_cast<size_t>(n) + 1);
    try {
        int64_t here = nextOffset();
        for (int32_t i = 0; i < n; ++i) {
            std::string name;
            const int32_t length = names.take<int32_t>();
            if (length > 0) {
                name.resize(static_cast<size_t>(length));
                names.read(name.data(), static_cast<size_t>(length));
                if (version >= 100)
                    for (char& c : name) c = static_cast<char>(c ^ static_cast<char>(nameKey.Next() & 0xFF));
            }
            const int64_t next = nextOffset();
            auto e = std::make_unique<TVrFile>();
            int64_t size = 0, offset = 0;
            // A range that cannot be valid is kept as a negative size; reading
            // the entry then raises, the other entries stay usable.
            if (__builtin_sub_overflow(next, here, &size) || __builtin_add_overflow(here, start, &offset) || here < 0)
                size = -1;
            e->Offset = offset;
            e->Size = size;
            if (flags) {
                e->Stored = stored.take<uint8_t>();
                e->FileTime = times.take<int32_t>();
                e->Checksum = sums.take<int32_t>();
                e->ChecksumUncompressed = version >= 102 ? uncompressed.take<uint8_t>() : 0;
            }
            Add(std::move(e), std::move(name));
            here = next;
        }
        auto sentinel = std::make_unique<TVrFile>();
        sentinel->Offset = here;
        Add(std::move(sentinel), kSentinelName);
    } catch (...) {
        // The bytes changed under the second pass: leave the collection as it was.
        TruncateTo(before);
        throw;
    }
    version_ = version;
    s.SetPosition(namesEnd + tableBytes);
}

void TVrFileCollection::checkRange(const TVrFile& entry) {
    const int64_t total = stream_ ? stream_->GetSize() : 0;
    if (entry.Size < 0 || entry.Offset < 0 || entry.Offset > total || entry.Size > total - entry.Offset)
        raiseError(std::string(entry.Name()) + ":" + brokenDataMessage());
}

std::vector<uint8_t> TVrFileCollection::ReadStoredBytes(const TVrFile& entry) {
    if (!stream_ || entry.Size == 0) return {};
    checkRange(entry);
    std::vector<uint8_t> bytes(static_cast<size_t>(entry.Size));
    stream_->SetPosition(entry.Offset);
    readBig(*stream_, bytes.data(), entry.Size);
    return bytes;
}

void TVrFileCollection::ReadEntry(const TVrFile& entry, TStream& stream) {
    if (entry.Size != 0 && stream_) {
        checkRange(entry);
        stream_->SetPosition(entry.Offset);
        if (stream.isMemoryStream()) {
            auto& mem = static_cast<TKvMemoryStream&>(stream);
            if (entry.Stored) {
                mem.setSize(entry.Size);
                readBig(*stream_, mem.memory(), entry.Size);
            } else {
                scratch_.resize(static_cast<size_t>(entry.Size));
                readBig(*stream_, scratch_.data(), entry.Size);
                inflateZlib(scratch_.data(), scratch_.size(), mem.bytes());
            }
        } else if (entry.Stored) {
            if (stream_->CopyTo(stream, entry.Size) != entry.Size)
                raiseError(std::string(entry.Name()) + ":" + brokenDataMessage());
        } else {
            scratch_.resize(static_cast<size_t>(entry.Size));
            readBig(*stream_, scratch_.data(), entry.Size);
            std::vector<uint8_t> plain;
            inflateZlib(scratch_.data(), scratch_.size(), plain);
            writeAllTo(stream, plain.data(), plain.size());
        }
        if (scratch_.capacity() > kKeepScratch) std::vector<uint8_t>().swap(scratch_);
    }
    stream.setPosition(0);
}

std::string TVrFileCollection::diskPathOf(std::string_view name) const {
    if (folder_.empty()) return {};
    auto path = platform::resolveTitlePath(folder_, name);
    if (!path || !platform::isFile(*path)) return {};
    std::error_code ec;
    if (stream_ && std::filesystem::equivalent(*path, archiveName_, ec)) return {};
    return *path;
}

void TVrFileCollection::LoadEntry(TStream& stream, std::string_view name) {
    if (stream.isMemoryStream()) static_cast<TKvMemoryStream&>(stream).clear();
    TVrFile* entry = FindItem(name);
    if (entry && entry->Data) {
        CopyStream(stream, *entry->Data, 0);
        stream.setPosition(0);
        return;
    }
    if (entry && stream_) {
        ReadEntry(*entry, stream);
        return;
    }
    const std::string path = diskPathOf(name);
    if (path.empty()) raiseError(notFound(name));
    if (stream.isMemoryStream()) {
        static_cast<TKvMemoryStream&>(stream).loadFromFile(path);
    } else {
        const std::vector<uint8_t> bytes = readWholeFile(path);
        writeAllTo(stream, bytes.data(), bytes.size());
    }
    stream.setPosition(0);
}

std::unique_ptr<TRangeStream> TVrFileCollection::OpenEntryRange(std::string_view name) {
    if (!stream_ || archiveName_.empty()) return nullptr;
    const TVrFile* entry = FindItem(name);
    if (!entry || entry->Data) return nullptr;
    checkRange(*entry);
    return std::make_unique<TFileRangeStream>(archiveName_, entry->Size, entry->Offset, volumeSize_);
}

TVrFile* TVrFileCollection::AddEntry(std::string name) { return Add(std::make_unique<TVrFile>(), std::move(name)); }

TVrFile* TVrFileCollection::AddMemoryEntry(std::string name) {
    TVrFile* e = AddEntry(std::move(name));
    e->Data = std::make_unique<TKvMemoryStream>();
    return e;
}

void TVrFileCollection::DeleteEntry(std::string_view name) {
    const int i = IndexOf(name);
    if (i >= 0) Delete(i);
}

} // namespace nuvo
