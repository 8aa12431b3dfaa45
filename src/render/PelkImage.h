// The layered image format ("Pelk", extension .pel): a list of frames, each a
// stack of layers with a colour plane and an optional 8-bit mask plane.
// Planes are stored raw, zlib-compressed or (colour planes) as JPEG, as padded
// rows or cut into blocks that may repeat earlier blocks, and optionally in
// the order given by the title's image key. Reading flattens each frame's
// layers into its Composite; writing produces version 106 files.
//
// Reading survives any bytes: counts and sizes are checked against what the
// stream holds and against a decoding budget (ImageCodecs.h) before anything
// is allocated; a plane must decode to exactly the size its layout implies;
// block tables that name blocks, frames or layers not decoded yet, or blocks
// of another size, are refused. Such files raise ENuvoError ("データが壊れています"
// or the picture errors of ImageCodecs.h). A wrong image key is not detected
// (rows or blocks come out in the wrong places).
#pragma once

#include "render/DIBSurface.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nuvo {

class TStream;
class TPelkFrame;
class TPelkFrameList;

class TPelkLayer {
public:
    TPelkFrame* Owner = nullptr;
    std::string Name;
    // Frame size and format; Bitmap.Mask is the mask plane when there is one.
    TDIBSurface Bitmap;
    uint8_t Visible = 1;
    int32_t TransparentValue = -1;
    int32_t Opacity = 255;
    uint8_t MaskEnabled = 0;
    // Stored sizes of the two planes as read (for tools); 0 for a missing mask.
    int32_t ColourPlaneSize = 0;
    int32_t MaskPlaneSize = 0;
};

class TPelkFrame {
public:
    explicit TPelkFrame(TPelkFrameList* owner) : Owner(owner) {}

    TPelkFrameList* Owner;
    // The flattened frame, with its mask when it has one.
    TDIBSurface Composite;
    // Colour key as a pixel value of the frame's format (-1 none) and the
    // colour it shows (0x00BBGGRR, -1 none).
    int32_t TransparentValue = -1;
    int32_t TransparentColour = -1;
    int32_t Duration = 100;
    std::string Name;
    uint8_t Flags = 0; // kept, no meaning to the player
    std::vector<TRect> ContentAreas;
    std::vector<TRect> OtherAreas;
    std::vector<std::unique_ptr<TPelkLayer>> Layers;

    int32_t Width() const { return Composite.Width(); }
    int32_t Height() const { return Composite.Height(); }
    int LayerCount() const { return static_cast<int>(Layers.size()); }
    // Raises "Error:TPelkFrame.GetLayer" for an invalid index.
    TPelkLayer& GetLayer(int index);
    bool HasMask() const { return Composite.HasMask(); }
    // Crops the frame to its content (the non-zero mask, else the pixels
    // other than TransparentValue; nothing without either) and returns the
    // content box in the untrimmed frame (its top-left is the trimmed
    // picture's offset). A frame without content keeps its 1 x 1 top-left
    // pixel; a box covering the whole frame changes nothing. The areas are
    // intersected with the box (empty ones dropped) and moved with the
    // picture, so they stay in the picture's own coordinates.
    TRect Trim();
    // A frame without a mask gets one: 255, and 0 where the Composite equals
    // TransparentValue. With forLayers, layers without a mask get one from
    // their own key (or the frame's when theirs is -1).
    void MakeMask(bool forLayers);
    // Recomputes TransparentColour from TransparentValue.
    void UpdateTransparentColour();
};

class TPelkFrameList {
public:
    explicit TPelkFrameList(int32_t imageKey = 0) : ImageKey(imageKey) {}
    TPelkFrameList(TPelkFrameList&& other) noexcept;
    TPelkFrameList& operator=(TPelkFrameList&& other) noexcept;

    int32_t BackgroundColour = 0; // 0x00BBGGRR
    int32_t Version = 0;
    int32_t TargetBitCount = 0;
    int32_t ImageKey = 0;
    uint8_t FirstLayerOpaque = 0;
    // Header fields as read, for tools.
    uint8_t Scrambled = 0;
    uint8_t Compression = 0; // 0 zlib, 1 none, 2 lossy
    uint8_t Quality = 0;
    int32_t BlockWidth = 0;
    int32_t BlockHeight = 0;

    int Count() const { return static_cast<int>(frames_.size()); }
    // Raises "Error:TPelkFrameList.GetFrame" for an invalid index.
    TPelkFrame& GetFrame(int index);
    TPelkFrame& AddFrame();
    void Clear() { frames_.clear(); }

    // Clears the list and decodes the stream from its current position. With
    // firstFrameOnly only frame 0 is read; without keepLayers the layers are
    // dropped once the file is read; convert turns every frame into
    // TargetBitCount (when that is a valid format).
    void LoadFromStream(TStream& stream, bool firstFrameOnly, bool keepLayers, bool convert);
    // By lower-cased extension: ".pel" this format, ".png" and ".bmp"/".dib"
    // one frame (a PNG's alpha or a 32-bit bitmap's fourth bytes become the
    // Mask, the latter then converted to 24 bits); others leave the list
    // empty. File errors raise.
    void LoadFromFile(const std::string& nativePath, bool firstFrameOnly, bool keepLayers, bool convert);
    void MakeMasks(bool forLayers);

    // Writes version 106. Scrambled exactly when ImageKey is non-zero, and
    // then uncompressed; lossy (compression 2) needs 24- or 32-bit frames.
    void SaveToStream(TStream& stream, int compression, int quality);
    // Compression 0, quality 70, written atomically.
    void SaveToFile(const std::string& nativePath);

    // True when the stream, from its current position, starts with the
    // signature, a version of 103 or more and compression 1. The position is
    // kept.
    static bool IsUncompressedImage(TStream& stream);

private:
    std::vector<std::unique_ptr<TPelkFrame>> frames_;
};

// Sizes surface to the frame at surface's own BitCount and copies the
// Composite in (24 -> 32 and 32 -> 32 directly, with the fourth byte 0; other
// pairs converted, PixelFormat.h), then the frame's areas.
void CopyToSurface(TPelkFrame& frame, TCustomDIBX& surface);
// Sizes an 8-bit surface to the frame and copies its mask (opaque when the
// frame has none).
void CopyMask(TPelkFrame& frame, TCustomDIBX& maskSurface);

// The order in which the image key stores n rows or blocks: entry i is the
// image position of stored item i (a TKvRandom seeded with key, PrepareDraw(n),
// then n Draw calls), computed in O(n log n).
std::vector<int32_t> keyOrder(int32_t key, int32_t n);

// Converts one PNG file into a single-frame layered image (what titles are
// built with): lossless zlib planes, or key-ordered raw planes when imageKey
// is non-zero, or JPEG colour planes at lossyQuality (1..100, 0 = lossless;
// palette pictures are widened to 24 bits for it).
void ConvertPngFileToPel(const std::string& pngPath, const std::string& pelPath, int32_t imageKey = 0,
                         int lossyQuality = 0);

} // namespace nuvo
