#include "render/CursorImage.h"

#include "render/DIBSurface.h"
#include "render/ImageCodecs.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace nuvo {

namespace {

using platform::CursorFrame;
using platform::CursorShape;
using platform::CursorStep;

// Bytes of the file with bounds-checked little-endian reads.
struct Bytes {
    const uint8_t* data;
    size_t size;

    bool has(size_t offset, size_t count) const { return offset <= size && count <= size - offset; }
    uint16_t u16(size_t offset) const {
        if (!has(offset, 2)) raiseBadPicture("cursor truncated");
        return static_cast<uint16_t>(data[offset] | data[offset + 1] << 8);
    }
    uint32_t u32(size_t offset) const {
        if (!has(offset, 4)) raiseBadPicture("cursor truncated");
        return uint32_t{data[offset]} | uint32_t{data[offset + 1]} << 8 | uint32_t{data[offset + 2]} << 16 |
               uint32_t{data[offset + 3]} << 24;
    }
    bool tagAt(size_t offset, std::string_view tag) const {
        return has(offset, tag.size()) && std::memcmp(data + offset, tag.data(), tag.size()) == 0;
    }
    Bytes sub(size_t offset, size_t count) const {
        if (!has(offset, count)) raiseBadPicture("cursor truncated");
        return Bytes{data + offset, count};
    }
};

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

bool isPng(const Bytes& b) { return b.has(0, 8) && std::memcmp(b.data, kPngSignature, 8) == 0; }

// Size and colour depth of one picture of a directory, read from its own
// header (the directory's bytes are often wrong).
struct PictureInfo {
    int32_t width = 0;
    int32_t height = 0;
    int bits = 0;
};

PictureInfo peekPicture(const Bytes& b) {
    PictureInfo info;
    if (isPng(b)) {
        // The IHDR chunk follows the signature: length, "IHDR", width, height.
        if (!b.tagAt(12, "IHDR")) raiseBadPicture("cursor PNG header");
        const uint32_t w = b.u32(16), h = b.u32(20);
        const auto be = [](uint32_t v) { return (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24); };
        info.width = static_cast<int32_t>(std::min<uint32_t>(be(w), 0x7FFFFFFF));
        info.height = static_cast<int32_t>(std::min<uint32_t>(be(h), 0x7FFFFFFF));
        info.bits = 32;
        return info;
    }
    info.width = static_cast<int32_t>(b.u32(4));
    info.height = static_cast<int32_t>(b.u32(8)) / 2;
    info.bits = b.u16(14);
    return info;
}

void checkSide(int32_t width, int32_t height) {
    if (width < 1 || height < 1 || width > kMaxCursorSide || height > kMaxCursorSide) raiseBadPicture("cursor size");
}

CursorFrame decodePngPicture(const Bytes& b) {
    TDIBSurface picture;
    int32_t key = -1;
    ReadPng(b.data, b.size, picture, key);
    checkSide(picture.Width(), picture.Height());
    CursorFrame f;
    f.width = picture.Width();
    f.height = picture.Height();
    f.argb.resize(static_cast<size_t>(f.width) * static_cast<size_t>(f.height));
    for (int32_t y = 0; y < f.height; ++y) {
        for (int32_t x = 0; x < f.width; ++x) {
            const uint32_t pixel = static_cast<uint32_t>(picture.GetPixel(x, y));
            const int32_t c = picture.PixelToColor(pixel);
            uint32_t alpha = picture.Mask ? static_cast<uint32_t>(picture.Mask->GetPixel(x, y)) : 255u;
            if (key >= 0 && pixel == static_cast<uint32_t>(key)) alpha = 0;
            f.argb[static_cast<size_t>(y) * static_cast<size_t>(f.width) + static_cast<size_t>(x)] =
                alpha << 24 | colorRed(c) << 16 | colorGreen(c) << 8 | colorBlue(c);
        }
    }
    return f;
}

// A device-independent bitmap as icons keep it: the header (40 bytes or
// more), the palette, the colour rows and then the 1-bit AND rows, both
// bottom row first, the header's height counting both.
CursorFrame decodeBitmapPicture(const Bytes& b) {
    const uint32_t headerSize = b.u32(0);
    if (headerSize < 40 || !b.has(0, headerSize)) raiseBadPicture("cursor bitmap header");
    const int32_t width = static_cast<int32_t>(b.u32(4));
    const int32_t fullHeight = static_cast<int32_t>(b.u32(8));
    const int bits = b.u16(14);
    const uint32_t compression = b.u32(16);
    const uint32_t colorsUsed = b.u32(32);
    if (fullHeight < 2) raiseBadPicture("cursor bitmap height");
    const int32_t height = fullHeight / 2;
    checkSide(width, height);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) raiseBadPicture("cursor bit count");
    if (compression != 0) raiseBadPicture("cursor compression");
    const uint32_t paletteSize = bits <= 8 ? (colorsUsed ? colorsUsed : 1u << bits) : 0;
    if (bits <= 8 && paletteSize > (1u << bits)) raiseBadPicture("cursor palette");
    const size_t paletteOffset = headerSize;
    const size_t colorOffset = paletteOffset + size_t{paletteSize} * 4;
    const size_t colorStride = (static_cast<size_t>(width) * static_cast<size_t>(bits) + 31) / 32 * 4;
    const size_t maskOffset = colorOffset + colorStride * static_cast<size_t>(height);
    const size_t maskStride = (static_cast<size_t>(width) + 31) / 32 * 4;
    if (!b.has(colorOffset, colorStride * static_cast<size_t>(height))) raiseBadPicture("cursor bitmap truncated");
    // Some 32-bit cursors leave the AND rows out; their alpha says it all.
    const bool hasMask = b.has(maskOffset, maskStride * static_cast<size_t>(height));
    if (!hasMask && bits != 32) raiseBadPicture("cursor mask truncated");

