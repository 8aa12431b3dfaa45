// Builds archive bytes straight from the file layout, independently of the
// writer under test, so the reader is checked against the format itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nuvo::test {

struct RawEntry {
    std::string name;   // Shift-JIS
    std::string stored; // the bytes as they lie in the archive
    uint8_t storedFlag = 0;
    int32_t fileTime = 0;
    int32_t checksum = 0;
    uint8_t checksumUncompressed = 0;
};

// The directory of an archive whose data starts dataStart bytes after S.
std::string rawDirectory(int version, const std::vector<RawEntry>& entries, int64_t dataStart);
// Directory followed by the data; offsets count from the archive's start.
std::string rawArchive(int version, const std::vector<RawEntry>& entries);
// The zlib form of text.
std::string zlibOf(const std::string& text);
// A little-endian Int.
std::string le32(int32_t v);

} // namespace nuvo::test
