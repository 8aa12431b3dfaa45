// Writing an archive: the directory with its placeholders first, then every
// entry packed by its rules, then the offsets and flags over the placeholders.
#include "archive/ArchiveNames.h"
#include "archive/VrFileCollection.h"
#include "archive/ZlibCodec.h"
#include "base/Error.h"
#include "base/KvRandom.h"
#include "base/StreamIO.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"

#include <cstring>

namespace nuvo {
namespace {

// In-memory data and carried-over entries of this size or more are stored.
constexpr size_t kStoreFrom = 0x500000;
// Disk files of this size or more are stored (layered images excepted).
constexpr int64_t kCompressBelow = 0x500000;

std::string upperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

// A layered image is worth compressing only when its planes are stored raw:
// "Pelk", a three-digit version of 103 or more, compression field 1.
bool layeredImageIsRaw(const std::vector<uint8_t>& file) {
    if (file.size() < 34 || std::memcmp(file.data(), "Pelk", 4) != 0) return false;
    int version = 0;
    for (int i = 4; i < 7; ++i) {
        if (file[i] < '0' || file[i] > '9') return false;
        version = version * 10 + (file[i] - '0');
    }
    return version >= 103 && file[11 + 22] == 1;
}

bool diskFileCompressible(std::string_view name, const std::vector<uint8_t>& file) {
    const std::string ext = upperAscii(FileExtension(name));
    if (ext == ".PEL") return layeredImageIsRaw(file);
    // The extension is looked for anywhere in the list, so a file without one
    // is stored as well.
    static constexpr std::string_view kMedia = ".WAV.WMA.OGG.AVI.MPG.MPEG.M1V.WMV.ASF.DAT.";
    if (kMedia.find(ext) != std::string_view::npos) return false;
    return static_cast<int64_t>(file.size()) < kCompressBelow;
}

[[noreturn]] void raiseVersion(int version) {
    raiseFormat("アーカイブのバージョン%dでは書けません", {static_cast<long long>(version)});
}

void put(TKvBigStream& out, const void* data, size_t size) {
    if (size > 0 && out.Write(data, static_cast<int64_t>(size)) != static_cast<int64_t>(size))
        raiseError(sjisText("ファイルに書き込めません"));
}

void put(TKvBigStream& out, const std::vector<uint8_t>& bytes) { put(out, bytes.data(), bytes.size()); }

struct Packed {
    std::vector<uint8_t> bytes;
    bool stored = false;
};

// Compresses plain unless it is big (and the version can store); the
// checksum covers the uncompressed bytes when asked, else what is written.
Packed packPlain(std::vector<uint8_t> plain, bool storeWhenBig, TVrFile& entry) {
    Packed p;
    if (storeWhenBig && plain.size() >= kStoreFrom) {
        entry.Checksum = crc32Of(plain.data(), plain.size());
        p.bytes = std::move(plain);
        p.stored = true;
        return p;
    }
    if (entry.ChecksumUncompressed) entry.Checksum = crc32Of(plain.data(), plain.size());
    p.bytes = deflateZlib(plain.data(), plain.size());
    if (!entry.ChecksumUncompressed) entry.Checksum = crc32Of(p.bytes.data(), p.bytes.size());
    return p;
}

} // namespace

void TVrFileCollection::packEntry(TVrFile& entry, TKvBigStream& out, int version) {
    const bool canStore = version >= 101;
    if (version < 102) entry.ChecksumUncompressed = 0;
    entry.Stored = 0;
    Packed p;
    if (entry.Data) {
        p = packPlain(entry.Data->bytes(), canStore, entry);
    } else if (std::string path = entry.SourcePath ? *entry.SourcePath : diskPathOf(entry.Name());
               !path.empty()) {
        std::vector<uint8_t> file = readWholeFile(path);
        entry.FileTime = platform::fileDosTime(path);
        if (diskFileCompressible(entry.Name(), file) || !canStore) {
            if (entry.ChecksumUncompressed) entry.Checksum = crc32Of(file.data(), file.size());
            std::vector<uint8_t> packed = deflateZlib(file.data(), file.size());
            if (canStore && static_cast<int64_t>(file.size()) * 9 / 10 < static_cast<int64_t>(packed.size())) {
                p.bytes = std::move(file);
                p.stored = true;
            } else {
                p.bytes = std::move(packed);
            }
            if (!entry.ChecksumUncompressed) entry.Checksum = crc32Of(p.bytes.data(), p.bytes.size());
        } else {
            entry.Checksum = crc32Of(file.data(), file.size());
            p.bytes = std::move(file);
            p.stored = true;
        }
    } else {
        TKvMemoryStream loaded;
        LoadEntry(loaded, entry.Name());
        p = packPlain(std::move(loaded.bytes()), canStore, entry);
    }
    entry.Stored = p.stored ? 1 : 0;
    put(out, p.bytes);
}

bool TVrFileCollection::WriteArchive(TKvBigStream& out, const WriteOptions& options) {
    const int version = options.version;
    if (version != 0 && version != 100 && version != 101 && version != 102)
        raiseVersion(version);
    std::vector<TVrFile*> entries;
    for (int i = 0; i < Count(); ++i)
        if (!IsSentinel(*At(i))) entries.push_back(At(i));
    const auto n = static_cast<int32_t>(entries.size());
    // Without a signature the count itself must not read as one.
    if (version == 0 && (static_cast<uint32_t>(n) & 0xFFFF) == ('v' | 'f' << 8))
        raiseVersion(version);

    const int64_t start = out.GetPosition();
    if (version > 0) {
        put(out, "vf", 2);
        WriteInt(out, version);
    }
    WriteInt(out, n);
    TKvRandom nameKey(ArchiveSeed);
    for (const TVrFile* e : entries) {
        std::string name = e->Name();
        if (version > 0)
            for (char& c : name) c = static_cast<char>(c ^ static_cast<char>(nameKey.Next() & 0xFF));
        WriteStr(out, name);
    }

    const int64_t tables = out.GetPosition();
    const int64_t count = n;
    const int64_t tableBytes = version >= 101 ? (count + 1) * 8 + count * (1 + 4 + 4 + (version >= 102 ? 1 : 0))
                                              : (count + 1) * 4;
    put(out, std::vector<uint8_t>(static_cast<size_t>(tableBytes)));

    std::vector<int64_t> offsets;
    offsets.reserve(entries.size() + 1);
    for (TVrFile* e : entries) {
        offsets.push_back(out.GetPosition() - start);
        try {
            packEntry(*e, out, version);
        } catch (...) {
            if (options.dialogs)
                options.dialogs->MessageBox(sjisText("エラー:") + e->Name(), "", platform::MessageButtons::Ok,
                                            platform::MessageIcon::Error);
            throw;
        }
    }
    offsets.push_back(out.GetPosition() - start);
    const int64_t end = out.GetPosition();

    TKvMemoryStream table;
    TKvRandom offsetKey(ArchiveSeed);
    for (int64_t o : offsets) {
        if (version >= 101) {
            WriteInt64(table, o ^ static_cast<int64_t>(offsetKey.Next()));
        } else {
            if (o > 0xFFFFFFFFLL) raiseVersion(version);
            const auto narrow = static_cast<uint32_t>(o);
            WriteInt(table, static_cast<int32_t>(version == 100 ? narrow ^ static_cast<uint32_t>(offsetKey.Next())
                                                                : narrow));
        }
    }
    if (version >= 101) {
        for (const TVrFile* e : entries) WriteByte(table, e->Stored);
        for (const TVrFile* e : entries) WriteInt(table, e->FileTime);
        for (const TVrFile* e : entries) WriteInt(table, e->Checksum);
        if (version >= 102)
            for (const TVrFile* e : entries) WriteByte(table, e->ChecksumUncompressed);
    }
    out.SetPosition(tables);
    put(out, table.bytes());
    out.SetPosition(end);
    return true;
}

} // namespace nuvo
