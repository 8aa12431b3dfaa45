#include "render/PelkImage.h"

#include "base/Error.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "platform/FileSystem.h"
#include "render/ImageCodecs.h"
#include "render/detail/DrawCommon.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace nuvo {

namespace {

constexpr int kWrittenVersion = 106;
constexpr int kHeaderSize = 40;

[[noreturn]] void broken() { raiseBrokenData(); }

// ---- Key order -------------------------------------------------------------

// Fenwick tree over 0..n-1 of "still in the pool" flags; select finds the
// k-th remaining entry (0-based), as the generator's pool erase would.
class TPool {
public:
    explicit TPool(int32_t n) : n_(n), tree_(static_cast<size_t>(n) + 1, 0) {
        for (int32_t i = 1; i <= n; ++i) {
            tree_[static_cast<size_t>(i)] += 1;
            const int32_t j = i + (i & -i);
            if (j <= n) tree_[static_cast<size_t>(j)] += tree_[static_cast<size_t>(i)];
        }
        top_ = 1;
        while (top_ * 2 <= n) top_ *= 2;
    }
    int32_t takeNth(int32_t k) {
        int32_t pos = 0;
        for (int32_t step = top_; step > 0; step /= 2) {
            const int32_t next = pos + step;
            if (next <= n_ && tree_[static_cast<size_t>(next)] <= k) {
                pos = next;
                k -= tree_[static_cast<size_t>(next)];
            }
        }
        for (int32_t i = pos + 1; i <= n_; i += i & -i) tree_[static_cast<size_t>(i)] -= 1;
        return pos;
    }

private:
    int32_t n_, top_ = 1;
    std::vector<int32_t> tree_;
};

// ---- zlib ------------------------------------------------------------------------

// Inflates a whole stream that must end within capacity bytes; gives the
// number of bytes produced, or -1.
int64_t inflateInto(const uint8_t* src, size_t srcLen, uint8_t* dst, size_t capacity) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return -1;
    zs.next_in = const_cast<Bytef*>(src);
    zs.avail_in = static_cast<uInt>(srcLen);
    zs.next_out = dst;
    zs.avail_out = static_cast<uInt>(capacity);
    const int ret = inflate(&zs, Z_FINISH);
    const int64_t produced = static_cast<int64_t>(zs.total_out);
    inflateEnd(&zs);
    return ret == Z_STREAM_END ? produced : -1;
}

std::vector<uint8_t> deflateFast(const uint8_t* data, size_t size) {
    uLongf bound = compressBound(static_cast<uLong>(size));
    std::vector<uint8_t> out(bound);
    if (compress2(out.data(), &bound, data, static_cast<uLong>(size), Z_BEST_SPEED) != Z_OK)
        raiseBadPicture("zlib");
    out.resize(bound);
    return out;
}

// ---- Reading ---------------------------------------------------------------------

struct TReader {
    TStream& s;
    TPelkFrameList& list;
    TDecodeBudget budget;
    int32_t version = 0;
    uint8_t compression = 0;
    bool scrambled = false;
    int32_t blockWidth = 0, blockHeight = 0;
    int32_t key = 0;
};

std::vector<uint8_t> readBytes(TStream& s, int32_t count) {
    if (count < 0) broken();
    RequireBytes(s, count);
    std::vector<uint8_t> v(static_cast<size_t>(count));
    ReadExact(s, v.data(), count);
    return v;
}

void clearFourthBytes(TDIBX& b) {
    if (b.BitCount() != 32) return;
    for (int32_t y = 0; y < b.Height(); ++y) {
        uint8_t* row = b.ScanLine(y);
        for (int32_t x = 0; x < b.Width(); ++x) row[4 * x + 3] = 0;
    }
}

// Where the block at table position p lies and how large it really is.
struct TBlock {
    int32_t x, y, w, h;
};

