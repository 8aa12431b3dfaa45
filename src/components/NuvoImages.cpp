#include "components/NuvoImages.h"

#include "base/Cp932.h"
#include "base/IntMath.h"
#include "base/StreamIO.h"
#include "components/NuvoBaseList.h"
#include "components/PictureDraw.h"
#include "render/PelkCache.h"
#include "script/NuvoParser.h"
#include "script/ScriptContext.h"

#include <algorithm>

namespace nuvo {

namespace {

constexpr uint8_t kPlayEndRaised = 1;
constexpr uint8_t kFixedX = 2;
constexpr uint8_t kFixedY = 4;

bool endsWithNoCase(std::string_view s, std::string_view tail) {
    if (s.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i) {
        char c = s[s.size() - tail.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != tail[i]) return false;
    }
    return true;
}

int32_t saturatingAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{a} + b, INT32_MIN, INT32_MAX));
}

int64_t floorMod(int64_t a, int64_t m) {
    const int64_t r = a % m;
    return r < 0 ? r + m : r;
}

TPelkCollection* pictureCache(const TNuvoObject& o) {
    return o.Owner() && o.Owner()->Host ? o.Owner()->Host->PictureCache() : nullptr;
}

} // namespace

bool isLayeredImageName(std::string_view name) { return endsWithNoCase(pelkFileName(std::string(name)), ".pel"); }
bool isFilmName(std::string_view name) { return endsWithNoCase(name, ".nmt"); }

// ---- Multi-frame base ------------------------------------------------------------------------------

TNuvoCustomImages::TNuvoCustomImages(TNuvoBaseList* owner) : TNuvoCustomImage(owner) {}
TNuvoCustomImages::~TNuvoCustomImages() = default;

void TNuvoCustomImages::SetLoopWait(std::unique_ptr<TNuvoParser> expression) { loopWait_ = std::move(expression); }

void TNuvoCustomImages::TakeExpression(int32_t property, std::unique_ptr<TNuvoParser> expression) {
    if (property == PR_DELAY) SetLoopWait(std::move(expression));
}

int32_t TNuvoCustomImages::loopWaitValue() {
    if (!loopWait_ || loopWait_->Operations().empty() || !Owner() || !Owner()->Host) return 0;
    ScriptContext* script = Owner()->Host->Script();
    if (!script) return 0;
    loopWait_->Execute(*script);
    const TCustomParam* value = loopWait_->Result();
    return value ? value->AsInteger() : 0;
}

void TNuvoCustomImages::applyFrame(int32_t i) {
    TNuvoImageList* list = pictures();
    const TCustomDIBX* oldPicture = GetSurface();
    const TCustomDIBX* oldMask = GetMask();
    const int32_t oldWidth = GetWidth(), oldHeight = GetHeight();
    if (list && i >= 0 && i < list->Count()) {
        TNuvoImageData& frame = list->At(i);
        TCustomDIBX* picture = frame.Picture(brightness_);
        SetSurfaceRef(picture, brightness_ == 0 ? std::shared_ptr<const void>(list->Use())
                                                : holdBoth(list->Use(), frame.Copy()));
        SetMaskRef(frame.Mask());
        pictureWidth_ = picture ? picture->Width() : 0;
        pictureHeight_ = picture ? picture->Height() : 0;
    } else {
        SetSurfaceRef(nullptr);
        SetMaskRef(nullptr);
    }
    frameIndex_ = i;
    if (GetSurface() == oldPicture && GetMask() == oldMask) return; // the same picture again
    // Both the area left and the area taken are repainted.
    const TRect before = GetScreenRect();
    if (!GetMotion()) UpdateSize();
    if (TNuvoBase* base = GetBase(); base && GetVisible() && (GetWidth() != oldWidth || GetHeight() != oldHeight)) {
        TRect r = before;
        if (IntersectsVisible(r)) base->AddDirtyRect(r);
    }
    Invalidate();
}

