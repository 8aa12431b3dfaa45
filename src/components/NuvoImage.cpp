#include "components/NuvoImage.h"

#include "base/Error.h"
#include "base/IntMath.h"
#include "base/StreamIO.h"
#include "components/NuvoBaseList.h"
#include "components/PictureDraw.h"
#include "render/PelkCache.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace nuvo {

namespace {

int32_t clampZoom(int32_t v) { return std::max(v, 1); }

int32_t toInt32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

int32_t frameTime(const TNuvoObject& o) { return o.Owner() ? o.Owner()->FrameDelta : 0; }

// The zoom that stretches a picture side to a size (at least 1).
int32_t zoomForSize(int32_t size, int32_t pictureSide, int32_t current) {
    if (size <= 0 || pictureSide <= 0) return current;
    return clampZoom(toInt32(int64_t{size} * 256 / pictureSide));
}

// The grey a brightness adds (positive) or subtracts (negative), as a colour.
int32_t greyColor(int32_t brightness) {
    const int32_t g = std::min<int32_t>(255, brightness < 0 ? -static_cast<int64_t>(brightness) : brightness);
    return g | (g << 8) | (g << 16);
}

void applyBrightness(TCustomDIBX& s, const TRect& r, int32_t brightness) {
    const int32_t grey = s.ColorToPixel(greyColor(brightness));
    if (brightness > 0)
        s.FillRectAdd(r, grey);
    else
        s.FillRectSub(r, grey);
}

} // namespace

// ---- Picture lists ---------------------------------------------------------------------------

std::shared_ptr<TNuvoPictureUse> TNuvoPictureUse::Acquire(TPelkCollection& cache, const std::string& name) {
    auto use = std::make_shared<TNuvoPictureUse>(cache);
    use->item_ = cache.Acquire(use.get(), name, false, false);
    return use;
}

TNuvoPictureUse::~TNuvoPictureUse() {
    if (item_) cache_.Release(item_, this);
}

std::shared_ptr<const void> holdBoth(std::shared_ptr<const void> a, std::shared_ptr<const void> b) {
    return std::make_shared<std::pair<std::shared_ptr<const void>, std::shared_ptr<const void>>>(std::move(a),
                                                                                                 std::move(b));
}

TCustomDIBX* TNuvoImageData::Picture(int32_t brightness) {
    TCustomDIBX* own = frame_.Picture.get();
    if (brightness == 0 || !own) return own;
    // A copy is made once per brightness, and again when the cache made the
    // frame's picture anew (after a display change).
    if (copy_ && copyBrightness_ == brightness && madeFrom_ == own && copy_->BitCount() == own->BitCount())
        return copy_.get();
    auto copy = std::make_shared<TDIBX>(std::max(own->Width(), 1), std::max(own->Height(), 1), own->BitCount());
    // The key of the copy is whatever the same operation makes of the key.
    int32_t key = -1;
    if (own->TransparentColor != -1) {
        copy->SetPixel(0, 0, own->TransparentColor);
        applyBrightness(*copy, makeRect(0, 0, 1, 1), brightness);
        key = copy->GetPixel(0, 0);
    }
    copy->Draw(0, 0, *own, makeRect(0, 0, own->Width(), own->Height()), false);
    applyBrightness(*copy, makeRect(0, 0, copy->Width(), copy->Height()), brightness);
    copy->TransparentColor = key;
    copy->ContentAreas = own->ContentAreas;
    copy->OtherAreas = own->OtherAreas;
    copy_ = std::move(copy);
    copyBrightness_ = brightness;
    madeFrom_ = own;
    return copy_.get();
}

TCustomDIBX* TNuvoImageData::Mask() const { return frame_.Mask.get(); }

int32_t TNuvoImageData::Delay() const { return std::max(frame_.Duration, 1); }

void TNuvoImageList::Load(TPelkCollection& cache, const std::string& name) {
    Clear();
    try {
        use_ = TNuvoPictureUse::Acquire(cache, name);
    } catch (const ENuvoError&) {
        return; // a damaged file: no frames
    }
    for (auto& frame : use_->Item().Frames)
        frames_.push_back(std::make_unique<TNuvoImageData>(*frame));
}