class TBlockGrid {
public:
    TBlockGrid(int32_t width, int32_t height, int32_t bw, int32_t bh, int bits)
        : width_(width), height_(height), bw_(bw), bh_(bh), bits_(bits) {
        cols_ = (int64_t{width} + bw - 1) / bw;
        rows_ = (int64_t{height} + bh - 1) / bh;
    }
    int64_t count() const { return cols_ * rows_; }
    TBlock at(int64_t p) const {
        const int32_t x = static_cast<int32_t>((p % cols_) * bw_), y = static_cast<int32_t>((p / cols_) * bh_);
        return TBlock{x, y, std::min(bw_, width_ - x), std::min(bh_, height_ - y)};
    }
    int64_t byteStart(const TBlock& b) const { return int64_t{b.x} * bits_ / 8; }
    int64_t byteCount(const TBlock& b) const { return (int64_t{b.w} * bits_ + 7) / 8; }
    // Bytes of every block stored whole (the most a plane can hold).
    int64_t rawTotal() const {
        int64_t perRow = 0;
        for (int64_t c = 0; c < cols_; ++c) perRow += byteCount(at(c));
        return perRow * height_;
    }

private:
    int32_t width_, height_, bw_, bh_;
    int bits_;
    int64_t cols_, rows_;
};

void copyBlockBytes(const TDIBX& from, TDIBX& to, const TBlockGrid& grid, const TBlock& src, const TBlock& dst) {
    const int64_t count = grid.byteCount(dst);
    const int64_t fromStart = grid.byteStart(src), toStart = grid.byteStart(dst);
    if (fromStart + count > from.RowStep() || toStart + count > to.RowStep()) broken();
    for (int32_t j = 0; j < dst.h; ++j)
        std::memmove(to.ScanLine(dst.y + j) + toStart, from.ScanLine(src.y + j) + fromStart, static_cast<size_t>(count));
}

void decodeBlocks(TReader& r, const std::vector<uint8_t>& stored, bool zlib, bool isMask, int frameIndex,
                  int layerIndexUnused, TDIBX& target) {
    (void)layerIndexUnused;
    const int bits = target.StorageBitCount();
    const TBlockGrid grid(target.Width(), target.Height(), r.blockWidth, r.blockHeight, bits);
    const int64_t n = grid.count();
    if (n > INT32_MAX / 8) broken();
    const int64_t tableBytes = 8 * n;
    std::vector<uint8_t> inflated;
    const uint8_t* plane = stored.data();
    int64_t planeSize = static_cast<int64_t>(stored.size());
    if (zlib) {
        const int64_t capacity = tableBytes + grid.rawTotal();
        r.budget.takeBytes(capacity);
        inflated.resize(static_cast<size_t>(capacity));
        planeSize = inflateInto(stored.data(), stored.size(), inflated.data(), inflated.size());
        if (planeSize < 0) broken();
        plane = inflated.data();
    }
    if (planeSize < tableBytes) broken();

    struct TEntry {
        int32_t source, index;
    };
    std::vector<TEntry> table(static_cast<size_t>(n));
    const std::vector<int32_t> order = r.scrambled ? keyOrder(r.key, static_cast<int32_t>(n)) : std::vector<int32_t>{};
    for (int64_t i = 0; i < n; ++i) {
        TEntry e;
        std::memcpy(&e.source, plane + 8 * i, 4);
        std::memcpy(&e.index, plane + 8 * i + 4, 4);
        table[static_cast<size_t>(r.scrambled ? order[static_cast<size_t>(i)] : i)] = e;
    }

    int64_t cursor = tableBytes;
    for (int64_t p = 0; p < n; ++p) {
        const TEntry e = table[static_cast<size_t>(p)];
        const TBlock b = grid.at(p);
        if (e.source == -1) {
            const int64_t count = grid.byteCount(b), start = grid.byteStart(b);
            if (start + count > target.RowStep() || planeSize - cursor < count * b.h) broken();
            for (int32_t j = 0; j < b.h; ++j, cursor += count)
                std::memcpy(target.ScanLine(b.y + j) + start, plane + cursor, static_cast<size_t>(count));
        } else if (e.source == -2) {
            if (e.index < 0 || e.index >= p) broken(); // only blocks already filled
            const TBlock from = grid.at(e.index);
            if (from.w < b.w || from.h < b.h) broken();
            copyBlockBytes(target, target, grid, TBlock{from.x, from.y, b.w, b.h}, b);
        } else if (e.source >= 0) {
            if (e.source >= frameIndex) broken(); // only frames decoded earlier
            TPelkFrame& frame = r.list.GetFrame(e.source);
            if (e.index < 0 || e.index >= frame.LayerCount()) broken();
            TPelkLayer& layer = *frame.Layers[static_cast<size_t>(e.index)];
            const TDIBX* from = isMask ? layer.Bitmap.Mask.get() : &layer.Bitmap;
            if (!from || from->BitCount() != target.BitCount() || b.x + b.w > from->Width() ||
                b.y + b.h > from->Height())
                broken();
            copyBlockBytes(*from, target, grid, b, b);
        } else {
            broken();
        }
    }
    if (cursor != planeSize) broken();
}