void TNuvoCustomImages::ShowFrame(int32_t i) {
    applyFrame(i);
    TNuvoImageList* list = pictures();
    if (!list || i < 0 || i >= list->Count()) return;
    FrameWait = saturatingAdd(FrameWait, list->At(i).Delay());
    if (i == list->Count() - 1 && list->Count() > 1) FrameWait = saturatingAdd(FrameWait, loopWaitValue());
}

void TNuvoCustomImages::restartFrames() {
    FrameWait = 0;
    flags_ &= static_cast<uint8_t>(~kPlayEndRaised);
    TNuvoImageList* list = pictures();
    if (list && list->Count() > 0) {
        ShowFrame(0);
        return;
    }
    // No frames: no picture and no size.
    pictureWidth_ = pictureHeight_ = 0;
    Invalidate();
    SetSurfaceRef(nullptr);
    SetMaskRef(nullptr);
    frameIndex_ = 0;
    setFixedAxes(false, false);
    setAutoSize(0, 0);
}

void TNuvoCustomImages::SetIndex(int32_t i) {
    if (TNuvoMotion* motion = GetMotion()) {
        motion->ElapsedMs = roundToInt32(static_cast<long double>(i) * TNuvoMotion::kFrameMs);
        return;
    }
    FrameWait = 0;
    flags_ &= static_cast<uint8_t>(~kPlayEndRaised);
    ShowFrame(i);
}

int32_t TNuvoCustomImages::GetCount() const {
    if (TNuvoMotion* motion = GetMotion()) return motion->Film().Length();
    const TNuvoImageList* list = pictures();
    return list ? list->Count() : 0;
}

void TNuvoCustomImages::SetBrightness(int32_t v) {
    if (v == brightness_) return;
    brightness_ = v;
    applyFrame(frameIndex_);
}

bool TNuvoCustomImages::GetPlaying() const {
    if (TNuvoMotion* motion = GetMotion()) return !motion->Finished && !paused_ && !GetAniPaused();
    const int32_t count = GetCount();
    if (count == 0) return false;
    return !(frameIndex_ == count - 1 && !GetRepeat() && FrameWait < 1);
}

void TNuvoCustomImages::pictureSize(int32_t& width, int32_t& height) const {
    // The last picture shown: an index outside the list keeps the size.
    width = pictureWidth_;
    height = pictureHeight_;
}

bool TNuvoCustomImages::tickPicture() {
    TNuvoImageList* list = pictures();
    if (GetMotion() || !list) return false;
    const int32_t count = list->Count();
    if (frameIndex_ < 0 || frameIndex_ >= count || !GetVisible() || paused_ || GetAniPaused()) return false;
    FrameWait = saturatingAdd(FrameWait, -std::max(Owner() ? Owner()->FrameDelta : 0, 0));
    // Every frame shown adds at least 1; a negative LoopWait can only hold
    // the loop for a round of the frames, so a bound keeps one tick finite.
    for (int32_t round = 0; FrameWait < 1 && round <= 2 * count + 2; ++round) {
        if (frameIndex_ < count - 1) {
            if (count <= 2) FrameWait = 0;
            ShowFrame(frameIndex_ + 1);
        } else if (GetRepeat()) {
            FrameWait = 0;
            ShowFrame(0);
        } else if (GetAutoScrap()) {
            return true;
        } else {
            if (!(flags_ & kPlayEndRaised)) {
                flags_ |= kPlayEndRaised;
                RaiseEvent(PR_ONPLAYEND);
            }
            FrameWait = 0;
            break;
        }
    }
    return false;
}

void TNuvoCustomImages::SaveToStream(TStream& s) const {
    TNuvoCustomImage::SaveToStream(s);
    WriteInt(s, FrameWait);
    WriteInt(s, frameIndex_);
    WriteInt(s, brightness_);
    uint8_t flags = flags_ & kPlayEndRaised;
    if (!AutoSizedX()) flags |= kFixedX;
    if (!AutoSizedY()) flags |= kFixedY;
    WriteByte(s, flags);
    if (loopWait_)
        loopWait_->SaveToStream(s);
    else
        TNuvoParser().SaveToStream(s);
}