    CursorFrame f;
    f.width = width;
    f.height = height;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    f.argb.assign(count, 0);
    std::vector<uint8_t> invert(count, 0);
    bool anyInvert = false;
    const auto paletteColor = [&](uint32_t index) -> uint32_t {
        if (index >= paletteSize) return 0;
        return b.u32(paletteOffset + size_t{index} * 4) & 0xFFFFFF;
    };
    const auto colorAt = [&](const uint8_t* row, int32_t x) -> uint32_t {
        switch (bits) {
        case 1:
            return paletteColor((row[x / 8] >> (7 - x % 8)) & 1);
        case 4:
            return paletteColor((row[x / 2] >> (x % 2 ? 0 : 4)) & 15);
        case 8:
            return paletteColor(row[x]);
        case 24: {
            const uint8_t* p = row + static_cast<size_t>(x) * 3;
            return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
        }
        default: {
            const uint8_t* p = row + static_cast<size_t>(x) * 4;
            return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
        }
        }
    };
    bool useAlpha = false;
    if (bits == 32) {
        for (int32_t y = 0; y < height && !useAlpha; ++y) {
            const uint8_t* row = b.data + colorOffset + colorStride * static_cast<size_t>(y);
            for (int32_t x = 0; x < width; ++x)
                if (row[static_cast<size_t>(x) * 4 + 3] != 0) {
                    useAlpha = true;
                    break;
                }
        }
    }
    for (int32_t y = 0; y < height; ++y) {
        const size_t fileRow = static_cast<size_t>(height - 1 - y);
        const uint8_t* row = b.data + colorOffset + colorStride * fileRow;
        const uint8_t* maskRow = hasMask ? b.data + maskOffset + maskStride * fileRow : nullptr;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t value = colorAt(row, x);
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
            if (useAlpha) {
                f.argb[i] = value;
                continue;
            }
            const bool masked = maskRow && ((maskRow[x / 8] >> (7 - x % 8)) & 1);
            const uint32_t rgb = value & 0xFFFFFF;
            if (!masked) {
                f.argb[i] = 0xFF000000u | rgb;
            } else if (rgb != 0) {
                f.argb[i] = 0xFF000000u;
                invert[i] = 1;
                anyInvert = true;
            }
        }
    }
    if (anyInvert) f.invert = std::move(invert);
    return f;
}

CursorFrame decodePicture(const Bytes& b) { return isPng(b) ? decodePngPicture(b) : decodeBitmapPicture(b); }

// Distance of a picture from the preferred 32 x 32; the larger wins a tie.
int64_t sizeScore(const PictureInfo& p) {
    const int64_t side = std::max(p.width, p.height);
    const int64_t distance = side >= 32 ? (side - 32) * 2 : (32 - side) * 2 + 1;
    return distance;
}

// An icon or cursor directory: reserved 0, type (1 icon, 2 cursor), count,
// then 16-byte entries (width, height, colours, reserved, and for cursors
// the hot spot where icons keep planes and bit count, then the picture's
// size and offset).
CursorFrame decodeDirectory(const Bytes& file) {
    if (file.u16(0) != 0) raiseBadPicture("cursor directory");
    const uint16_t type = file.u16(2);
    if (type != 1 && type != 2) raiseBadPicture("cursor type");
    const uint16_t count = file.u16(4);
    if (count == 0 || !file.has(6, size_t{count} * 16)) raiseBadPicture("cursor entries");
    int best = -1;
    int64_t bestScore = 0;
    int bestBits = 0;
    for (int i = 0; i < count; ++i) {
        const size_t entry = 6 + static_cast<size_t>(i) * 16;
        const Bytes picture = file.sub(file.u32(entry + 12), file.u32(entry + 8));
        const PictureInfo info = peekPicture(picture);
        if (info.width < 1 || info.height < 1 || info.width > kMaxCursorSide || info.height > kMaxCursorSide) continue;
        const int64_t score = sizeScore(info);
        if (best < 0 || score < bestScore || (score == bestScore && info.bits > bestBits)) {
            best = i;
            bestScore = score;
            bestBits = info.bits;
        }
    }
    if (best < 0) raiseBadPicture("cursor size");
    const size_t entry = 6 + static_cast<size_t>(best) * 16;
    CursorFrame f = decodePicture(file.sub(file.u32(entry + 12), file.u32(entry + 8)));
    if (type == 2) {
        f.hotX = file.u16(entry + 4);
        f.hotY = file.u16(entry + 6);
    } else {
        f.hotX = f.width / 2;
        f.hotY = f.height / 2;
    }
    f.hotX = std::min(f.hotX, f.width - 1);
    f.hotY = std::min(f.hotY, f.height - 1);
    return f;
}

