#include "components/NuvoValueControls.h"

#include "base/IntMath.h"
#include "base/StreamIO.h"
#include "components/NuvoBase.h"
#include "components/NuvoBaseList.h"
#include "components/PictureDraw.h"
#include "render/PelkCache.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace nuvo {

namespace {

constexpr int32_t kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28;
constexpr int32_t kFirstRepeat = 300, kNextRepeat = 50;

int32_t clamp32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Covers dest (within the surface's clip) with copies of cell, laid on a grid
// through (originX, originY); each copy is mirrored as asked.
void tileCells(TCustomDIBX& target, const TRect& dest, TCustomDIBX& picture, const TRect& cell, TCustomDIBX* mask,
               int32_t alpha, int64_t originX, int64_t originY, bool flipH, bool flipV) {
    const int64_t cw = cell.Width(), ch = cell.Height();
    if (cw <= 0 || ch <= 0 || !drawsAtAlpha(alpha)) return;
    const TRect clip = intersectRect(dest, target.EffectiveClip());
    if (clip.isEmpty()) return;
    const TRect saved = target.ClipRect;
    target.ClipRect = clip;
    const int64_t x0 = originX + floorDiv(clip.Left - originX, cw) * cw;
    const int64_t y0 = originY + floorDiv(clip.Top - originY, ch) * ch;
    for (int64_t y = y0; y < clip.Bottom; y += ch)
        for (int64_t x = x0; x < clip.Right; x += cw)
            drawBlock(target, static_cast<int32_t>(x), static_cast<int32_t>(y), picture, cell, mask, alpha, flipH,
                      flipV);
    target.ClipRect = saved;
}

// Whether a mask lets the point through (no mask: everywhere).
bool maskPasses(TCustomDIBX* mask, int32_t x, int32_t y) {
    if (!mask) return true;
    if (x < 0 || y < 0 || x >= mask->Width() || y >= mask->Height()) return false;
    return (mask->GetPixel(x, y) & 0xFF) > 127;
}

TRect sized(int64_t left, int64_t top, int32_t width, int32_t height) {
    const int32_t l = clamp32(left), t = clamp32(top);
    return makeRect(l, t, clamp32(int64_t{l} + width), clamp32(int64_t{t} + height));
}

} // namespace

int32_t limitValue(int64_t value, int32_t min, int32_t max) {
    if (max < min) return min;
    return static_cast<int32_t>(std::clamp<int64_t>(value, min, max));
}

int32_t clampRound(long double x) {
    if (std::isnan(x)) return 0;
    x = std::clamp<long double>(x, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(roundToInt64(x));
}

void TValuePicture::Load(TNuvoObject& owner, const std::string& name) {
    list_.Clear();
    TPelkCollection* cache = owner.Owner() && owner.Owner()->Host ? owner.Owner()->Host->PictureCache() : nullptr;
    if (cache && !name.empty()) list_.Load(*cache, name);
}

// ---- Slider and scrollbar ----------------------------------------------------------------------------

TNuvoCustomSlider::TNuvoCustomSlider(TNuvoBaseList* owner) : TNuvoControl(owner) {}

void TNuvoCustomSlider::SetSource(std::string_view v) {
    source_ = v;
    track_.Load(*this, source_);
    updateSize();
}

void TNuvoCustomSlider::SetThumbSource(std::string_view v) {
    thumbSource_ = v;
    thumb_.Load(*this, thumbSource_);
    updateSize();
}

void TNuvoCustomSlider::SetButtonSource(std::string_view v) {
    buttonSource_ = v;
    buttons_.Load(*this, buttonSource_);
    updateSize();
}

void TNuvoCustomSlider::SetOrientation(int32_t v) {
    orientation_ = static_cast<uint8_t>(v);
    updateSize();
}

void TNuvoCustomSlider::SetBarSize(int32_t v) {
    barSize_ = v;
    updateSize();
}

void TNuvoCustomSlider::SetMin(int32_t v) {
    min_ = v;
    updateThumbOffset();
}

void TNuvoCustomSlider::SetMax(int32_t v) {
    max_ = v;
    updateThumbOffset();
}

void TNuvoCustomSlider::SetValue(int32_t v) {
    value_ = v;
    updateThumbOffset();
}

void TNuvoCustomSlider::SetAlpha(int32_t v) {
    if (v == alpha_) return;
    changeShown(*this, [&] { alpha_ = v; });
}

void TNuvoCustomSlider::RestoreSurfaces() {
    TNuvoControl::RestoreSurfaces();
    track_.Load(*this, source_);
    thumb_.Load(*this, thumbSource_);
    buttons_.Load(*this, buttonSource_);
    updateSize();
}

void TNuvoCustomSlider::updateSize() {
    const int32_t pw = track_.Width() / 2, ph = track_.Height();
    thumbW_ = thumb_.Width() / 3;
    thumbH_ = thumb_.Height();
    buttonW_ = buttons_.Width() / 6;
    buttonH_ = buttons_.Height();
    trackLength_ = vertical() ? ph : pw;
    trackThickness_ = vertical() ? pw : ph;
    if (barSize_ > 0) trackLength_ = barSize_;
    int64_t width = 0, height = 0;
    if (track_.Picture()) {
        const int64_t thumbAlong = isScrollbar() ? 0 : (vertical() ? thumbH_ : thumbW_);
        if (vertical()) {
            width = std::max({trackThickness_, thumbW_, buttonW_});
            height = int64_t{trackLength_} + thumbAlong + 2 * int64_t{buttonH_};
        } else {
            width = int64_t{trackLength_} + thumbAlong + 2 * int64_t{buttonW_};
            height = std::max({trackThickness_, thumbH_, buttonH_});
        }
    }
    changeShown(
        *this,
        [&] {
            SetWidth(clamp32(width));
            SetHeight(clamp32(height));
        },
        true);
    updateThumbOffset();
}

void TNuvoCustomSlider::updateThumbOffset() {
    int32_t offset = 0;
    if (max_ > min_) {
        const int64_t span = isScrollbar() ? int64_t{trackLength_} - thumbLength() : trackLength_;
        if (span > 0) {
            const long double part =
                static_cast<long double>(int64_t{GetValue()} - min_) / (int64_t{max_} - min_);
            offset = clampRound(part * span);
        }
    }
    if (offset == thumbOffset_) return;
    changeShown(*this, [&] { thumbOffset_ = offset; });
}

TRect TNuvoCustomSlider::TrackRect() const {
    const int64_t l = GetAbsLeft(), t = GetAbsTop();
    const int32_t tw = vertical() ? trackThickness_ : trackLength_;
    const int32_t th = vertical() ? trackLength_ : trackThickness_;
    const int64_t lead = isScrollbar() ? 0 : (vertical() ? thumbH_ / 2 : thumbW_ / 2);
    if (vertical()) return sized(l + (int64_t{GetWidth()} - tw) / 2, t + buttonH_ + lead, tw, th);
    return sized(l + buttonW_ + lead, t + (int64_t{GetHeight()} - th) / 2, tw, th);
}

TRect TNuvoCustomSlider::ThumbRect() const {
    const int64_t l = GetAbsLeft(), t = GetAbsTop();
    if (!vertical()) return sized(l + buttonW_ + thumbOffset_, t + (int64_t{GetHeight()} - thumbH_) / 2, thumbW_, thumbH_);
    const int64_t x = l + (int64_t{GetWidth()} - thumbW_) / 2;
    if (isScrollbar()) return sized(x, t + buttonH_ + thumbOffset_, thumbW_, thumbH_);
    return sized(x, t + buttonH_ + trackLength_ - int64_t{thumbOffset_}, thumbW_, thumbH_);
}

TRect TNuvoCustomSlider::ButtonRect(int i) const {
    const int64_t l = GetAbsLeft(), t = GetAbsTop();
    if (vertical()) {
        const int64_t x = l + (int64_t{GetWidth()} - buttonW_) / 2;
        return sized(x, i == 0 ? t : t + GetHeight() - int64_t{buttonH_}, buttonW_, buttonH_);
    }
    const int64_t y = t + (int64_t{GetHeight()} - buttonH_) / 2;
    return sized(i == 0 ? l : l + GetWidth() - int64_t{buttonW_}, y, buttonW_, buttonH_);
}

bool TNuvoCustomSlider::onTrack(int32_t x, int32_t y) {
    const TRect r = TrackRect();
    if (!r.contains(x, y) || !track_.Picture()) return false;
    // Read in the left half, on the tiles laid from the track's start.
    const int32_t cw = track_.Width() / 2, ch = track_.Height();
    if (cw <= 0 || ch <= 0) return false;
    const int64_t dx = int64_t{x} - r.Left;
    const int64_t dy = vertical() ? int64_t{y} - r.Bottom : int64_t{y} - r.Top;
    return maskPasses(track_.Mask(), static_cast<int32_t>(((dx % cw) + cw) % cw),
                      static_cast<int32_t>(((dy % ch) + ch) % ch));
}

bool TNuvoCustomSlider::onThumb(int32_t x, int32_t y) {
    const TRect r = ThumbRect();
    if (!r.contains(x, y) || !thumb_.Picture() || thumbW_ <= 0) return false;
    return !captureMask_ || maskPasses(thumb_.Mask(), x - r.Left, y - r.Top);
}

bool TNuvoCustomSlider::onButton(int i, int32_t x, int32_t y) {
    const TRect r = ButtonRect(i);
    if (!r.contains(x, y) || !buttons_.Picture() || buttonW_ <= 0) return false;
    return maskPasses(buttons_.Mask(), i * 3 * buttonW_ + (x - r.Left), y - r.Top);
}

void TNuvoCustomSlider::Paint() {
    TCustomDIBX* target = GetDrawSurface();
    if (target && GetVisible() && GetWidth() > 0 && GetHeight() > 0 &&
        !intersectRect(GetScreenRect(), target->EffectiveClip()).isEmpty()) {
        if (TCustomDIBX* pic = track_.Picture(); pic && pic->Width() / 2 > 0) {
            const int32_t half = pic->Width() / 2;
            const TRect left = makeRect(0, 0, half, pic->Height());
            const TRect right = makeRect(half, 0, 2 * half, pic->Height());
            const TRect r = TrackRect();
            const int64_t ox = r.Left, oy = vertical() ? int64_t{r.Bottom} : int64_t{r.Top};
            TRect before = r, after = r; // before: from the track's start
            bool beforeHeld = false, afterHeld = false;
            if (!isScrollbar()) {
                const int32_t split = vertical() ? clamp32(int64_t{r.Bottom} - thumbOffset_)
                                                 : clamp32(int64_t{r.Left} + thumbOffset_);
                if (vertical()) before.Top = after.Bottom = split;
                else before.Right = after.Left = split;
                beforeHeld = true;
            } else {
                const TRect th = ThumbRect();
                const int32_t centre = vertical() ? clamp32((int64_t{th.Top} + th.Bottom) / 2)
                                                  : clamp32((int64_t{th.Left} + th.Right) / 2);
                if (vertical()) before.Bottom = after.Top = centre;
                else before.Right = after.Left = centre;
                beforeHeld = trackPressed_ && dragMode_ == kTrackBefore;
                afterHeld = trackPressed_ && dragMode_ == kTrackAfter;
            }
            tileCells(*target, before, *pic, beforeHeld ? right : left, track_.Mask(), alpha_, ox, oy, false, false);
            tileCells(*target, after, *pic, afterHeld ? right : left, track_.Mask(), alpha_, ox, oy, false, false);
        }
        if (TCustomDIBX* pic = thumb_.Picture(); pic && thumbW_ > 0 && thumbH_ > 0 && max_ > min_) {
            const TRect r = ThumbRect();
            const int32_t cell = std::clamp(thumbState_, 0, 2);
            drawBlock(*target, r.Left, r.Top, *pic, makeRect(cell * thumbW_, 0, (cell + 1) * thumbW_, thumbH_),
                      thumb_.Mask(), alpha_, false, false);
        }
        if (TCustomDIBX* pic = buttons_.Picture(); pic && buttonW_ > 0 && buttonH_ > 0) {
            for (int i = 0; i < 2; ++i) {
                const TRect r = ButtonRect(i);
                const int32_t cell = std::clamp(buttonStates_[i], 0, 2) + 3 * i;
                drawBlock(*target, r.Left, r.Top, *pic, makeRect(cell * buttonW_, 0, (cell + 1) * buttonW_, buttonH_),
                          buttons_.Mask(), alpha_, false, false);
            }
        }
    }
    paintChildren();
}

TNuvoControl* TNuvoCustomSlider::HitTest(int32_t x, int32_t y, uint8_t accepted) {
    if (GetWidth() <= 0 || GetHeight() <= 0) return nullptr;
    return TNuvoControl::HitTest(x, y, accepted);
}

int32_t TNuvoCustomSlider::mouseX() const {
    const TNuvoBase* b = GetBase();
    return b ? b->MouseX : 0;
}
int32_t TNuvoCustomSlider::mouseY() const {
    const TNuvoBase* b = GetBase();
    return b ? b->MouseY : 0;
}

bool TNuvoCustomSlider::mouseEnabled() const { return !paused_ && GetIgnoreMouse() != IM_ALL; }

void TNuvoCustomSlider::setStates(int32_t thumb, int32_t b0, int32_t b1) {
    if (thumb == thumbState_ && b0 == buttonStates_[0] && b1 == buttonStates_[1]) return;
    changeShown(*this, [&] {
        thumbState_ = thumb;
        buttonStates_[0] = b0;
        buttonStates_[1] = b1;
    });
}

void TNuvoCustomSlider::updateHover(bool enabled) {
    const int32_t x = mouseX(), y = mouseY();
    if (!enabled || max_ <= min_) return setStates(0, 0, 0);
    setStates(onThumb(x, y) ? 1 : 0, onButton(0, x, y) ? 1 : 0, onButton(1, x, y) ? 1 : 0);
}

void TNuvoCustomSlider::playerChange(int64_t value) {
    const int32_t v = limitValue(value, min_, max_);
    if (v == GetValue()) return;
    SetValue(v);
    if (!onNotify_.empty()) {
        const std::string args[1] = {std::to_string(v)};
        RaiseEvent(PR_ONNOTIFY, args);
    }
}

void TNuvoCustomSlider::dragTo(int32_t x, int32_t y) {
    const TRect r = TrackRect();
    const int64_t w = trackLength_;
    const int64_t range = int64_t{max_} - min_;
    long double along = 0;
    int64_t span = w;
    if (!isScrollbar()) {
        along = vertical() ? static_cast<long double>(int64_t{r.Top} + grabOffset_ + w - y - 1)
                           : static_cast<long double>(int64_t{x} - r.Left - grabOffset_);
    } else {
        span = w - thumbLength();
        along = vertical() ? static_cast<long double>(int64_t{y} - r.Top - grabOffset_)
                           : static_cast<long double>(int64_t{x} - r.Left - grabOffset_);
    }
    // A track no longer than the thumb's travel leaves nothing to drag over.
    if (span <= 0 || range <= 0) return;
    playerChange(int64_t{min_} + clampRound(static_cast<long double>(range) / span * along));
}

void TNuvoCustomSlider::step(int i) {
    int64_t s = i == 0 ? -1 : 1;
    if (vertical() && !isScrollbar()) s = -s;
    playerChange(int64_t{GetValue()} + s * smallChange_);
}

void TNuvoCustomSlider::DoMouseMove() {
    TNuvoControl::DoMouseMove();
    if (dragMode_ == kIdle)
        updateHover(mouseEnabled());
    else if (dragMode_ == kDragging)
        dragTo(mouseX(), mouseY());
}

void TNuvoCustomSlider::DoMouseOut(TNuvoObject* newlyHovered) {
    TNuvoControl::DoMouseOut(newlyHovered);
    if (dragMode_ == kIdle) setStates(0, 0, 0);
}

void TNuvoCustomSlider::DoLBtnDown() {
    TNuvoControl::DoLBtnDown();
    const int32_t mode = GetIgnoreMouse();
    if (paused_ || dragMode_ != kIdle || (mode != IM_NONE && mode != IM_RCLICK) || max_ <= min_) return;
    const int32_t x = mouseX(), y = mouseY();
    updateHover(true); // the press may come before the frame's move reached the control
    if (thumbState_ == 1) {
        RaiseEvent(PR_ONHOLD);
        const TRect r = ThumbRect();
        grabOffset_ = clamp32(vertical() ? int64_t{y} - r.Top : int64_t{x} - r.Left);
        if (!isScrollbar()) grabOffset_ = clamp32(int64_t{grabOffset_} - thumbLength() / 2);
        setStates(2, buttonStates_[0], buttonStates_[1]);
        dragMode_ = kDragging;
        return;
    }
    for (int i = 0; i < 2; ++i) {
        if (buttonStates_[i] != 1) continue;
        step(i);
        setStates(thumbState_, i == 0 ? 2 : buttonStates_[0], i == 1 ? 2 : buttonStates_[1]);
        repeatWait_ = kFirstRepeat;
        dragMode_ = kButton0 + i;
        return;
    }
    if (!onTrack(x, y)) return;
    if (!isScrollbar()) {
        RaiseEvent(PR_ONHOLD);
        setStates(2, buttonStates_[0], buttonStates_[1]);
        dragMode_ = kDragging;
        grabOffset_ = 0;
        dragTo(x, y);
        return;
    }
    const TRect th = ThumbRect();
    dragMode_ = (vertical() ? y <= th.Top : x <= th.Left) ? kTrackBefore : kTrackAfter;
    changeShown(*this, [&] { trackPressed_ = true; });
    repeatWait_ = kFirstRepeat;
    playerChange(int64_t{GetValue()} + (dragMode_ == kTrackBefore ? -int64_t{largeChange()} : largeChange()));
}

void TNuvoCustomSlider::DoPressedTick() {
    TNuvoControl::DoPressedTick();
    if (dragMode_ < kButton0) return;
    repeatWait_ = wrapSub(repeatWait_, Owner() ? Owner()->FrameDelta : 0);
    if (repeatWait_ > 0) return;
    repeatWait_ = wrapAdd(repeatWait_, kNextRepeat);
    const int32_t x = mouseX(), y = mouseY();
    if (dragMode_ == kButton0 || dragMode_ == kButton1) {
        const int i = dragMode_ - kButton0;
        const int32_t state = onButton(i, x, y) ? 2 : 0;
        setStates(thumbState_, i == 0 ? state : buttonStates_[0], i == 1 ? state : buttonStates_[1]);
        if (state == 2) step(i);
        return;
    }
    const TRect th = ThumbRect();
    const int32_t m = vertical() ? y : x;
    const bool outside = dragMode_ == kTrackBefore ? m < (vertical() ? th.Top : th.Left)
                                                   : m >= (vertical() ? th.Bottom : th.Right);
    const bool repeat = onTrack(x, y) && outside;
    if (repeat != trackPressed_) changeShown(*this, [&] { trackPressed_ = repeat; });
    if (repeat)
        playerChange(int64_t{GetValue()} + (dragMode_ == kTrackBefore ? -int64_t{largeChange()} : largeChange()));
}

void TNuvoCustomSlider::DoLBtnUp() {
    TNuvoControl::DoLBtnUp();
    if (dragMode_ == kIdle) return;
    if (dragMode_ == kDragging) RaiseEvent(PR_ONRELEASE);
    dragMode_ = kIdle;
    if (trackPressed_) changeShown(*this, [&] { trackPressed_ = false; });
    const int32_t x = mouseX(), y = mouseY();
    setStates(onThumb(x, y) ? 1 : 0, onButton(0, x, y) ? 1 : 0, onButton(1, x, y) ? 1 : 0);
}

void TNuvoCustomSlider::DoKeyRepeat(std::span<const int32_t> keys) {
    const int32_t up = isScrollbar() ? (vertical() ? kVkDown : kVkRight) : (vertical() ? kVkUp : kVkRight);
    const int32_t down = isScrollbar() ? (vertical() ? kVkUp : kVkLeft) : (vertical() ? kVkDown : kVkLeft);
    const auto has = [&](int32_t k) { return std::find(keys.begin(), keys.end(), k) != keys.end(); };
    if (!paused_) {
        if (has(up))
            playerChange(int64_t{GetValue()} + smallChange_);
        else if (has(down))
            playerChange(int64_t{GetValue()} - smallChange_);
    }
    TNuvoControl::DoKeyRepeat(keys);
}

void TNuvoCustomSlider::SaveToStream(TStream& s) const {
    TNuvoControl::SaveToStream(s);
    WriteStr(s, source_);
    WriteStr(s, thumbSource_);
    WriteStr(s, buttonSource_);
    WriteInt(s, min_);
    WriteInt(s, max_);
    WriteInt(s, value_);
    WriteInt(s, smallChange_);
    WriteInt(s, alpha_);
    WriteBool(s, paused_);
    WriteByte(s, static_cast<uint8_t>(orientation_));
    WriteStr(s, onNotify_);
    WriteStr(s, onHold_);
    WriteStr(s, onRelease_);
    WriteStr(s, onIdle_);
    WriteBool(s, captureMask_);
    WriteInt(s, barSize_);
}

void TNuvoCustomSlider::LoadFromStream(TStream& s, int32_t version) {
    TNuvoControl::LoadFromStream(s, version);
    const std::string source = ReadStrChecked(s);
    const std::string thumb = ReadStrChecked(s);
    const std::string buttons = ReadStrChecked(s);
    min_ = ReadIntChecked(s);
    max_ = ReadIntChecked(s);
    value_ = ReadIntChecked(s);
    smallChange_ = ReadIntChecked(s);
    alpha_ = ReadIntChecked(s);
    paused_ = ReadBoolChecked(s);
    orientation_ = ReadByteChecked(s);
    onNotify_ = ReadStrChecked(s);
    onHold_ = ReadStrChecked(s);
    onRelease_ = ReadStrChecked(s);
    onIdle_ = ReadStrChecked(s);
    if (version > 118) captureMask_ = ReadBoolChecked(s);
    if (version > 127) barSize_ = ReadIntChecked(s);
    source_ = source;
    thumbSource_ = thumb;
    buttonSource_ = buttons;
    track_.Load(*this, source_);
    thumb_.Load(*this, thumbSource_);
    buttons_.Load(*this, buttonSource_);
    thumbState_ = buttonStates_[0] = buttonStates_[1] = 0;
    dragMode_ = kIdle;
    trackPressed_ = false;
    updateSize();
}

// ---- Gauge --------------------------------------------------------------------------------------------

TNuvoGauge::TNuvoGauge(TNuvoBaseList* owner) : TNuvoControl(owner) {}

void TNuvoGauge::SetSource(std::string_view v) {
    source_ = v;
    bar_.Load(*this, source_);
    updateSize();
}

void TNuvoGauge::SetOrientation(int32_t v) {
    orientation_ = static_cast<uint8_t>(v);
    updateSize();
}

void TNuvoGauge::SetBarSize(int32_t v) {
    barSize_ = v;
    updateSize();
}

void TNuvoGauge::SetAlpha(int32_t v) {
    if (v == alpha_) return;
    changeShown(*this, [&] { alpha_ = v; });
}

void TNuvoGauge::SetReverse(bool v) {
    if (v == reverse_) return;
    changeShown(*this, [&] { reverse_ = v; });
}

void TNuvoGauge::RestoreSurfaces() {
    TNuvoControl::RestoreSurfaces();
    bar_.Load(*this, source_);
    updateSize();
}

void TNuvoGauge::updateSize() {
    const int32_t pw = bar_.Width() / 2, ph = bar_.Height();
    barLength_ = orientation_ == 1 ? ph : pw;
    barThickness_ = orientation_ == 1 ? pw : ph;
    if (barSize_ > 0) barLength_ = barSize_;
    const bool any = bar_.Picture() != nullptr;
    changeShown(
        *this,
        [&] {
            SetWidth(any ? (orientation_ == 1 ? barThickness_ : barLength_) : 0);
            SetHeight(any ? (orientation_ == 1 ? barLength_ : barThickness_) : 0);
        },
        true);
}

void TNuvoGauge::settle() {
    changeShown(*this, [&] {
        falling_ = 0;
        motion_ = 0;
        moveState_ = 0;
        shown_ = GetValue();
    });
}

void TNuvoGauge::SetMin(int32_t v) {
    min_ = v;
    settle();
}

void TNuvoGauge::SetMax(int32_t v) {
    max_ = v;
    settle();
}

void TNuvoGauge::SetValue(int32_t v) {
    const int32_t before = GetValue();
    value_ = v;
    const int32_t now = GetValue();
    changeShown(*this, [&] {
        if (now < before) {
            shown_ = now;
            motion_ = static_cast<long double>(int64_t{before} - now);
            falling_ = clamp32(int64_t{before} - now);
            wait_ = duration_;
            moveState_ = 100;
        } else {
            falling_ = 0;
            motion_ = shown_;
            moveState_ = 200;
        }
    });
}

void TNuvoGauge::endMotion() {
    changeShown(*this, [&] {
        shown_ = GetValue();
        falling_ = 0;
        moveState_ = 0;
    });
}

bool TNuvoGauge::Tick() {
    if (TNuvoControl::Tick()) return true;
    if (moveState_ == 0) return false;
    int32_t ms = Owner() ? Owner()->FrameDelta : 0;
    const bool moves = delay_ > 0 && max_ > min_;
    const long double speed = moves ? static_cast<long double>(int64_t{max_} - min_) / delay_ : 0;
    if (moveState_ == 100) {
        if (wait_ > 0) {
            const int64_t left = int64_t{wait_} - ms;
            wait_ = clamp32(left);
            if (left >= 0) return false;
            ms = clamp32(-left); // the milliseconds beyond the wait
        }
        if (!moves) return endMotion(), false;
        changeShown(*this, [&] {
            motion_ -= speed * ms;
            falling_ = motion_ < 1 ? 0 : static_cast<int32_t>(std::min<long double>(motion_, INT32_MAX));
        });
        if (falling_ < 1) endMotion();
        return false;
    }
    if (moveState_ == 200) {
        if (!moves) return endMotion(), false;
        changeShown(*this, [&] {
            motion_ += speed * ms;
            shown_ = static_cast<int32_t>(std::clamp<long double>(std::trunc(motion_), INT32_MIN, INT32_MAX));
        });
        if (shown_ >= GetValue()) endMotion();
        return false;
    }
    endMotion();
    return false;
}

void TNuvoGauge::Paint() {
    TCustomDIBX* target = GetDrawSurface();
    TCustomDIBX* pic = bar_.Picture();
    const TRect r = GetScreenRect();
    if (target && pic && GetVisible() && GetWidth() > 0 && GetHeight() > 0 && pic->Width() / 2 > 0 &&
        !intersectRect(r, target->EffectiveClip()).isEmpty()) {
        const int32_t half = pic->Width() / 2;
        const TRect left = makeRect(0, 0, half, pic->Height());
        const TRect right = makeRect(half, 0, 2 * half, pic->Height());
        const int64_t length = barLength_;
        int64_t shownLen = 0, fallLen = 0;
        if (max_ > min_) {
            const long double range = static_cast<long double>(int64_t{max_} - min_);
            shownLen = std::clamp<int64_t>(clampRound(length * (int64_t{shown_} - min_) / range), 0, length);
            fallLen = std::clamp<int64_t>(clampRound(length * static_cast<long double>(falling_) / range), 0,
                                          length - shownLen);
        }
        const bool vert = orientation_ == 1;
        // The fill runs from start in direction dir along the axis.
        const int64_t start = vert ? (reverse_ ? r.Top : r.Bottom) : (reverse_ ? r.Right : r.Left);
        const int64_t dir = (vert != reverse_) ? -1 : 1;
        const auto part = [&](int64_t from, int64_t to) {
            const int64_t a = start + dir * from, b = start + dir * to;
            TRect p = r;
            if (vert) p.Top = clamp32(std::min(a, b)), p.Bottom = clamp32(std::max(a, b));
            else p.Left = clamp32(std::min(a, b)), p.Right = clamp32(std::max(a, b));
            return p;
        };
        const bool flipH = reverse_ && !vert, flipV = reverse_ && vert;
        const int64_t ox = vert ? r.Left : start, oy = vert ? start : r.Top;
        tileCells(*target, part(0, shownLen), *pic, left, bar_.Mask(), alpha_, ox, oy, flipH, flipV);
        tileCells(*target, part(shownLen, shownLen + fallLen), *pic, right, bar_.Mask(), alpha_, ox, oy, flipH, flipV);
    }
    paintChildren();
}

void TNuvoGauge::SaveToStream(TStream& s) const {
    TNuvoControl::SaveToStream(s);
    WriteStr(s, source_);
    WriteInt(s, min_);
    WriteInt(s, max_);
    WriteInt(s, value_);
    WriteInt(s, alpha_);
    WriteBool(s, paused_);
    WriteByte(s, static_cast<uint8_t>(orientation_));
    WriteInt(s, delay_);
    WriteInt(s, duration_);
    WriteBool(s, reverse_);
    WriteStr(s, onIdle_);
    WriteInt(s, barSize_);
}

void TNuvoGauge::LoadFromStream(TStream& s, int32_t version) {
    TNuvoControl::LoadFromStream(s, version);
    const std::string source = ReadStrChecked(s);
    min_ = ReadIntChecked(s);
    max_ = ReadIntChecked(s);
    value_ = ReadIntChecked(s);
    alpha_ = ReadIntChecked(s);
    paused_ = ReadBoolChecked(s);
    orientation_ = ReadByteChecked(s);
    delay_ = ReadIntChecked(s);
    duration_ = ReadIntChecked(s);
    reverse_ = ReadBoolChecked(s);
    if (version > 124) onIdle_ = ReadStrChecked(s);
    if (version > 127) barSize_ = ReadIntChecked(s);
    source_ = source;
    bar_.Load(*this, source_);
    updateSize();
    settle();
}

} // namespace nuvo