void TNuvoCustomImages::LoadFromStream(TStream& s, int32_t version) {
    TNuvoCustomImage::LoadFromStream(s, version);
    savedFrameWait_ = ReadIntChecked(s);
    frameIndex_ = ReadIntChecked(s);
    brightness_ = ReadIntChecked(s);
    flags_ = ReadByteChecked(s);
    auto loopWait = std::make_unique<TNuvoParser>();
    loopWait->LoadFromStream(s);
    loopWait_ = loopWait->Operations().empty() ? nullptr : std::move(loopWait);
    setFixedAxes(!AutoSizedX() || (flags_ & kFixedX), !AutoSizedY() || (flags_ & kFixedY));
}

void TNuvoCustomImages::restoreAfterLoad(int32_t savedWidth, int32_t savedHeight) {
    const int32_t index = frameIndex_;
    const bool fixedX = !AutoSizedX(), fixedY = !AutoSizedY();
    const uint8_t raised = flags_ & kPlayEndRaised;
    applyFrame(index);
    FrameWait = savedFrameWait_;
    flags_ = raised;
    setFixedAxes(fixedX, fixedY);
    // The record's size is what was shown.
    setAutoSize(savedWidth, savedHeight);
}

void TNuvoCustomImages::RestoreSurfaces() {
    TNuvoCustomImage::RestoreSurfaces();
    SetSurfaceRef(nullptr);
    SetMaskRef(nullptr);
    applyFrame(frameIndex_);
}

// ---- Images -----------------------------------------------------------------------------------------

void TNuvoImages::SetSource(std::string_view name) {
    if (name == source_) return;
    source_ = name;
    if (isFilmName(name)) {
        StartMotion(name);
        return;
    }
    list_.Clear();
    if (TPelkCollection* cache = pictureCache(*this); cache && isLayeredImageName(name)) list_.Load(*cache, source_);
    restartFrames();
}

void TNuvoImages::SaveToStream(TStream& s) const {
    TNuvoCustomImages::SaveToStream(s);
    WriteBool(s, repeat_);
    WriteBool(s, autoScrap_);
    WriteStr(s, source_);
    WriteStr(s, onIdle_);
    WriteStr(s, onPlayEnd_);
}

void TNuvoImages::LoadFromStream(TStream& s, int32_t version) {
    TNuvoCustomImages::LoadFromStream(s, version);
    const int32_t width = GetWidth(), height = GetHeight();
    repeat_ = ReadBoolChecked(s);
    autoScrap_ = ReadBoolChecked(s);
    const std::string source = ReadStrChecked(s);
    onIdle_ = ReadStrChecked(s);
    if (version > 103) onPlayEnd_ = ReadStrChecked(s);
    source_ = source;
    list_.Clear();
    if (isFilmName(source))
        StartMotion(source);
    else if (TPelkCollection* cache = pictureCache(*this); cache && isLayeredImageName(source))
        list_.Load(*cache, source);
    restoreAfterLoad(width, height);
}

// ---- Tiles -------------------------------------------------------------------------------------------

void TNuvoTile::SetSource(std::string_view name) {
    if (name == source_) return;
    source_ = name;
    if (isFilmName(name)) {
        StartMotion(name);
        return;
    }
    list_.Clear();
    if (TPelkCollection* cache = pictureCache(*this); cache && isLayeredImageName(name)) list_.Load(*cache, source_);
    restartFrames();
}

void TNuvoTile::SetScrollX(int32_t v) {
    if (v == scrollX_) return;
    changeShown(
        *this, [&] { scrollX_ = v; }, true);
}
void TNuvoTile::SetScrollY(int32_t v) {
    if (v == scrollY_) return;
    changeShown(
        *this, [&] { scrollY_ = v; }, true);
}
void TNuvoTile::SetDistanceX(int32_t v) {
    changeShown(
        *this, [&] { distanceX_ = v; }, false);
}
void TNuvoTile::SetDistanceY(int32_t v) {
    changeShown(
        *this, [&] { distanceY_ = v; }, false);
}