// The animated cursor: a RIFF form "ACON" holding "anih" (the header),
// optional "rate" and "seq " (one 32-bit value per step) and a "LIST" of
// type "fram" whose "icon" chunks are cursor files.
struct AniHeader {
    uint32_t steps = 0;
    uint32_t rate = 0;
    uint32_t flags = 0;
    bool present = false;
};

constexpr uint32_t kAniIconFrames = 1; // frames are icon or cursor files
constexpr uint32_t kAniSequence = 2;   // a "seq " chunk orders the steps

template <class Visit> void forEachChunk(const Bytes& b, Visit visit) {
    size_t pos = 0;
    while (b.has(pos, 8)) {
        const size_t length = b.u32(pos + 4);
        if (!b.has(pos + 8, length)) raiseBadPicture("cursor chunk truncated");
        visit(b.sub(pos, 4), b.sub(pos + 8, length));
        pos += 8 + length + (length & 1);
    }
}

std::vector<uint32_t> readValues(const Bytes& chunk) {
    const size_t n = std::min<size_t>(chunk.size / 4, kMaxCursorSteps);
    std::vector<uint32_t> values(n);
    for (size_t i = 0; i < n; ++i)
        values[i] = chunk.u32(i * 4);
    return values;
}

CursorShape decodeAnimated(const Bytes& file) {
    const size_t declared = file.u32(4);
    const Bytes form = file.sub(12, std::min(declared >= 4 ? declared - 4 : 0, file.size - 12));
    AniHeader header;
    std::vector<uint32_t> rates, sequence;
    CursorShape shape;
    int64_t pixels = 0;
    const auto addFrame = [&](const Bytes& icon) {
        if (static_cast<int32_t>(shape.frames.size()) >= kMaxCursorFrames) raiseBadPicture("cursor frames");
        CursorFrame f = decodeDirectory(icon);
        pixels += int64_t{f.width} * f.height;
        if (pixels > kMaxCursorPixels) raiseBadPicture("cursor frames");
        shape.frames.push_back(std::move(f));
    };
    forEachChunk(form, [&](const Bytes& id, const Bytes& body) {
        if (id.tagAt(0, "anih")) {
            if (body.size < 36) raiseBadPicture("cursor header");
            header.steps = body.u32(8);
            header.rate = body.u32(28);
            header.flags = body.u32(32);
            header.present = true;
        } else if (id.tagAt(0, "rate")) {
            rates = readValues(body);
        } else if (id.tagAt(0, "seq ")) {
            sequence = readValues(body);
        } else if (id.tagAt(0, "LIST") && body.tagAt(0, "fram")) {
            forEachChunk(body.sub(4, body.size - 4), [&](const Bytes& subId, const Bytes& subBody) {
                if (subId.tagAt(0, "icon")) addFrame(subBody);
            });
        }
    });
    if (!header.present) raiseBadPicture("cursor header");
    if (!(header.flags & kAniIconFrames)) raiseBadPicture("cursor raw frames");
    if (shape.frames.empty()) raiseBadPicture("cursor frames");
    const uint32_t frameCount = static_cast<uint32_t>(shape.frames.size());
    uint32_t steps = header.steps ? header.steps : frameCount;
    if (steps > kMaxCursorSteps) raiseBadPicture("cursor steps");
    const bool ordered = (header.flags & kAniSequence) != 0;
    if (ordered && sequence.size() < steps) raiseBadPicture("cursor sequence");
    shape.steps.reserve(steps);
    for (uint32_t i = 0; i < steps; ++i) {
        const uint32_t frame = ordered ? sequence[i] : i % frameCount;
        if (frame >= frameCount) raiseBadPicture("cursor sequence");
        const uint32_t jiffies = i < rates.size() ? rates[i] : header.rate;
        const int64_t ms = (int64_t{std::min<uint32_t>(jiffies, 600000)} * 1000 + 30) / 60;
        shape.steps.push_back(CursorStep{static_cast<int32_t>(frame), static_cast<int32_t>(std::max<int64_t>(ms, 1))});
    }
    return shape;
}

} // namespace

platform::CursorShape DecodeCursorFile(const uint8_t* data, size_t size) {
    const Bytes file{data, data ? size : 0};
    if (file.tagAt(0, "RIFF") && file.tagAt(8, "ACON")) return decodeAnimated(file);
    CursorShape shape;
    shape.frames.push_back(decodeDirectory(file));
    return shape;
}

} // namespace nuvo
