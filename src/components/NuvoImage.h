// The image base: TNuvoCustomImage shows one picture (its own, or one owned
// elsewhere and shown by reference) with zoom, rotation, flips, the alpha
// modes, colour keys and content areas, hit-tests through its mask, follows
// its picture's size (auto size) and leaves afterimages behind it. Images,
// tiles, buttons, video, preview images and particles derive from it.
//
// Also here: the picture lists images take their frames from
// (TNuvoImageList over the layered-image cache), the single-picture
// TNuvoImage and the afterimage TNuvoBlurImage.
//
// Alpha modes (boxes, images, tiles): 1..254 blend at that weight, 255
// opaque, 256..511 additive with amount Alpha - 256; 0 and 512 or more draw
// nothing.
//
// Zooms are 1/256 and never below 1. Setting Width or Height while auto size
// holds fixes that axis to the given size (the picture is stretched to it)
// until its zoom is set again; the zoom of that axis then reads as the
// stretch the size gives, so hit tests, rotation and the anchor never divide
// by or scale with a zoom of 0.
#pragma once

#include "components/NuvoControl.h"
#include "render/DIBX.h"

#include <memory>
#include <string>
#include <vector>

namespace nuvo {

class TNuvoParser;
class TPelkCollection;
class TPelkItem;
class TPelkItemFrame;

// One user's hold on an item of the picture cache: released when the last
// copy of the shared pointer goes (afterimages share their image's hold, so
// the frames they show stay alive as long as they do).
class TNuvoPictureUse {
public:
    // Takes the item of name from the cache (loading it when needed); a file
    // that cannot be decoded raises ENuvoError and leaves no use behind.
    static std::shared_ptr<TNuvoPictureUse> Acquire(TPelkCollection& cache, const std::string& name);
    explicit TNuvoPictureUse(TPelkCollection& cache) : cache_(cache) {}
    ~TNuvoPictureUse();
    TNuvoPictureUse(const TNuvoPictureUse&) = delete;
    TNuvoPictureUse& operator=(const TNuvoPictureUse&) = delete;
    TPelkItem& Item() const { return *item_; }

private:
    TPelkCollection& cache_;
    TPelkItem* item_ = nullptr;
};

// Keeps two things alive together (a cache item and a copy of one of its pictures).
std::shared_ptr<const void> holdBoth(std::shared_ptr<const void> a, std::shared_ptr<const void> b);

// A frame of a picture list: the cached frame it shows and, for a non-zero
// brightness, a brightened or darkened copy made once per brightness value.
class TNuvoImageData {
public:
    explicit TNuvoImageData(TPelkItemFrame& frame) : frame_(frame) {}
    TPelkItemFrame& Frame() const { return frame_; }
    // The picture to show at a brightness (the frame's own for 0).
    TCustomDIBX* Picture(int32_t brightness);
    TCustomDIBX* Mask() const;
    // Milliseconds the frame is shown.
    int32_t Delay() const;
    // The copy made last, kept alive by afterimages that still show it.
    const std::shared_ptr<TDIBX>& Copy() const { return copy_; }

private:
    TPelkItemFrame& frame_;
    std::shared_ptr<TDIBX> copy_;
    int32_t copyBrightness_ = 0;
    const TCustomDIBX* madeFrom_ = nullptr;
};

// The frames of one layered image, taken from the picture cache.
class TNuvoImageList {
public:
    // Loads name through the cache (its selectors "?m", "?t" included); a
    // file that cannot be decoded leaves the list empty.
    void Load(TPelkCollection& cache, const std::string& name);
    void Clear();
    int32_t Count() const { return static_cast<int32_t>(frames_.size()); }
    TNuvoImageData& At(int32_t i) { return *frames_[static_cast<size_t>(i)]; }
    const std::shared_ptr<TNuvoPictureUse>& Use() const { return use_; }

private:
    std::shared_ptr<TNuvoPictureUse> use_;
    std::vector<std::unique_ptr<TNuvoImageData>> frames_;
};

// What an afterimage compares between two of its image's ticks.
struct TAfterimageState {
    int32_t Index = 0, Left = 0, Top = 0, Angle = 0, ZoomX = 0, ZoomY = 0, ScrollX = 0, ScrollY = 0;
    friend bool operator==(const TAfterimageState&, const TAfterimageState&) = default;
};

// The afterimage timer of an image or a box: every BlurSpan milliseconds a
// copy is due when the state changed since the last copy.
class TAfterimageClock {
public:
    // Advances by frameMs; true when a copy is due for state now.
    bool Due(int32_t span, int32_t delay, int32_t frameMs, const TAfterimageState& now);

private:
    int32_t timer_ = 0;
    bool primed_ = false;
    TAfterimageState last_;
};

// The fade of an afterimage: the alpha's mode (its multiple of 256) stays,
// its level falls linearly (rounded) from the start to 0 over the delay.
class TAfterimageFade {
public:
    // The alpha to start with.
    int32_t Start(int32_t mode, int32_t level, int32_t delay);
    // Advances by frameMs: the alpha now, or none (-1) once the fade is over.
    int32_t Advance(int32_t frameMs);

private:
    int32_t mode_ = 0;
    int32_t level_ = 0;
    int32_t delay_ = 1;
    int32_t elapsed_ = 0;
};

class TNuvoCustomImage : public TNuvoControl {
public:
    explicit TNuvoCustomImage(TNuvoBaseList* owner);
    ~TNuvoCustomImage() override;