int32_t TNuvoTile::axisPosition(bool vertical) const {
    int32_t c = vertical ? GetTop() : GetLeft();
    if (GetMotion()) c = vertical ? GetMotionY() : GetMotionX();
    c = wrapAdd(c, vertical ? GetPlusY() : GetPlusX());
    const TNuvoControl* parent = GetParent();
    if (!parent) return c;
    const int32_t parentAbs = vertical ? parent->GetAbsTop() : parent->GetAbsLeft();
    const int32_t parentScroll = vertical ? parent->GetScrollY() : parent->GetScrollX();
    return wrapAdd(wrapSub(parentAbs, parentScroll), c);
}

int32_t TNuvoTile::GetAbsLeft() const { return axisPosition(false); }
int32_t TNuvoTile::GetAbsTop() const { return axisPosition(true); }

void TNuvoTile::drawPicture(TCustomDIBX& target) {
    TCustomDIBX* picture = GetSurface();
    const int32_t alpha = GetAlpha(), zoomX = GetZoomX(), zoomY = GetZoomY();
    if (!picture || picture->IsEmpty() || !drawsAtAlpha(alpha) || GetWidth() <= 0 || GetHeight() <= 0 || zoomX <= 0 ||
        zoomY <= 0)
        return;
    TCustomDIBX* mask = GetMask();
    const bool key = picture->TransparentColor != -1;
    const bool flipH = GetFlipH(), flipV = GetFlipV();
    const TRect rect = boundsRect(GetAbsLeft(), GetAbsTop(), GetWidth(), GetHeight());
    const int32_t pw = picture->Width(), ph = picture->Height();
    const TRect whole = makeRect(0, 0, pw, ph);

    if ((distanceX_ <= 0 || distanceX_ < pw) && (distanceY_ <= 0 || distanceY_ < ph)) {
        // Seamless: every pixel of the rectangle shows the picture.
        if (zoomX == 256 && zoomY == 256 && alpha == 255 && !key && !mask)
            target.FillTiled(rect, *picture, flipH, flipV, scrollX_, scrollY_);
        else if (mask)
            target.FillTiledStretchMask(rect, *picture, *mask, flipH, flipV, scrollX_, scrollY_, zoomX, zoomY, alpha);
        else
            target.FillTiledStretch(rect, *picture, flipH, flipV, scrollX_, scrollY_, zoomX, zoomY, alpha, key);
        return;
    }
    const int32_t pitchX = distanceX_ > 0 ? distanceX_ : pw;
    const int32_t pitchY = distanceY_ > 0 ? distanceY_ : ph;
    if (picture->ContentAreas.empty() || zoomX != 256 || zoomY != 256) {
        const int32_t gapX = wrapSub(pitchX, pw), gapY = wrapSub(pitchY, ph);
        if (mask)
            target.TileStretchDrawMask(rect, *picture, whole, *mask, scrollX_, scrollY_, gapX, gapY, zoomX, zoomY,
                                       alpha, flipH, flipV);
        else
            target.TileStretchDraw(rect, *picture, whole, scrollX_, scrollY_, gapX, gapY, zoomX, zoomY, alpha, key,
                                   flipH, flipV);
        return;
    }
    // The content areas only, at every pitch position that reaches the area.
    const TRect area = intersectRect(rect, target.EffectiveClip());
    if (area.isEmpty()) return;
    const TRect saved = target.ClipRect;
    target.ClipRect = area;
    const int64_t startX = int64_t{rect.Left} - floorMod(scrollX_, pitchX);
    const int64_t startY = int64_t{rect.Top} - floorMod(scrollY_, pitchY);
    const int64_t skipX = std::max<int64_t>(0, (area.Left - startX - pw) / pitchX);
    const int64_t skipY = std::max<int64_t>(0, (area.Top - startY - ph) / pitchY);
    for (int64_t y = startY + skipY * pitchY; y < area.Bottom; y += pitchY)
        for (int64_t x = startX + skipX * pitchX; x < area.Right; x += pitchX)
            for (const TRect& content : picture->ContentAreas) {
                const TRect r = intersectRect(content, whole);
                if (r.isEmpty()) continue;
                const int64_t dx = flipH ? pw - r.Right : r.Left;
                const int64_t dy = flipV ? ph - r.Bottom : r.Top;
                drawBlock(target, static_cast<int32_t>(x + dx), static_cast<int32_t>(y + dy), *picture, r, mask, alpha,
                          flipH, flipV);
            }
    target.ClipRect = saved;
}