void TNuvoImageList::Clear() {
    frames_.clear();
    use_.reset();
}

TCustomDIBX* firstPicture(TNuvoImageList& list) { return list.Count() > 0 ? list.At(0).Picture(0) : nullptr; }

// ---- Afterimage clock ----------------------------------------------------------------------------

bool TAfterimageClock::Due(int32_t span, int32_t delay, int32_t frameMs, const TAfterimageState& now) {
    if (span <= 0 || delay <= 0) {
        primed_ = false;
        timer_ = 0;
        return false;
    }
    if (!primed_) {
        // The state when afterimages start is the first one compared.
        primed_ = true;
        last_ = now;
        timer_ = 0;
    }
    timer_ = wrapAdd(timer_, std::max(frameMs, 0));
    if (timer_ < span) return false;
    timer_ -= span;
    if (timer_ >= span) timer_ = 0;
    if (now == last_) return false;
    last_ = now;
    return true;
}

// ---- The image base --------------------------------------------------------------------------------

TNuvoCustomImage::TNuvoCustomImage(TNuvoBaseList* owner) : TNuvoControl(owner) {
    Surface.SetSize(1, 1, owner ? owner->SurfaceBitCount() : 32);
}

TNuvoCustomImage::~TNuvoCustomImage() = default;

TCustomDIBX* TNuvoCustomImage::GetSurface() const {
    if (surfaceRef_) return surfaceRef_;
    return OwnPicture ? const_cast<TDIBX*>(&Surface) : nullptr;
}

TCustomDIBX* TNuvoCustomImage::GetMask() const {
    if (maskRef_) return maskRef_;
    return Mask.get();
}

void TNuvoCustomImage::SetSurfaceRef(TCustomDIBX* surface, std::shared_ptr<const void> hold) {
    surfaceRef_ = surface;
    hold_ = std::move(hold);
}

void TNuvoCustomImage::SetAlpha(int32_t v) {
    if (v == alpha_) return;
    changeShown(
        *this, [&] { alpha_ = v; }, false);
}

void TNuvoCustomImage::SetZoomX(int32_t v) {
    changeShown(
        *this,
        [&] {
            zoomX_ = clampZoom(v);
            fixedX_ = false;
        },
        true);
    sizeDirty_ = true;
}

void TNuvoCustomImage::SetZoomY(int32_t v) {
    changeShown(
        *this,
        [&] {
            zoomY_ = clampZoom(v);
            fixedY_ = false;
        },
        true);
    sizeDirty_ = true;
}

void TNuvoCustomImage::SetAngle(int32_t v) {
    if (v == angle_) return;
    changeShown(
        *this, [&] { angle_ = v; }, false);
}

void TNuvoCustomImage::SetFlipH(bool v) {
    changeShown(
        *this, [&] { flipH_ = v; }, true);
}

void TNuvoCustomImage::SetFlipV(bool v) {
    changeShown(
        *this, [&] { flipV_ = v; }, true);
}

void TNuvoCustomImage::SetBlurSpan(int32_t v) {
    changeShown(
        *this, [&] { blurSpan_ = v; }, false);
}

void TNuvoCustomImage::SetBlurDelay(int32_t v) {
    changeShown(
        *this, [&] { blurDelay_ = v; }, false);
}

void TNuvoCustomImage::SetPosZoomed(bool v) {
    TNuvoControl::SetPosZoomed(v);
    sizeDirty_ = true;
}

void TNuvoCustomImage::SetWidth(int32_t v) {
    if (!GetMotion() && sizeSetsZoom()) {
        int32_t pw = 0, ph = 0;
        pictureSize(pw, ph);
        zoomX_ = zoomForSize(v, pw, zoomX_);
    }
    if (!GetMotion()) fixedX_ = true;
    TNuvoControl::SetWidth(v);
}

void TNuvoCustomImage::SetHeight(int32_t v) {
    if (!GetMotion() && sizeSetsZoom()) {
        int32_t pw = 0, ph = 0;
        pictureSize(pw, ph);
        zoomY_ = zoomForSize(v, ph, zoomY_);
    }
    if (!GetMotion()) fixedY_ = true;
    TNuvoControl::SetHeight(v);
}

