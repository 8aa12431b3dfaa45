#include "ArchiveBuilder.h"

#include <zlib.h>

namespace nuvo::test {
namespace {

constexpr uint32_t kSeed = 0x5C1E93A7;

struct Key {
    uint32_t state = 0;
    uint32_t next() { return state = state * 5 + kSeed; }
};

std::string le64(int64_t v) {
    std::string s;
    for (int i = 0; i < 8; ++i) s += static_cast<char>(static_cast<uint64_t>(v) >> (8 * i));
    return s;
}

} // namespace

std::string le32(int32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += static_cast<char>(static_cast<uint32_t>(v) >> (8 * i));
    return s;
}

std::string rawDirectory(int version, const std::vector<RawEntry>& entries, int64_t dataStart) {
    std::string d;
    if (version > 0) d += "vf" + le32(version);
    d += le32(static_cast<int32_t>(entries.size()));
    Key names;
    for (const RawEntry& e : entries) {
        d += le32(static_cast<int32_t>(e.name.size()));
        for (char c : e.name) d += static_cast<char>(c ^ (version >= 100 ? names.next() & 0xFF : 0));
    }
    Key offsets;
    int64_t at = dataStart;
    for (size_t i = 0; i <= entries.size(); ++i) {
        const uint32_t k = version >= 100 ? offsets.next() : 0;
        if (version >= 101)
            d += le64(at ^ static_cast<int64_t>(static_cast<int32_t>(k)));
        else
            d += le32(static_cast<int32_t>(static_cast<uint32_t>(at) ^ k));
        if (i < entries.size()) at += static_cast<int64_t>(entries[i].stored.size());
    }
    if (version >= 101) {
        for (const RawEntry& e : entries) d += static_cast<char>(e.storedFlag);
        for (const RawEntry& e : entries) d += le32(e.fileTime);
        for (const RawEntry& e : entries) d += le32(e.checksum);
        if (version >= 102)
            for (const RawEntry& e : entries) d += static_cast<char>(e.checksumUncompressed);
    }
    return d;
}

std::string rawArchive(int version, const std::vector<RawEntry>& entries) {
    // The directory's size does not depend on the offsets' values.
    const size_t dirSize = rawDirectory(version, entries, 0).size();
    std::string out = rawDirectory(version, entries, static_cast<int64_t>(dirSize));
    for (const RawEntry& e : entries) out += e.stored;
    return out;
}

std::string zlibOf(const std::string& text) {
    uLongf n = compressBound(text.size());
    std::string out(n, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(text.data()), text.size(), 6);
    out.resize(n);
    return out;
}

} // namespace nuvo::test
