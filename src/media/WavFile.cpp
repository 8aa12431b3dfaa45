#include "media/WavFile.h"

#include "platform/WavHeader.h"

#include <algorithm>
#include <cstring>

namespace nuvo {

namespace {

uint32_t le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

constexpr uint16_t kExtensible = 0xFFFE;

} // namespace

TWavData readWavBytes(const uint8_t* data, size_t size) {
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        throw EWavError("not a RIFF WAVE file");
    TWavData out;
    bool haveFormat = false, haveData = false;
    size_t pos = 12;
    while (pos + 8 <= size && !(haveFormat && haveData)) {
        const uint8_t* chunk = data + pos;
        const uint64_t length = le32(chunk + 4);
        const size_t body = pos + 8;
        // A data chunk may claim more than the file holds (a file cut short,
        // or written while recording): it ends with the file.
        const size_t available = static_cast<size_t>(std::min<uint64_t>(length, size - body));
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (available < 16) throw EWavError("the fmt chunk is too short");
            const uint8_t* f = data + body;
            out.Format.FormatTag = le16(f);
            out.Format.Channels = le16(f + 2);
            out.Format.SamplesPerSec = le32(f + 4);
            out.Format.AvgBytesPerSec = le32(f + 8);
            out.Format.BlockAlign = le16(f + 12);
            out.Format.BitsPerSample = le16(f + 14);
            if (out.Format.FormatTag == kExtensible) {
                // The sub-format's first two bytes are the real format tag.
                if (available < 26) throw EWavError("the extensible fmt chunk is too short");
                out.Format.FormatTag = le16(f + 24);
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            out.Data.assign(data + body, data + body + available);
            haveData = true;
        }
        if (length > size - body) break;
        pos = body + static_cast<size_t>(length) + (length & 1);
    }
    if (!haveFormat) throw EWavError("no fmt chunk");
    if (!haveData) throw EWavError("no data chunk");
    if (out.Format.FormatTag != 1) throw EWavError("not PCM (format tag " + std::to_string(out.Format.FormatTag) + ")");
    if (out.Format.Channels == 0 || out.Format.BitsPerSample == 0 || out.Format.SamplesPerSec == 0)
        throw EWavError("a PCM format without channels, bits or rate");
    return out;
}

std::vector<uint8_t> wavBytes(const TWaveFormat& format, const uint8_t* data, size_t size) {
    const auto header =
        platform::makeWavHeader(static_cast<uint32_t>(size), format.Channels, format.SamplesPerSec, format.BitsPerSample);
    std::vector<uint8_t> out(header.size() + size);
    std::copy(header.begin(), header.end(), out.begin());
    if (size > 0) std::memcpy(out.data() + header.size(), data, size);
    return out;
}

} // namespace nuvo