int32_t TNuvoCustomImage::GetOrigWidth() const {
    int32_t w = 0, h = 0;
    pictureSize(w, h);
    return w;
}

int32_t TNuvoCustomImage::GetOrigHeight() const {
    int32_t w = 0, h = 0;
    pictureSize(w, h);
    return h;
}

void TNuvoCustomImage::pictureSize(int32_t& width, int32_t& height) const {
    const TCustomDIBX* picture = GetSurface();
    width = picture ? picture->Width() : 0;
    height = picture ? picture->Height() : 0;
}

void TNuvoCustomImage::setAutoSize(int32_t width, int32_t height) {
    if (width != GetWidth()) TNuvoControl::SetWidth(width);
    if (height != GetHeight()) TNuvoControl::SetHeight(height);
}

namespace {

// A coordinate of this image's picture mapped through its parent's
// scaling, in 16.16 fixed point with a remainder above 32767 rounding up.
int64_t mappedEdge(int64_t v, int64_t d) {
    const int64_t g = v * 65536;
    int64_t e = g / d;
    if (g % d > 32767) ++e;
    return e;
}

} // namespace

void TNuvoCustomImage::UpdateSize() {
    sizeDirty_ = false;
    if (GetMotion()) return;
    int32_t pw = 0, ph = 0;
    pictureSize(pw, ph);
    int64_t width = fixedX_ ? GetWidth() : int64_t{pw} * zoomX_ / 256;
    int64_t height = fixedY_ ? GetHeight() : int64_t{ph} * zoomY_ / 256;
    const TNuvoControl* parent = GetParent();
    if (GetPosZoomed() && parent && !parent->AsBase() && parent->GetSurface() && GetSurface()) {
        // Edges placed as the position is: through the parent's own scaling.
        const TCustomDIBX& ps = *parent->GetSurface();
        const auto axis = [&](bool vertical, int64_t& size) {
            const int32_t zoom = vertical ? zoomY_ : zoomX_;
            const int32_t parentZoom = vertical ? parent->GetZoomY() : parent->GetZoomX();
            const int32_t parentSize = vertical ? parent->GetHeight() : parent->GetWidth();
            if ((vertical ? fixedY_ : fixedX_) || zoom != parentZoom || parentSize == 0) return;
            const int64_t d =
                roundToInt64(static_cast<long double>(vertical ? ps.Height() : ps.Width()) / parentSize * 65536.0L);
            if (d == 0 || d == kInt64Indefinite) return;
            const int64_t start = int64_t{vertical ? GetTop() : GetLeft()} - (vertical ? GetAnchorY() : GetAnchorX());
            size = mappedEdge(start + (vertical ? ph : pw), d) - mappedEdge(start, d);
        };
        axis(false, width);
        axis(true, height);
    }
    if (fixedX_) zoomX_ = sizeSetsZoom() ? zoomForSize(GetWidth(), pw, zoomX_) : zoomX_;
    if (fixedY_) zoomY_ = sizeSetsZoom() ? zoomForSize(GetHeight(), ph, zoomY_) : zoomY_;
    setAutoSize(toInt32(width), toInt32(height));
}

// ---- Drawing -------------------------------------------------------------------------------------

TRect TNuvoCustomImage::GetScreenRect() const {
    const TCustomDIBX* picture = angle_ != 0 ? GetSurface() : nullptr;
    if (!picture) return TNuvoControl::GetScreenRect();
    const TPoint at = GetAnchorScreenPos();
    return TCustomDIBX::RotatedBounds(at.X, at.Y, flipH_, flipV_, picture->Width(), picture->Height(), zoomX_, zoomY_,
                                      angle_, GetAnchorX(), GetAnchorY());
}

void TNuvoCustomImage::Paint() {
    if (TCustomDIBX* target = GetDrawSurface()) {
        preDraw();
        drawPicture(*target);
        postDraw();
    }
    paintChildren();
}

