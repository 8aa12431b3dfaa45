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

template <typename T>
std::vector<T> readTable(TKvBigStream& s, int64_t count) {
    RequireBytes(s, count * static_cast<int64_t>(sizeof(T)));
    std::vector<T> table(static_cast<size_t>(count));
    readBig(s, table.data(), count * static_cast<int64_t>(sizeof(T)));
    return table;
}

// Smallest directory record per entry, by version, before any entry data.
int64_t minEntryBytes(int version) {
    if (version >= 102) return 4 + 8 + 1 + 4 + 4 + 1;
    if (version >= 101) return 4 + 8 + 1 + 4 + 4;
    return 4 + 4;
}

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

    // All names in one buffer: a million small strings would cost a million
    // allocations before the entries make their own.
    std::string nameBytes;
    std::vector<size_t> nameEnds(static_cast<size_t>(n));
    {
        TKvBuffBigStream buffered(s);
        TKvRandom nameKey(ArchiveSeed);
        for (size_t& end : nameEnds) {
            int32_t length;
            buffered.ReadExact(&length, 4);
            if (length > 0) {
                if (length > buffered.Remaining()) raiseBrokenData();
                const size_t at = nameBytes.size();
                nameBytes.resize(at + static_cast<size_t>(length));
                char* name = nameBytes.data() + at;
                buffered.ReadExact(name, length);
                if (version >= 100)
                    for (int32_t k = 0; k < length; ++k)
                        name[k] = static_cast<char>(name[k] ^ static_cast<char>(nameKey.Next() & 0xFF));
            }
            end = nameBytes.size();
        }
    }

    TKvRandom offsetKey(ArchiveSeed);
    std::vector<int64_t> offsets(static_cast<size_t>(n) + 1);
    if (version >= 101) {
        offsets = readTable<int64_t>(s, int64_t{n} + 1);
        for (int64_t& o : offsets) o ^= static_cast<int64_t>(offsetKey.Next());
    } else {
        const auto narrow = readTable<uint32_t>(s, int64_t{n} + 1);
        for (size_t i = 0; i < narrow.size(); ++i)
            offsets[i] = version == 100 ? (narrow[i] ^ static_cast<uint32_t>(offsetKey.Next())) : narrow[i];
    }
    std::vector<uint8_t> stored, uncompressedSums;
    std::vector<int32_t> times, sums;
    if (version >= 101) {
        stored = readTable<uint8_t>(s, n);
        times = readTable<int32_t>(s, n);
        sums = readTable<int32_t>(s, n);
        if (version >= 102) uncompressedSums = readTable<uint8_t>(s, n);
    }

    // Everything is read: only now does the collection change.
    version_ = version;
    Reserve(static_cast<size_t>(Count()) + static_cast<size_t>(n) + 1);
    for (int32_t i = 0; i < n; ++i) {
        auto e = std::make_unique<TVrFile>();
        const auto k = static_cast<size_t>(i);
        int64_t size = 0, offset = 0;
        // A range that cannot be valid is kept as a negative size; reading
        // the entry then raises, the other entries stay usable.
        if (__builtin_sub_overflow(offsets[k + 1], offsets[k], &size) ||
            __builtin_add_overflow(offsets[k], start, &offset) || offsets[k] < 0)
            size = -1;
        e->Offset = offset;
        e->Size = size;
        if (version >= 101) {
            e->Stored = stored[k];
            e->FileTime = times[k];
            e->Checksum = sums[k];
            e->ChecksumUncompressed = version >= 102 ? uncompressedSums[k] : 0;
        }
        const size_t from = k == 0 ? 0 : nameEnds[k - 1];
        Add(std::move(e), nameBytes.substr(from, nameEnds[k] - from));
    }
    auto sentinel = std::make_unique<TVrFile>();
    sentinel->Offset = offsets[static_cast<size_t>(n)];
    Add(std::move(sentinel), kSentinelName);
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