void decodeRows(TReader& r, const std::vector<uint8_t>& stored, bool zlib, TDIBX& target) {
    const int64_t expected = int64_t{target.RowStep()} * target.Height();
    const bool keyed = r.version >= 103 && r.scrambled && r.compression != 2;
    std::vector<uint8_t> temp;
    uint8_t* dst = target.Bits();
    if (keyed) {
        r.budget.takeBytes(expected);
        temp.resize(static_cast<size_t>(expected));
        dst = temp.data();
    }
    if (zlib) {
        if (inflateInto(stored.data(), stored.size(), dst, static_cast<size_t>(expected)) != expected) broken();
    } else {
        if (static_cast<int64_t>(stored.size()) != expected) broken();
        if (expected) std::memcpy(dst, stored.data(), static_cast<size_t>(expected));
    }
    if (keyed && expected) {
        const std::vector<int32_t> order = keyOrder(r.key, target.Height());
        const size_t row = static_cast<size_t>(target.RowStep());
        for (int32_t i = 0; i < target.Height(); ++i)
            std::memcpy(target.ScanLine(order[static_cast<size_t>(i)]), temp.data() + row * static_cast<size_t>(i), row);
    }
}

void decodePlane(TReader& r, const std::vector<uint8_t>& stored, bool isMask, int frameIndex, TDIBX& target) {
    if (!isMask && r.version >= 103 && r.compression == 2) {
        TDIBX rgb;
        r.budget.take(target.Width(), target.Height(), 24);
        DecodeJpeg(stored.data(), stored.size(), target.Width(), target.Height(), rgb);
        ConvertPixels(rgb, target);
        return;
    }
    const bool zlib = r.compression == 0 || (isMask && r.compression == 2);
    if (r.version >= 103 && r.blockWidth > 0 && r.blockHeight > 0)
        decodeBlocks(r, stored, zlib, isMask, frameIndex, 0, target);
    else
        decodeRows(r, stored, zlib, target);
    if (!isMask) clearFourthBytes(target);
}

void readLayer(TReader& r, TPelkFrame& frame, int frameIndex, TPelkLayer& layer) {
    TStream& s = r.s;
    ReadIntChecked(s); // left, not used
    ReadIntChecked(s); // top, not used
    layer.Visible = ReadByteChecked(s);
    layer.TransparentValue = ReadIntChecked(s);
    layer.Opacity = ReadIntChecked(s);
    if (r.version >= 101) layer.MaskEnabled = ReadByteChecked(s);
    layer.Name = ReadStrChecked(s);

    const TDIBSurface& c = frame.Composite;
    r.budget.take(c.Width(), c.Height(), c.BitCount());
    layer.Bitmap.SetSize(c.Width(), c.Height(), c.BitCount());
    TPalette palette;
    c.GetPalette(palette);
    layer.Bitmap.SetPalette(palette);

    layer.ColourPlaneSize = ReadIntChecked(s);
    decodePlane(r, readBytes(s, layer.ColourPlaneSize), false, frameIndex, layer.Bitmap);
    if (r.version >= 100) {
        layer.MaskPlaneSize = ReadIntChecked(s);
        if (layer.MaskPlaneSize < 0) broken();
        if (layer.MaskPlaneSize > 0) {
            const std::vector<uint8_t> stored = readBytes(s, layer.MaskPlaneSize);
            r.budget.take(c.Width(), c.Height(), 8);
            layer.Bitmap.CreateMask();
            decodePlane(r, stored, true, frameIndex, *layer.Bitmap.Mask);
        }
    }
}

void fillBackground(TReader& r, TPelkFrame& frame) {
    const int32_t bg = r.list.BackgroundColour;
    TDIBSurface& c = frame.Composite;
    c.FillRect(TRect{0, 0, c.Width(), c.Height()}, c.NearestPixel(colorRed(bg), colorGreen(bg), colorBlue(bg)));
}