void TNuvoCustomImage::drawPicture(TCustomDIBX& target) {
    TCustomDIBX* picture = GetSurface();
    const int32_t width = GetWidth(), height = GetHeight();
    if (!picture || picture->IsEmpty() || width <= 0 || height <= 0 || !drawsAtAlpha(alpha_)) return;
    TCustomDIBX* mask = GetMask();
    const TRect whole = makeRect(0, 0, picture->Width(), picture->Height());
    if (angle_ != 0) {
        const TPoint at = GetAnchorScreenPos();
        const int32_t pivotX = flipH_ ? wrapSub(wrapSub(picture->Width(), GetAnchorX()), 1) : GetAnchorX();
        const int32_t pivotY = flipV_ ? wrapSub(wrapSub(picture->Height(), GetAnchorY()), 1) : GetAnchorY();
        if (mask)
            target.DrawRotateMask(at.X, at.Y, *picture, whole, *mask, pivotX, pivotY, angle_, zoomX_, zoomY_, alpha_,
                                  flipH_, flipV_);
        else
            target.DrawRotate(at.X, at.Y, *picture, whole, pivotX, pivotY, angle_, zoomX_, zoomY_, alpha_,
                              picture->TransparentColor != -1, flipH_, flipV_);
        return;
    }
    const int32_t x = GetAbsLeft(), y = GetAbsTop();
    if (picture->Width() == width && picture->Height() == height) {
        drawContent(target, x, y, *picture, mask, alpha_, flipH_, flipV_);
        return;
    }
    stretchPicture(target, boundsRect(x, y, width, height), *picture, whole, mask, alpha_, flipH_, flipV_);
}

// ---- Hit testing ----------------------------------------------------------------------------------

bool TNuvoCustomImage::pictureCoordinates(int32_t x, int32_t y, int32_t& px, int32_t& py) const {
    const TCustomDIBX* picture = GetSurface();
    if (!picture) return false;
    const int64_t dx = int64_t{x} - GetAbsLeft(), dy = int64_t{y} - GetAbsTop();
    // A sized axis maps by its size, the others by their zoom (never 0).
    int64_t u, v;
    if (fixedX_) {
        if (GetWidth() <= 0) return false;
        u = dx * picture->Width() / GetWidth();
    } else {
        u = dx * 256 / zoomX_;
    }
    if (fixedY_) {
        if (GetHeight() <= 0) return false;
        v = dy * picture->Height() / GetHeight();
    } else {
        v = dy * 256 / zoomY_;
    }
    if (flipH_) u = int64_t{picture->Width()} - 1 - u;
    if (flipV_) v = int64_t{picture->Height()} - 1 - v;
    if (u < INT32_MIN || u > INT32_MAX || v < INT32_MIN || v > INT32_MAX) return false;
    px = static_cast<int32_t>(u);
    py = static_cast<int32_t>(v);
    return true;
}

bool TNuvoCustomImage::maskAccepts(int32_t px, int32_t py) const {
    const TCustomDIBX* mask = GetMask();
    if (!mask) return true;
    if (px < 0 || py < 0 || px >= mask->Width() || py >= mask->Height()) return false;
    return (mask->GetPixel(px, py) & 0xFF) > 127;
}

TNuvoControl* TNuvoCustomImage::HitTest(int32_t x, int32_t y, uint8_t accepted) {
    if (!GetVisible() || !GetScreenRect().contains(x, y)) return nullptr;
    for (size_t i = Children().size(); i-- > 0;)
        if (TNuvoControl* hit = Children()[i]->HitTest(x, y, accepted)) return hit;
    if (!AcceptsMouse(accepted)) return nullptr;
    if (angle_ != 0) {
        // Turned back around the anchor, the point meets the upright picture.
        const TPoint at = GetAnchorScreenPos();
        const double a = -static_cast<double>(angle_) * 2.0 * std::numbers::pi / 256.0;
        const double ux = double(x) - at.X, uy = double(y) - at.Y;
        const double rx = at.X + ux * std::cos(a) - uy * std::sin(a);
        const double ry = at.Y + ux * std::sin(a) + uy * std::cos(a);
        x = roundToInt32(rx);
        y = roundToInt32(ry);
    }
    if (!TNuvoControl::GetScreenRect().contains(x, y)) return nullptr;
    if (captureMask_ && GetMask()) {
        int32_t px = 0, py = 0;
        if (!pictureCoordinates(x, y, px, py) || !maskAccepts(px, py)) return nullptr;
    }
    return this;
}