    // The own picture and mask (the mask may be none). Surface is shown only
    // while OwnPicture is set (the flip's snapshot, pictures made in place);
    // it is memory, kept across display changes (converted to the new depth).
    TDIBX Surface;
    bool OwnPicture = false;
    std::unique_ptr<TDIBX> Mask;
    // The picture drawn: SurfaceRef when set, else Surface; the mask: MaskRef
    // when set, else Mask.
    TCustomDIBX* GetSurface() const override;
    TCustomDIBX* GetMask() const;
    // Shows pictures owned elsewhere (none: the own ones); hold keeps them
    // alive for as long as they are shown.
    void SetSurfaceRef(TCustomDIBX* surface, std::shared_ptr<const void> hold = {});
    void SetMaskRef(TCustomDIBX* mask) { maskRef_ = mask; }
    const std::shared_ptr<const void>& PictureHold() const { return hold_; }

    // ---- properties ----
    int32_t GetAlpha() const override { return alpha_; }
    void SetAlpha(int32_t v) override;
    int32_t GetZoomX() const override { return zoomX_; }
    void SetZoomX(int32_t v) override;
    int32_t GetZoomY() const override { return zoomY_; }
    void SetZoomY(int32_t v) override;
    int32_t GetAngle() const override { return angle_; }
    void SetAngle(int32_t v) override;
    bool GetFlipH() const override { return flipH_; }
    void SetFlipH(bool v) override;
    bool GetFlipV() const override { return flipV_; }
    void SetFlipV(bool v) override;
    bool GetCaptureMask() const override { return captureMask_; }
    void SetCaptureMask(bool v) override { captureMask_ = v; }
    int32_t GetBlurSpan() const override { return blurSpan_; }
    void SetBlurSpan(int32_t v) override;
    int32_t GetBlurDelay() const override { return blurDelay_; }
    void SetBlurDelay(int32_t v) override;
    void SetWidth(int32_t v) override;
    void SetHeight(int32_t v) override;
    void SetPosZoomed(bool v) override;
    int32_t GetOrigWidth() const override;
    int32_t GetOrigHeight() const override;

    // The rotated picture's bounding box while an angle is set.
    TRect GetScreenRect() const override;
    void Paint() override;
    TNuvoControl* HitTest(int32_t x, int32_t y, uint8_t accepted) override;
    bool Tick() override;
    void SaveToStream(TStream& s) const override;
    void LoadFromStream(TStream& s, int32_t version) override;
    void ReleaseSurfaces() override;
    void RestoreSurfaces() override;