// Draws a visible layer onto the composite by the format's layer rules. The
// background fill is put off until a layer needs it: the usual first layer
// is a whole opaque copy that covers it anyway.
void flattenLayer(TReader& r, TPelkFrame& frame, TPelkLayer& layer, int layerIndex, bool firstVisible,
                  bool& backgroundPending) {
    TDIBSurface& composite = frame.Composite;
    const bool masked = layer.Bitmap.HasMask() && layer.MaskEnabled;
    const int32_t key = masked ? -1 : layer.TransparentValue;
    const TRect all{0, 0, composite.Width(), composite.Height()};
    if (firstVisible && masked) composite.AssignMask(*layer.Bitmap.Mask);
    const bool wholeCopy = !(masked && layerIndex != 0) &&
                           (key == -1 || (firstVisible && r.list.FirstLayerOpaque)) && layer.Opacity == 255;
    if (backgroundPending && !wholeCopy) fillBackground(r, frame);
    backgroundPending = false;
    if (masked && layerIndex != 0)
        composite.ComposeMasked(0, 0, 255, all, layer.Bitmap);
    else if (wholeCopy)
        composite.Compose(0, 0, 255, -1, all, layer.Bitmap);
    else
        composite.Compose(0, 0, layer.Opacity, key, all, layer.Bitmap);
}

std::vector<TRect> readAreas(TStream& s) {
    const int32_t count = ReadCountChecked(s, 16);
    std::vector<TRect> areas(static_cast<size_t>(count));
    for (TRect& a : areas) {
        a.Left = ReadIntChecked(s);
        a.Top = ReadIntChecked(s);
        a.Right = ReadIntChecked(s);
        a.Bottom = ReadIntChecked(s);
    }
    return areas;
}

void readFrame(TReader& r, TPelkFrame& frame, int frameIndex) {
    TStream& s = r.s;
    frame.Name = ReadStrChecked(s);
    frame.TransparentValue = ReadIntChecked(s);
    frame.Duration = ReadIntChecked(s);
    frame.Flags = ReadByteChecked(s);
    ReadIntChecked(s); // reserved
    const int32_t layerCount = ReadIntChecked(s);
    const int32_t width = ReadIntChecked(s);
    const int32_t height = ReadIntChecked(s);
    const int32_t bits = ReadIntChecked(s);
    if (!isValidBitCount(bits) || width < 0 || height < 0) broken();
    // Every layer holds at least its fixed fields and two plane sizes.
    const int64_t minLayerBytes = 4 + 4 + 1 + 4 + 4 + 4 + 4 + (r.version >= 101 ? 1 : 0) + (r.version >= 100 ? 4 : 0);
    if (layerCount < 0 || layerCount > s.remaining() / minLayerBytes) broken();
    TPalette palette{};
    if (isPaletteBitCount(bits)) {
        const int entries = paletteSizeOf(bits);
        RequireBytes(s, 4 * entries);
        for (int i = 0; i < entries; ++i) palette[static_cast<size_t>(i)] = static_cast<uint32_t>(ReadInt(s)) & 0xFFFFFF;
    }
    r.budget.take(width, height, bits);
    frame.Composite.SetSize(width, height, bits);
    frame.Composite.SetPalette(palette);
    frame.UpdateTransparentColour();

    bool firstVisible = true, backgroundPending = true;
    for (int32_t i = 0; i < layerCount; ++i) {
        auto layer = std::make_unique<TPelkLayer>();
        layer->Owner = &frame;
        readLayer(r, frame, frameIndex, *layer);
        if (layer->Visible) {
            flattenLayer(r, frame, *layer, i, firstVisible, backgroundPending);
            firstVisible = false;
        }
        frame.Layers.push_back(std::move(layer));
    }
    if (backgroundPending) fillBackground(r, frame);
    if (r.version >= 104) {
        frame.ContentAreas = readAreas(s);
        frame.OtherAreas = readAreas(s);
    }
}

int32_t readVersion(const uint8_t sig[7]) {
    int32_t v = 0;
    for (int i = 4; i < 7; ++i) {
        if (sig[i] < '0' || sig[i] > '9') broken();
        v = v * 10 + (sig[i] - '0');
    }
    return v;
}

} // namespace