// ---- Ticks and afterimages ---------------------------------------------------------------------------

bool TNuvoCustomImage::Tick() {
    if (TNuvoControl::Tick()) return true;
    if (tickPicture()) return true;
    if (sizeDirty_) UpdateSize();
    if (blurClock_.Due(blurSpan_, blurDelay_, frameTime(*this), afterimageState())) makeAfterimage();
    return false;
}

TAfterimageState TNuvoCustomImage::afterimageState() const {
    TAfterimageState s;
    s.Index = GetIndex();
    s.Left = GetMotion() ? GetMotionX() : GetLeft();
    s.Top = GetMotion() ? GetMotionY() : GetTop();
    s.Angle = angle_;
    s.ZoomX = zoomX_;
    s.ZoomY = zoomY_;
    s.ScrollX = GetScrollX();
    s.ScrollY = GetScrollY();
    return s;
}

void TNuvoCustomImage::copyLookTo(TNuvoCustomImage& copy) const {
    copy.SetBounds(GetMotion() ? GetMotionX() : GetLeft(), GetMotion() ? GetMotionY() : GetTop(), GetWidth(),
                   GetHeight());
    copy.fixedX_ = copy.fixedY_ = true;
    copy.SetAnchorX(GetAnchorX());
    copy.SetAnchorY(GetAnchorY());
    copy.SetPosZoomed(GetPosZoomed());
    copy.angle_ = angle_;
    copy.zoomX_ = zoomX_;
    copy.zoomY_ = zoomY_;
    copy.flipH_ = flipH_;
    copy.flipV_ = flipV_;
    copy.SetPlusX(GetPlusX());
    copy.SetPlusY(GetPlusY());
    copy.SetClipLeft(GetClipLeft());
    copy.SetClipTop(GetClipTop());
    copy.SetClipWidth(GetClipWidth());
    copy.SetClipHeight(GetClipHeight());
    copy.SetSurfaceRef(GetSurface(), hold_);
    copy.SetMaskRef(GetMask());
    copy.sizeDirty_ = false;
}

void TNuvoCustomImage::makeAfterimage() {
    TNuvoBaseList* registry = Owner();
    if (!registry || !GetParent()) return;
    auto* copy = registry->Create<TNuvoBlurImage>(*this);
    copy->AssignName(registry->UniqueName(Name()));
    copy->SetPriority(wrapSub(GetPriority(), 1));
    copyLookTo(*copy);
    copy->StartFade(alpha_, blurDelay_);
    copy->SetParent(GetParent());
}

// ---- Save record ----------------------------------------------------------------------------------------

void TNuvoCustomImage::SaveToStream(TStream& s) const {
    TNuvoControl::SaveToStream(s);
    WriteInt(s, alpha_);
    WriteInt(s, zoomX_);
    WriteInt(s, angle_);
    WriteBool(s, flipH_);
    WriteBool(s, flipV_);
    WriteBool(s, captureMask_);
    WriteInt(s, zoomY_);
    WriteInt(s, blurSpan_);
    WriteInt(s, blurDelay_);
}

void TNuvoCustomImage::LoadFromStream(TStream& s, int32_t version) {
    TNuvoControl::LoadFromStream(s, version);
    alpha_ = ReadIntChecked(s);
    const int32_t zoomX = ReadIntChecked(s);
    angle_ = ReadIntChecked(s);
    flipH_ = ReadBoolChecked(s);
    flipV_ = ReadBoolChecked(s);
    captureMask_ = ReadBoolChecked(s);
    int32_t zoomY = zoomX;
    if (version > 103) zoomY = ReadIntChecked(s);
    if (version >= 140) {
        blurSpan_ = ReadIntChecked(s);
        blurDelay_ = ReadIntChecked(s);
    }
    // A zoom below 1 was an explicitly sized axis.
    zoomX_ = clampZoom(zoomX);
    zoomY_ = clampZoom(zoomY);
    fixedX_ = zoomX < 1;
    fixedY_ = zoomY < 1;
}

