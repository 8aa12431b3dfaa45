#include "archive/ZlibCodec.h"

#include "base/Error.h"
#include "base/StreamIO.h"

#include <algorithm>
#include <climits>
#include <zlib.h>

namespace nuvo {

void inflateZlib(const uint8_t* data, size_t size, std::vector<uint8_t>& out, size_t limit, size_t sizeHint) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) raiseBrokenData();
    size_t capacity = sizeHint ? sizeHint : std::max<size_t>(size_t{64} << 10, size * 4);
    capacity = std::min(capacity, limit);
    out.resize(std::max<size_t>(capacity, 1));
    size_t produced = 0;
    size_t consumed = 0;
    int rc = Z_OK;
    for (;;) {
        if (produced == out.size()) {
            if (out.size() >= limit) break;
            out.resize(std::min(limit, out.size() * 2));
        }
        z.next_in = const_cast<Bytef*>(data + consumed);
        z.avail_in = static_cast<uInt>(std::min<size_t>(size - consumed, UINT_MAX));
        z.next_out = out.data() + produced;
        z.avail_out = static_cast<uInt>(std::min<size_t>(out.size() - produced, UINT_MAX));
        const uInt inBefore = z.avail_in, outBefore = z.avail_out;
        rc = inflate(&z, Z_NO_FLUSH);
        consumed += inBefore - z.avail_in;
        produced += outBefore - z.avail_out;
        if (rc == Z_STREAM_END) break;
        if (rc != Z_OK && rc != Z_BUF_ERROR) break;
        // No progress with input left and room to write: the stream is cut short.
        if (inBefore == z.avail_in && outBefore == z.avail_out) break;
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END) {
        out.clear();
        raiseBrokenData();
    }
    out.resize(produced);
}

std::vector<uint8_t> deflateZlib(const uint8_t* data, size_t size, int level) {
    uLongf bound = compressBound(static_cast<uLong>(size));
    std::vector<uint8_t> out(bound);
    if (compress2(out.data(), &bound, data, static_cast<uLong>(size), level) != Z_OK) raiseBrokenData();
    out.resize(bound);
    return out;
}

int32_t crc32Of(const uint8_t* data, size_t size) {
    uLong crc = crc32(0L, Z_NULL, 0);
    while (size > 0) {
        const uInt n = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
        crc = crc32(crc, data, n);
        data += n;
        size -= n;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(crc));
}

} // namespace nuvo