std::vector<int32_t> keyOrder(int32_t key, int32_t n) {
    std::vector<int32_t> order;
    if (n <= 0) return order;
    order.reserve(static_cast<size_t>(n));
    TPool pool(n);
    uint32_t state = 0;
    for (int32_t left = n; left > 0; --left) {
        state = state * 5u + static_cast<uint32_t>(key);
        order.push_back(pool.takeNth(static_cast<int32_t>(state % static_cast<uint32_t>(left))));
    }
    return order;
}

// ---- Frames ----------------------------------------------------------------------

TPelkLayer& TPelkFrame::GetLayer(int index) {
    if (index < 0 || index >= LayerCount()) raiseError("Error:TPelkFrame.GetLayer");
    return *Layers[static_cast<size_t>(index)];
}

void TPelkFrame::UpdateTransparentColour() {
    TransparentColour = TransparentValue >= 0 ? Composite.PixelToColor(static_cast<uint32_t>(TransparentValue)) : -1;
}

TRect TPelkFrame::Trim() {
    const TRect whole{0, 0, Width(), Height()};
    TRect box;
    if (Composite.Mask) {
        // The mask's non-zero values: the box of pixels different from 0.
        TDIBSurface probe;
        probe.SetSize(Width(), Height(), 8);
        if (probe.BitsSize()) std::memcpy(probe.Bits(), Composite.Mask->Bits(), probe.BitsSize());
        box = probe.ContentBox(0);
    } else if (TransparentValue != -1) {
        box = Composite.ContentBox(TransparentValue);
    } else {
        return whole;
    }
    if (box.isEmpty()) box = TRect{0, 0, std::min(1, Width()), std::min(1, Height())};
    if (box == whole) return whole;
    Composite.Crop(box);
    const auto clipAreas = [&](std::vector<TRect>& areas) {
        std::vector<TRect> kept;
        for (const TRect& a : areas) {
            const TRect c = intersectRect(a, box);
            if (!c.isEmpty()) kept.push_back(offsetRect(c, -box.Left, -box.Top));
        }
        areas = std::move(kept);
    };
    clipAreas(ContentAreas);
    clipAreas(OtherAreas);
    return box;
}

namespace {

void maskFromKey(TDIBSurface& bitmap, int32_t key) {
    if (bitmap.HasMask()) return;
    bitmap.MakeMaskOpaque();
    if (key == -1) return;
    std::vector<uint32_t> row(static_cast<size_t>(bitmap.Width()));
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        bitmap.ReadRow(y, row.data());
        uint8_t* m = bitmap.Mask->ScanLine(y);
        for (int32_t x = 0; x < bitmap.Width(); ++x)
            if (row[static_cast<size_t>(x)] == static_cast<uint32_t>(key)) m[x] = 0;
    }
}

} // namespace

void TPelkFrame::MakeMask(bool forLayers) {
    maskFromKey(Composite, TransparentValue);
    if (!forLayers) return;
    for (auto& layer : Layers)
        maskFromKey(layer->Bitmap, layer->TransparentValue != -1 ? layer->TransparentValue : TransparentValue);
}

// ---- Frame list ------------------------------------------------------------------

TPelkFrameList::TPelkFrameList(TPelkFrameList&& other) noexcept { *this = std::move(other); }

TPelkFrameList& TPelkFrameList::operator=(TPelkFrameList&& other) noexcept {
    BackgroundColour = other.BackgroundColour;
    Version = other.Version;
    TargetBitCount = other.TargetBitCount;
    ImageKey = other.ImageKey;
    FirstLayerOpaque = other.FirstLayerOpaque;
    Scrambled = other.Scrambled;
    Compression = other.Compression;
    Quality = other.Quality;
    BlockWidth = other.BlockWidth;
    BlockHeight = other.BlockHeight;
    frames_ = std::move(other.frames_);
    for (auto& f : frames_) f->Owner = this;
    return *this;
}

TPelkFrame& TPelkFrameList::GetFrame(int index) {
    if (index < 0 || index >= Count()) raiseError("Error:TPelkFrameList.GetFrame");
    return *frames_[static_cast<size_t>(index)];
}

