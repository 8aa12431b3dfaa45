// A Debian binary package (.deb) written in memory: the ar container with
// debian-binary, control.tar.gz (control and md5sums) and data.tar.gz, every
// file owned by root, so it is built without root or dpkg-deb.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nuvotool {

struct DebFile {
    std::string path; // below the root, without a leading "/": "usr/games/x"
    std::vector<uint8_t> bytes;
    unsigned mode = 0644;
};

// The control text's fields come first; Installed-Size is added from the
// files. The folders of the files' paths are made with mode 0755. Every
// member carries the time mtime (seconds since 1970).
std::vector<uint8_t> makeDeb(const std::string& controlFields, const std::vector<DebFile>& files, int64_t mtime);

// The lower-case hexadecimal MD5 digest of bytes (for md5sums).
std::string md5Hex(const uint8_t* data, size_t size);

// bytes compressed as a gzip member (no name, time 0), at the best level.
std::vector<uint8_t> gzipBytes(const std::vector<uint8_t>& bytes);

} // namespace nuvotool