bool TNuvoTile::pictureCoordinates(int32_t x, int32_t y, int32_t& px, int32_t& py) const {
    const TCustomDIBX* picture = GetSurface();
    if (!picture || picture->IsEmpty()) return false;
    // Tile coordinates: the point in the zoomed pattern, wrapped to the pitch.
    const int64_t pitchX = distanceX_ > 0 ? distanceX_ : picture->Width();
    const int64_t pitchY = distanceY_ > 0 ? distanceY_ : picture->Height();
    const int64_t u = floorMod((int64_t{x} - GetAbsLeft()) * 256 / GetZoomX() + scrollX_, pitchX);
    const int64_t v = floorMod((int64_t{y} - GetAbsTop()) * 256 / GetZoomY() + scrollY_, pitchY);
    px = static_cast<int32_t>(GetFlipH() ? picture->Width() - 1 - u : u);
    py = static_cast<int32_t>(GetFlipV() ? picture->Height() - 1 - v : v);
    return true;
}

void TNuvoTile::copyTileLookTo(TNuvoTile& copy) const {
    copyLookTo(copy);
    copy.scrollX_ = scrollX_;
    copy.scrollY_ = scrollY_;
    copy.distanceX_ = distanceX_;
    copy.distanceY_ = distanceY_;
}

void TNuvoTile::makeAfterimage() {
    TNuvoBaseList* registry = Owner();
    if (!registry || !GetParent()) return;
    auto* copy = registry->Create<TNuvoBlurTile>(*this);
    copy->AssignName(registry->UniqueName(Name()));
    copy->SetPriority(wrapSub(GetPriority(), 1));
    copyTileLookTo(*copy);
    copy->StartFade(GetAlpha(), GetBlurDelay());
    copy->SetParent(GetParent());
}

void TNuvoTile::SaveToStream(TStream& s) const {
    TNuvoCustomImages::SaveToStream(s);
    WriteInt(s, scrollX_);
    WriteInt(s, scrollY_);
    WriteInt(s, distanceX_);
    WriteInt(s, distanceY_);
    WriteStr(s, source_);
    WriteStr(s, onIdle_);
}

void TNuvoTile::LoadFromStream(TStream& s, int32_t version) {
    TNuvoCustomImages::LoadFromStream(s, version);
    const int32_t width = GetWidth(), height = GetHeight();
    scrollX_ = ReadIntChecked(s);
    scrollY_ = ReadIntChecked(s);
    distanceX_ = ReadIntChecked(s);
    distanceY_ = ReadIntChecked(s);
    const std::string source = ReadStrChecked(s);
    onIdle_ = ReadStrChecked(s);
    source_ = source;
    list_.Clear();
    if (isFilmName(source))
        StartMotion(source);
    else if (TPelkCollection* cache = pictureCache(*this); cache && isLayeredImageName(source))
        list_.Load(*cache, source);
    restoreAfterLoad(width, height);
}

TNuvoBlurTile::TNuvoBlurTile(TNuvoBaseList* owner, TNuvoTile& source) : TNuvoTile(owner), source_(&source) {
    SetIgnoreMouse(IM_ALL);
}

void TNuvoBlurTile::StartFade(int32_t alpha, int32_t delay) {
    const int32_t level = alpha % 256;
    SetAlpha(fade_.Start(wrapSub(alpha, level), level / 2, delay));
}

bool TNuvoBlurTile::Tick() {
    const int32_t alpha = fade_.Advance(Owner() ? Owner()->FrameDelta : 0);
    if (alpha < 0 || !GetSurface()) return true;
    SetAlpha(alpha);
    return false;
}

void TNuvoBlurTile::ReleaseSurfaces() {
    SetSurfaceRef(nullptr);
    SetMaskRef(nullptr);
    TNuvoTile::ReleaseSurfaces();
}

} // namespace nuvo