TPelkFrame& TPelkFrameList::AddFrame() {
    frames_.push_back(std::make_unique<TPelkFrame>(this));
    return *frames_.back();
}

void TPelkFrameList::MakeMasks(bool forLayers) {
    for (auto& f : frames_) f->MakeMask(forLayers);
}

void TPelkFrameList::LoadFromStream(TStream& stream, bool firstFrameOnly, bool keepLayers, bool convert) {
    Clear();
    TReader r{stream, *this, TDecodeBudget(stream.remaining())};
    r.key = ImageKey;
    uint8_t sig[7];
    ReadExact(stream, sig, 7);
    if (std::memcmp(sig, "Pelk", 4) == 0) {
        Version = readVersion(sig);
    } else {
        stream.seek(-7, SeekOrigin::Current);
        Version = 0;
    }
    r.version = Version;
    Scrambled = Compression = Quality = 0;
    BlockWidth = BlockHeight = 0;
    FirstLayerOpaque = 0;
    int32_t frameCount;
    if (Version >= 103) {
        const int32_t headerSize = ReadIntChecked(stream);
        if (headerSize < 0) broken();
        uint8_t header[kHeaderSize] = {};
        const int32_t kept = std::min(headerSize, kHeaderSize);
        ReadExact(stream, header, kept);
        RequireBytes(stream, headerSize - kept);
        stream.seek(headerSize - kept, SeekOrigin::Current);
        const auto at = [&](int offset) {
            int32_t v;
            std::memcpy(&v, header + offset, 4);
            return v;
        };
        frameCount = at(16);
        Scrambled = header[21];
        Compression = header[22];
        BackgroundColour = at(24);
        BlockWidth = at(28);
        BlockHeight = at(32);
        if (Version >= 105) FirstLayerOpaque = header[36];
        Quality = header[37];
    } else {
        frameCount = ReadIntChecked(stream);
        ReadByteChecked(stream);
        BackgroundColour = Version >= 102 ? ReadIntChecked(stream) : 0;
    }
    // A frame holds at least a name length and eight fixed fields.
    if (frameCount < 0 || frameCount > stream.remaining() / 33) broken();
    r.compression = Compression;
    r.scrambled = Scrambled != 0;
    r.blockWidth = BlockWidth;
    r.blockHeight = BlockHeight;
    const int32_t toRead = firstFrameOnly ? std::min(frameCount, 1) : frameCount;
    for (int32_t i = 0; i < toRead; ++i) readFrame(r, AddFrame(), i);
    if (!keepLayers)
        for (auto& f : frames_) f->Layers.clear();
    if (convert && isValidBitCount(TargetBitCount))
        for (auto& f : frames_) {
            if (f->Composite.BitCount() == TargetBitCount) continue;
            f->Composite.SetBitCount(TargetBitCount);
            if (f->TransparentColour != -1)
                f->TransparentValue = f->Composite.NearestPixelOfColor(f->TransparentColour);
            f->Layers.clear();
        }
}

namespace {

std::string lowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

} // namespace

void TPelkFrameList::LoadFromFile(const std::string& nativePath, bool firstFrameOnly, bool keepLayers, bool convert) {
    Clear();
    const std::string ext = lowerExtension(nativePath);
    if (ext == ".pel") {
        TKvMemoryStream s(readWholeFile(nativePath));
        LoadFromStream(s, firstFrameOnly, keepLayers, convert);
        return;
    }
    if (ext != ".png" && ext != ".bmp" && ext != ".dib") return;
    const std::vector<uint8_t> bytes = readWholeFile(nativePath);
    TPelkFrame& frame = AddFrame();
    if (ext == ".png") {
        ReadPng(bytes.data(), bytes.size(), frame.Composite, frame.TransparentValue);
    } else {
        ReadBitmapFile(bytes.data(), bytes.size(), frame.Composite);
        if (frame.Composite.BitCount() == 32) {
            frame.Composite.CreateMask();
            for (int32_t y = 0; y < frame.Height(); ++y) {
                const uint8_t* row = frame.Composite.ScanLine(y);
                uint8_t* m = frame.Composite.Mask->ScanLine(y);
                for (int32_t x = 0; x < frame.Width(); ++x) m[x] = row[4 * x + 3];
            }
            frame.Composite.SetBitCount(24);
        }
    }
    frame.UpdateTransparentColour();
}

