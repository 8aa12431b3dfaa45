// The image cache: every named picture of a title is decoded once into
// display-format surfaces and shared, by name, between all components that
// show it (reference-counted by their users).
//
// A name may carry option suffixes: "?m" makes a mask from the colour key of
// frames that have none, "?t" trims frames to their content. Acquire builds
// the item name as Name + "?m" (when asked) + "?t" (when asked); an item loads
// the file named without the suffixes (found at the end in either order).
//
// Items without users move to a list of released items kept for reuse (a new
// Acquire of the name takes the item back without decoding again); the list
// keeps the ReleasedLimit most recently released items and frees older ones.
// Purge frees released items of a name so the next use reloads the file.
#pragma once

#include "base/HashCollection.h"
#include "render/CustomDIBX.h"
#include "render/DIBX.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nuvo {

class TStream;

// What the cache needs from the rest of the player; the project and the
// screen manager provide it (tests provide their own).
class IPelkSource {
public:
    virtual ~IPelkSource() = default;
    // The title's image key (the project's ImageSeed), given to every decode.
    virtual int32_t ImageSeed() const = 0;
    // True when the named title file can be made available (the project's
    // EnsureAvailable, which may ask for another disk).
    virtual bool EnsureAvailable(const std::string& name) = 0;
    // Appends the named title file to stream; false when it cannot be found.
    virtual bool LoadToStream(TStream& stream, const std::string& name) = 0;
    // The bit count picture surfaces are made at (the screen's; 32 without
    // a screen manager).
    virtual int ScreenBitCount() const { return 32; }
    // A new 1 x 1 picture surface of the kind the screen uses.
    virtual std::unique_ptr<TCustomDIBX> CreatePicture() {
        return std::make_unique<TDIBX>(1, 1, ScreenBitCount());
    }
};

class TPelkItemFrame {
public:
    std::unique_ptr<TCustomDIBX> Picture;
    // 8-bit mask, present when the frame has one or "?m" was asked.
    std::unique_ptr<TDIBX> Mask;
    int32_t TransparentColour = -1; // 0x00BBGGRR, -1 none
    int32_t Duration = 1;           // milliseconds, at least 1
    // Where the trimmed picture sits inside the untrimmed image.
    int32_t OffsetX = 0;
    int32_t OffsetY = 0;

    // Draws sourceRect of the picture at (x, y) by the image alpha modes:
    // with a Mask, blend 0..254 DrawAlphaMask, 255 DrawMask, 256 and above
    // DrawAddMask (amount blend - 256); without, DrawAlpha, Draw, DrawAdd,
    // the colour key used exactly when the picture has one.
    void DrawFrame(TCustomDIBX& target, int32_t x, int32_t y, int32_t blend, bool flipV, bool flipH,
                   const TRect& sourceRect);
    // Covers destRect with copies of sourceRect starting at the offsets (each
    // taken modulo the tile size), tile positions mirrored inside destRect
    // when flipped, each tile drawn with DrawFrame.
    void TileFrame(TCustomDIBX& target, const TRect& destRect, int32_t blend, bool flipV, bool flipH,
                   int32_t offsetY, int32_t offsetX, const TRect& sourceRect);
};

class TPelkCollection;

class TPelkItem : public THashCollectionItem {
public:
    std::vector<const void*> Users;
    std::vector<std::unique_ptr<TPelkItemFrame>> Frames;
    // Size of the first frame (untrimmed) and the sum of the durations.
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t TotalDuration = 0;

    int FrameCount() const { return static_cast<int>(Frames.size()); }
};

class TPelkCollection : public THashCollectionOf<TPelkItem> {
public:
    explicit TPelkCollection(IPelkSource& source) : source_(source) {}

    // How many released items are kept for reuse.
    size_t ReleasedLimit = 32;

    // Finds or creates (and loads) the item for name with the options, adds
    // user to its users and takes it off the released list. A file that
    // cannot be found gives one transparent 8 x 8 frame; a damaged file
    // raises and leaves no item behind.
    TPelkItem* Acquire(const void* user, const std::string& name, bool trim, bool makeMask);
    // Removes one occurrence of user; an item left without users is released.
    void Release(TPelkItem* item, const void* user);
    // Frees the released items named name, name?m, name?t and name?m?t.
    void Purge(const std::string& name);

    bool ConvertToScreenDepth() const { return convertToScreenDepth_; }
    // When the flag changes every item reloads.
    void SetConvertToScreenDepth(bool flag);
    // Every item decodes its file again. Without recreate, frames with a
    // colour key and no mask keep their pictures; with it every picture is a
    // new surface of the current kind (after a display change).
    void ReloadAll(bool recreate);
    // Every picture gives up display-driver storage before a display change.
    void ReleaseAllHardware();

    // The status record: ConvertToScreenDepth as one byte, read only when
    // the save data's version is above 100.
    void WriteState(TStream& stream) const;
    void ReadState(TStream& stream, int32_t version);

    size_t ReleasedCount() const { return released_.size(); }

private:
    void load(TPelkItem& item, const std::string& itemName, bool reload, bool recreate);
    void deleteItem(TPelkItem* item);

    IPelkSource& source_;
    std::vector<TPelkItem*> released_;
    bool convertToScreenDepth_ = false;
};

// The file name of an item name: "?m" and "?t" stripped from its end, in
// either order; trim and makeMask tell which were there.
std::string pelkFileName(const std::string& itemName, bool* trim = nullptr, bool* makeMask = nullptr);

} // namespace nuvo
