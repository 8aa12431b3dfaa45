#include "TitlePackageDeb.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <stdexcept>

namespace nuvotool {
namespace {

// ---- MD5 (RFC 1321) ------------------------------------------------------------

uint32_t rotl(uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }

void md5Block(std::array<uint32_t, 4>& h, const uint8_t* block) {
    static const uint32_t k[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
        0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
        0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
        0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
        0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
        0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
        0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
    static const int r[64] = {7,  12, 17, 22, 7,  12, 17, 22, 7,  12, 17, 22, 7,  12, 17, 22, 5,  9,  14, 20, 5,  9,
                              14, 20, 5,  9,  14, 20, 5,  9,  14, 20, 4,  11, 16, 23, 4,  11, 16, 23, 4,  11, 16, 23,
                              4,  11, 16, 23, 6,  10, 15, 21, 6,  10, 15, 21, 6,  10, 15, 21, 6,  10, 15, 21};
    uint32_t w[16];
    for (int i = 0; i < 16; ++i)
        w[i] = uint32_t(block[i * 4]) | uint32_t(block[i * 4 + 1]) << 8 | uint32_t(block[i * 4 + 2]) << 16 |
               uint32_t(block[i * 4 + 3]) << 24;
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16)
            f = (b & c) | (~b & d), g = i;
        else if (i < 32)
            f = (d & b) | (~d & c), g = (5 * i + 1) % 16;
        else if (i < 48)
            f = b ^ c ^ d, g = (3 * i + 5) % 16;
        else
            f = c ^ (b | ~d), g = (7 * i) % 16;
        const uint32_t next = d;
        d = c;
        c = b;
        b = b + rotl(a + f + k[i] + w[g], r[i]);
        a = next;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d;
}

// ---- tar ----------------------------------------------------------------------

// width - 1 octal digits and a NUL; a value too big for them is refused.
void octal(char* field, size_t width, uint64_t value) {
    field[width - 1] = 0;
    for (size_t i = width - 1; i-- > 0; value >>= 3)
        field[i] = static_cast<char>('0' + (value & 7));
    if (value) throw std::runtime_error("a file is too big for the package");
}

void tarHeader(std::vector<uint8_t>& out, const std::string& name, char type, uint64_t size, unsigned mode,
               int64_t mtime) {
    std::array<char, 512> h{};
    std::memcpy(h.data(), name.data(), std::min<size_t>(name.size(), 100));
    octal(&h[100], 8, mode);
    octal(&h[108], 8, 0);
    octal(&h[116], 8, 0);
    octal(&h[124], 12, size);
    octal(&h[136], 12, static_cast<uint64_t>(std::max<int64_t>(mtime, 0)));
    std::memset(&h[148], ' ', 8);
    h[156] = type;
    std::memcpy(&h[257],
                "ustar\0"
                "00",
                8);
    std::memcpy(&h[265], "root", 4);
    std::memcpy(&h[297], "root", 4);
    unsigned sum = 0;
    for (char c : h)
        sum += static_cast<uint8_t>(c);
    octal(&h[148], 7, sum);
    out.insert(out.end(), h.begin(), h.end());
}

void padBlock(std::vector<uint8_t>& out) { out.resize((out.size() + 511) / 512 * 512, 0); }

// One member; a name longer than the header holds goes first in a GNU long
// name record, which dpkg reads.
void tarMember(std::vector<uint8_t>& out, const std::string& name, char type, const std::vector<uint8_t>& bytes,
               unsigned mode, int64_t mtime) {
    if (name.size() > 100) {
        tarHeader(out, "././@LongLink", 'L', name.size() + 1, 0644, 0);
        out.insert(out.end(), name.begin(), name.end());
        out.push_back(0);
        padBlock(out);
    }
    tarHeader(out, name, type, bytes.size(), mode, mtime);
    out.insert(out.end(), bytes.begin(), bytes.end());
    padBlock(out);
}

void tarEnd(std::vector<uint8_t>& out) { out.resize(out.size() + 1024, 0); }

// ---- ar -----------------------------------------------------------------------

void arMember(std::vector<uint8_t>& out, const char* name, const std::vector<uint8_t>& bytes, int64_t mtime) {
    char header[61];
    std::snprintf(header, sizeof header, "%-16s%-12lld%-6d%-6d%-8s%-10zu`\n", name, static_cast<long long>(mtime), 0, 0,
                  "100644", bytes.size());
    out.insert(out.end(), header, header + 60);
    out.insert(out.end(), bytes.begin(), bytes.end());
    if (bytes.size() % 2) out.push_back('\n');
}

std::vector<uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

} // namespace

std::string md5Hex(const uint8_t* data, size_t size) {
    std::array<uint32_t, 4> h = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    size_t whole = size / 64 * 64;
    for (size_t i = 0; i < whole; i += 64)
        md5Block(h, data + i);
    uint8_t tail[128] = {};
    const size_t rest = size - whole;
    if (rest) std::memcpy(tail, data + whole, rest);
    tail[rest] = 0x80;
    const size_t tailSize = rest < 56 ? 64 : 128;
    const uint64_t bits = static_cast<uint64_t>(size) * 8;
    for (int i = 0; i < 8; ++i)
        tail[tailSize - 8 + i] = static_cast<uint8_t>(bits >> (8 * i));
    for (size_t i = 0; i < tailSize; i += 64)
        md5Block(h, tail + i);
    char hex[33];
    for (int i = 0; i < 16; ++i)
        std::snprintf(hex + i * 2, 3, "%02x", (h[i / 4] >> (8 * (i % 4))) & 0xff);
    return hex;
}

std::vector<uint8_t> gzipBytes(const std::vector<uint8_t>& bytes) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("the compressor cannot start");
    std::vector<uint8_t> out;
    uint8_t buffer[1 << 16];
    size_t at = 0;
    int result = Z_OK;
    while (result != Z_STREAM_END) {
        const size_t chunk = std::min<size_t>(bytes.size() - at, 1u << 30);
        z.next_in = const_cast<Bytef*>(bytes.data() + at);
        z.avail_in = static_cast<uInt>(chunk);
        const bool last = at + chunk == bytes.size();
        do {
            z.next_out = buffer;
            z.avail_out = sizeof buffer;
            result = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            if (result == Z_STREAM_ERROR) {
                deflateEnd(&z);
                throw std::runtime_error("the compressor failed");
            }
            out.insert(out.end(), buffer, buffer + (sizeof buffer - z.avail_out));
        } while (z.avail_out == 0);
        at += chunk;
    }
    deflateEnd(&z);
    return out;
}