bool TPelkFrameList::IsUncompressedImage(TStream& stream) {
    const int64_t start = stream.position();
    uint8_t head[7 + 4 + kHeaderSize] = {};
    const int64_t got = stream.read(head, sizeof head);
    stream.setPosition(start);
    if (got < 7 + 4 + 23 || std::memcmp(head, "Pelk", 4) != 0) return false;
    for (int i = 4; i < 7; ++i)
        if (head[i] < '0' || head[i] > '9') return false;
    const int version = (head[4] - '0') * 100 + (head[5] - '0') * 10 + (head[6] - '0');
    return version >= 103 && head[11 + 22] == 1;
}

// ---- Writing ---------------------------------------------------------------------

namespace {

std::vector<uint8_t> planeRows(const TDIBX& bitmap, bool scrambled, int32_t key) {
    const size_t row = static_cast<size_t>(bitmap.RowStep());
    std::vector<uint8_t> out(row * static_cast<size_t>(bitmap.Height()));
    if (!scrambled) {
        if (!out.empty()) std::memcpy(out.data(), bitmap.Bits(), out.size());
        return out;
    }
    const std::vector<int32_t> order = keyOrder(key, bitmap.Height());
    for (int32_t i = 0; i < bitmap.Height(); ++i)
        std::memcpy(out.data() + row * static_cast<size_t>(i), bitmap.ScanLine(order[static_cast<size_t>(i)]), row);
    return out;
}

void writePlane(TStream& s, const std::vector<uint8_t>& bytes) {
    WriteInt(s, static_cast<int32_t>(bytes.size()));
    if (!bytes.empty()) s.write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void writeAreas(TStream& s, const std::vector<TRect>& areas) {
    WriteInt(s, static_cast<int32_t>(areas.size()));
    for (const TRect& a : areas) {
        WriteInt(s, a.Left);
        WriteInt(s, a.Top);
        WriteInt(s, a.Right);
        WriteInt(s, a.Bottom);
    }
}

struct TWriter {
    TStream& s;
    int compression;
    int quality;
    bool scrambled;
    int32_t key;

    void colourPlane(const TDIBX& b) {
        if (compression == 2) {
            writePlane(s, EncodeJpeg(b, quality));
            return;
        }
        std::vector<uint8_t> rows = planeRows(b, scrambled, key);
        writePlane(s, compression == 0 ? deflateFast(rows.data(), rows.size()) : rows);
    }
    void maskPlane(const TDIBX* m) {
        if (!m) {
            WriteInt(s, 0);
            return;
        }
        std::vector<uint8_t> rows = planeRows(*m, scrambled, key);
        writePlane(s, compression == 1 ? rows : deflateFast(rows.data(), rows.size()));
    }
    void layer(const std::string& name, uint8_t visible, int32_t key, int32_t opacity, uint8_t maskEnabled,
               const TDIBSurface& bitmap) {
        WriteInt(s, 0);
        WriteInt(s, 0);
        WriteByte(s, visible);
        WriteInt(s, key);
        WriteInt(s, opacity);
        WriteByte(s, maskEnabled);
        WriteStr(s, name);
        colourPlane(bitmap);
        maskPlane(bitmap.Mask.get());
    }
};

} // namespace

void TPelkFrameList::SaveToStream(TStream& stream, int compression, int quality) {
    const bool scrambled = ImageKey != 0;
    if (scrambled) compression = 1;
    if (compression < 0 || compression > 2) raiseBadPicture("compression");
    if (compression == 2)
        for (auto& f : frames_) {
            const int bits = f->Composite.BitCount();
            if (bits != 24 && bits != 32) raiseBadPicture("lossy planes need 24 or 32 bits");
        }
    stream.write("Pelk106", 7);
    WriteInt(stream, kHeaderSize);
    uint8_t header[kHeaderSize] = {};
    const auto put = [&](int offset, int32_t v) { std::memcpy(header + offset, &v, 4); };
    put(0, kWrittenVersion);
    if (!frames_.empty()) {
        const TPelkFrame& f = *frames_.front();
        const TDIBSurface& first = f.Layers.empty() ? f.Composite : f.Layers.front()->Bitmap;
        put(4, first.Width());
        put(8, first.Height());
        put(12, first.BitCount());
    }
    put(16, Count());
    header[20] = 1;
    header[21] = scrambled ? 1 : 0;
    header[22] = static_cast<uint8_t>(compression);
    put(24, BackgroundColour);
    header[36] = FirstLayerOpaque;
    header[37] = static_cast<uint8_t>(std::clamp(quality, 0, 255));
    stream.write(header, kHeaderSize);

    TWriter w{stream, compression, std::clamp(quality, 1, 100), scrambled, ImageKey};
    for (auto& fp : frames_) {
        TPelkFrame& f = *fp;
        WriteStr(stream, f.Name);
        WriteInt(stream, f.TransparentValue);
        WriteInt(stream, f.Duration);
        WriteByte(stream, f.Flags);
        WriteInt(stream, 0);
        WriteInt(stream, f.Layers.empty() ? 1 : static_cast<int32_t>(f.Layers.size()));
        WriteInt(stream, f.Width());
        WriteInt(stream, f.Height());
        WriteInt(stream, f.Composite.BitCount());
        if (isPaletteBitCount(f.Composite.BitCount())) {
            TPalette pal;
            f.Composite.GetPalette(pal);
            for (int i = 0; i < paletteSizeOf(f.Composite.BitCount()); ++i)
                WriteInt(stream, static_cast<int32_t>(pal[static_cast<size_t>(i)]));
        }
        if (f.Layers.empty())
            w.layer("Layer", 1, -1, 255, f.Composite.HasMask() ? 1 : 0, f.Composite);
        else
            for (auto& l : f.Layers) w.layer(l->Name, l->Visible, l->TransparentValue, l->Opacity, l->MaskEnabled, l->Bitmap);
        writeAreas(stream, f.ContentAreas);
        writeAreas(stream, f.OtherAreas);
    }
}

void TPelkFrameList::SaveToFile(const std::string& nativePath) {
    TKvMemoryStream s;
    SaveToStream(s, 0, 70);
    platform::writeFileAtomic(nativePath, s.memory(), s.bytes().size());
}

// ---- Display side ----------------------------------------------------------------

void CopyToSurface(TPelkFrame& frame, TCustomDIBX& surface) {
    surface.SetSize(frame.Width(), frame.Height(), surface.BitCount());
    ConvertPixels(frame.Composite, surface);
    surface.Compact();
    surface.ContentAreas = frame.ContentAreas;
    surface.OtherAreas = frame.OtherAreas;
}

void CopyMask(TPelkFrame& frame, TCustomDIBX& maskSurface) {
    using detail::TAccessSet;
    maskSurface.SetSize(frame.Width(), frame.Height(), 8);
    if (!frame.Composite.Mask) {
        const TRect saved = maskSurface.ClipRect;
        maskSurface.ResetClip();
        maskSurface.Clear(255);
        maskSurface.ClipRect = saved;
        return;
    }
    TAccessSet access;
    uint8_t* dest = access.open(maskSurface, 0, 0);
    if (!dest) return;
    for (int32_t y = 0; y < frame.Height(); ++y)
        std::memcpy(dest + int64_t{maskSurface.RowStep()} * y, frame.Composite.Mask->ScanLine(y),
                    static_cast<size_t>(frame.Width()));
}

void ConvertPngFileToPel(const std::string& pngPath, const std::string& pelPath, int32_t imageKey, int lossyQuality) {
    const std::vector<uint8_t> bytes = readWholeFile(pngPath);
    TPelkFrameList list(imageKey);
    TPelkFrame& frame = list.AddFrame();
    ReadPng(bytes.data(), bytes.size(), frame.Composite, frame.TransparentValue);
    frame.UpdateTransparentColour();
    int compression = 0;
    if (lossyQuality > 0 && imageKey == 0) {
        compression = 2;
        if (frame.Composite.BitCount() < 24) {
            frame.Composite.SetBitCount(24);
            if (frame.TransparentColour != -1)
                frame.TransparentValue = frame.Composite.NearestPixelOfColor(frame.TransparentColour);
        }
    }
    TKvMemoryStream s;
    list.SaveToStream(s, compression, lossyQuality > 0 ? lossyQuality : 70);
    platform::writeFileAtomic(pelPath, s.memory(), s.bytes().size());
}

} // namespace nuvo
