// One archive: its directory of entries, read from a file (versions 0, 100,
// 101 and 102, scrambled from 100 on), and the writer of the format, which is
// also the container of the save file.
//
// An archive file may stand alone (directory at byte 0), carry its directory
// in a separate file of the same name with the extension ".ext", or be
// appended to a program behind a 6-byte trailer (Int start, "nv").
#pragma once

#include "base/BigStream.h"
#include "base/HashCollection.h"
#include "base/RangeStream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace nuvo {

namespace platform {
class IDialogs;
}

class TVrFile : public THashCollectionItem {
public:
    // The small fields first: they fill the end of the base class, which keeps
    // an entry of a big directory within one size class less.
    uint8_t Stored = 0; // 1: the bytes are the file itself; 0: a zlib stream of it
    uint8_t ChecksumUncompressed = 0; // 1: Checksum covers the uncompressed bytes
    int32_t FileTime = 0;
    int32_t Checksum = 0;
    int64_t Offset = 0; // absolute position of the stored bytes in the archive stream
    int64_t Size = 0;   // number of stored bytes
    std::unique_ptr<TKvMemoryStream> Data; // in-memory entries only
    // The native file this entry is packed from, when the caller knows it
    // better than Folder + name (a packing tool whose names were converted).
    // Held apart: a directory of a million entries never has one.
    std::unique_ptr<std::string> SourcePath;
};

class TVrFileCollection : public THashCollectionOf<TVrFile> {
public:
    static constexpr const char* kSentinelName = "\\EOF\\";

    explicit TVrFileCollection(int64_t volumeSize = TKvBigFileStream::kVolumeSize) : volumeSize_(volumeSize) {}

    // Drops everything and opens the archive file at a native path. An empty
    // name gives the in-memory archive; a missing file an empty collection
    // without stream. Raises the broken-data error on a directory that does
    // not hold together (truncated, counts beyond the file, unknown version).
    void Open(const std::string& nativePath);
    // Drops everything and reads the archive held in a stream, whose
    // position is S (archives in memory; no range streams over them).
    void OpenStream(std::unique_ptr<TKvBigStream> stream);
    // Reads a directory at the stream's position (S); entries' offsets become
    // absolute. Adds N entries and the sentinel "\EOF\".
    void ReadDirectory(TKvBigStream& stream);

    // Empties a memory stream, then fills stream with the entry's bytes
    // (decompressed), or else with the file Folder + name when that is not the
    // archive itself; raises "%s:ファイルがありません" otherwise. Positions
    // stream at 0.
    void LoadEntry(TStream& stream, std::string_view name);
    // Reads one entry of this archive into stream (decompressed) and
    // positions it at 0; the caller emptied a memory stream.
    void ReadEntry(const TVrFile& entry, TStream& stream);
    // The raw stored bytes of an entry, checked against the archive's size.
    std::vector<uint8_t> ReadStoredBytes(const TVrFile& entry);
    // A window on an entry's stored bytes (its own file handles), or none when
    // the archive has no stream or no such entry.
    std::unique_ptr<TRangeStream> OpenEntryRange(std::string_view name);

    TVrFile* AddEntry(std::string name);
    TVrFile* AddMemoryEntry(std::string name);
    void DeleteEntry(std::string_view name);

    struct WriteOptions {
        int version = 102; // 0, 100, 101 or 102
        platform::IDialogs* dialogs = nullptr; // shows "エラー:" + name when packing fails
    };
    // Writes every entry but the sentinel as a new archive at out's position
    // (S). Raises on the first entry that cannot be packed.
    bool WriteArchive(TKvBigStream& out, const WriteOptions& options);
    bool WriteArchive(TKvBigStream& out) { return WriteArchive(out, WriteOptions{}); }

    static bool IsSentinel(const TVrFile& entry) { return entry.Name() == kSentinelName; }

    const std::string& Folder() const { return folder_; }
    const std::string& ArchiveName() const { return archiveName_; }
    TKvBigStream* Stream() const { return stream_.get(); }
    int Version() const { return version_; }
    int64_t VolumeSize() const { return volumeSize_; }

private:
    void clearAll();
    bool openTrailer(int64_t fileSize, bool strict);
    std::string diskPathOf(std::string_view name) const;
    void checkRange(const TVrFile& entry);
    void packEntry(TVrFile& entry, TKvBigStream& out, int version);

    std::string folder_;
    std::string archiveName_;
    std::unique_ptr<TKvBigStream> stream_;
    int version_ = 0;
    int64_t volumeSize_;
    std::vector<uint8_t> scratch_;
};

} // namespace nuvo