    // Whether an axis follows the picture (false once sized explicitly).
    bool AutoSizedX() const { return !fixedX_; }
    bool AutoSizedY() const { return !fixedY_; }
    // Recomputes an auto size now (the tick after a zoom change does it).
    void UpdateSize();

protected:
    // Whether an explicit size stretches the picture (tiles cover the size
    // with tiles at their zoom instead).
    virtual bool sizeSetsZoom() const { return true; }
    // The size auto size follows (the shown picture's; 0 x 0 for none).
    virtual void pictureSize(int32_t& width, int32_t& height) const;
    // Around the picture's draw; nothing here.
    virtual void preDraw() {}
    virtual void postDraw() {}
    // Draws the picture (nothing when it is missing, sized 0 or invisible).
    virtual void drawPicture(TCustomDIBX& target);
    // The frame animation of multi-frame images; true to be destroyed.
    virtual bool tickPicture() { return false; }
    // What the afterimage compares, and the copy it leaves.
    virtual TAfterimageState afterimageState() const;
    virtual void makeAfterimage();
    // Copies what an afterimage of this image takes: position, angle,
    // zoom, clip, flips, size, anchor and the pictures by reference.
    void copyLookTo(TNuvoCustomImage& copy) const;
    // Sets the size without fixing an axis.
    void setAutoSize(int32_t width, int32_t height);
    // Marks the size for recomputation at the next tick.
    void sizeChanged() { sizeDirty_ = true; }
    // Whether the axes were sized explicitly (saved in the multi-frame flag byte).
    void setFixedAxes(bool x, bool y) {
        fixedX_ = x;
        fixedY_ = y;
    }
    // The mask value test of a hit at picture coordinates.
    bool maskAccepts(int32_t px, int32_t py) const;
    // Picture coordinates of a screen point (unrotated), by the zoom or, for
    // a sized axis, by the size; false when they cannot be computed.
    virtual bool pictureCoordinates(int32_t x, int32_t y, int32_t& px, int32_t& py) const;

private:
    int32_t alpha_ = 255;
    int32_t zoomX_ = 256;
    int32_t zoomY_ = 256;
    int32_t angle_ = 0;
    bool flipH_ = false;
    bool flipV_ = false;
    bool captureMask_ = false;
    bool sizeDirty_ = false;
    bool fixedX_ = false;
    bool fixedY_ = false;
    int32_t blurSpan_ = 0;
    int32_t blurDelay_ = 0;
    TAfterimageClock blurClock_;
    TCustomDIBX* surfaceRef_ = nullptr;
    TCustomDIBX* maskRef_ = nullptr;
    std::shared_ptr<const void> hold_;
};

// The afterimage an image leaves: the image's look at one moment, fading out
// over BlurDelay milliseconds and then destroying itself. Never saved.
class TNuvoBlurImage : public TNuvoCustomImage {
public:
    TNuvoBlurImage(TNuvoBaseList* owner, TNuvoCustomImage& source);
    TNuvoObject* GetAfterimageSource() const override { return source_.get(); }
    bool WantsAutoName() const override { return false; }
    bool Tick() override;
    void ReleaseSurfaces() override;

    // Starts the fade from the image's alpha: the mode stays, the low byte
    // is halved and falls to 0 over delay milliseconds.
    void StartFade(int32_t alpha, int32_t delay);

private:
    TNuvoRef<TNuvoObject> source_;
    TAfterimageFade fade_;
};

// The single picture that other components show (button faces and the
// like): a picture from the cache at a brightness of 0..255 (255 unchanged;
// lower values subtract the grey 255 - brightness).
class TNuvoImage : public TNuvoCustomImage {
public:
    using TNuvoCustomImage::TNuvoCustomImage;
    std::string GetSource() const override { return source_; }
    void SetSource(std::string_view name) override;
    int32_t GetBrightness() const override { return brightness_; }
    void SetBrightness(int32_t v) override;
    void SaveToStream(TStream& s) const override;
    void LoadFromStream(TStream& s, int32_t version) override;
    void RestoreSurfaces() override;

private:
    void show();

    std::string source_;
    int32_t brightness_ = 255;
    TNuvoImageList list_;
};

// The first frame's picture of an item of the cache, for components that
// show one picture of a file.
TCustomDIBX* firstPicture(TNuvoImageList& list);

} // namespace nuvo