void TNuvoCustomImage::ReleaseSurfaces() {
    // The own picture is plain memory, which a display change leaves alone
    // (a flip's snapshot keeps showing the outgoing screen).
    TNuvoControl::ReleaseSurfaces();
}

void TNuvoCustomImage::RestoreSurfaces() {
    const int bitCount = Owner() ? Owner()->SurfaceBitCount() : 32;
    if (Surface.BitCount() != bitCount) Surface.SetBitCount(bitCount);
    TNuvoControl::RestoreSurfaces();
}

// ---- Afterimages ------------------------------------------------------------------------------------------

TNuvoBlurImage::TNuvoBlurImage(TNuvoBaseList* owner, TNuvoCustomImage& source)
    : TNuvoCustomImage(owner), source_(&source) {
    SetIgnoreMouse(IM_ALL);
}

int32_t TAfterimageFade::Start(int32_t mode, int32_t level, int32_t delay) {
    mode_ = mode;
    level_ = level;
    delay_ = std::max(delay, 1);
    elapsed_ = 0;
    return wrapAdd(mode_, level_);
}

int32_t TAfterimageFade::Advance(int32_t frameMs) {
    elapsed_ = wrapAdd(elapsed_, std::max(frameMs, 0));
    if (elapsed_ >= delay_ || elapsed_ < 0) return -1;
    const long double left = static_cast<long double>(delay_ - elapsed_) / delay_;
    return wrapAdd(mode_, roundToInt32(level_ * left));
}

void TNuvoBlurImage::StartFade(int32_t alpha, int32_t delay) {
    const int32_t level = alpha % 256;
    SetAlpha(fade_.Start(wrapSub(alpha, level), level / 2, delay));
}

bool TNuvoBlurImage::Tick() {
    const int32_t alpha = fade_.Advance(frameTime(*this));
    if (alpha < 0 || !GetSurface()) return true;
    SetAlpha(alpha);
    return false;
}

void TNuvoBlurImage::ReleaseSurfaces() {
    // The pictures it shows may be made anew: it ends at its next tick.
    SetSurfaceRef(nullptr);
    SetMaskRef(nullptr);
    TNuvoCustomImage::ReleaseSurfaces();
}

// ---- The single picture --------------------------------------------------------------------------------------

void TNuvoImage::SetSource(std::string_view name) {
    if (name == source_) return;
    source_ = name;
    list_.Clear();
    TPelkCollection* cache = Owner() && Owner()->Host ? Owner()->Host->PictureCache() : nullptr;
    if (cache && !source_.empty()) list_.Load(*cache, source_);
    show();
}

void TNuvoImage::SetBrightness(int32_t v) {
    v = std::clamp(v, 0, 255);
    if (v == brightness_) return;
    brightness_ = v;
    show();
}

void TNuvoImage::show() {
    Invalidate();
    if (list_.Count() == 0) {
        SetSurfaceRef(nullptr);
        SetMaskRef(nullptr);
    } else {
        TNuvoImageData& frame = list_.At(0);
        TCustomDIBX* picture = frame.Picture(brightness_ - 255);
        SetSurfaceRef(picture, holdBoth(list_.Use(), frame.Copy()));
        SetMaskRef(frame.Mask());
    }
    UpdateSize();
    Invalidate();
}

void TNuvoImage::SaveToStream(TStream& s) const {
    TNuvoCustomImage::SaveToStream(s);
    WriteStr(s, source_);
    WriteInt(s, brightness_);
}

void TNuvoImage::LoadFromStream(TStream& s, int32_t version) {
    TNuvoCustomImage::LoadFromStream(s, version);
    const std::string source = ReadStrChecked(s);
    brightness_ = std::clamp(ReadIntChecked(s), 0, 255);
    source_.clear();
    SetSource(source);
}

void TNuvoImage::RestoreSurfaces() {
    TNuvoCustomImage::RestoreSurfaces();
    show();
}

} // namespace nuvo