std::vector<uint8_t> makeDeb(const std::string& controlFields, const std::vector<DebFile>& files, int64_t mtime) {
    // Every folder on the way to a file, each once, parents first.
    std::set<std::string> folders;
    for (const DebFile& f : files)
        for (size_t slash = f.path.find('/'); slash != std::string::npos; slash = f.path.find('/', slash + 1))
            folders.insert(f.path.substr(0, slash));
    std::map<std::string, const DebFile*> sorted;
    for (const DebFile& f : files)
        sorted[f.path] = &f;

    std::vector<uint8_t> data;
    tarMember(data, "./", '5', {}, 0755, mtime);
    for (const std::string& folder : folders)
        tarMember(data, "./" + folder + "/", '5', {}, 0755, mtime);
    std::string md5sums;
    uint64_t installedKiB = folders.size() + 1;
    for (const auto& [path, f] : sorted) {
        tarMember(data, "./" + path, '0', f->bytes, f->mode, mtime);
        md5sums += md5Hex(f->bytes.data(), f->bytes.size()) + "  " + path + "\n";
        installedKiB += (f->bytes.size() + 1023) / 1024;
    }
    tarEnd(data);

    std::vector<uint8_t> control;
    const std::string controlText = controlFields + "Installed-Size: " + std::to_string(installedKiB) + "\n";
    tarMember(control, "./", '5', {}, 0755, mtime);
    tarMember(control, "./control", '0', bytesOf(controlText), 0644, mtime);
    tarMember(control, "./md5sums", '0', bytesOf(md5sums), 0644, mtime);
    tarEnd(control);

    std::vector<uint8_t> deb = bytesOf("!<arch>\n");
    arMember(deb, "debian-binary", bytesOf("2.0\n"), mtime);
    arMember(deb, "control.tar.gz", gzipBytes(control), mtime);
    arMember(deb, "data.tar.gz", gzipBytes(data), mtime);
    return deb;
}

} // namespace nuvotool
