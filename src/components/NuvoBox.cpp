#include "components/NuvoBox.h"

#include "base/IntMath.h"
#include "base/StreamIO.h"
#include "components/NuvoBaseList.h"
#include "components/NuvoImages.h"
#include "components/PictureDraw.h"

#include <algorithm>

namespace nuvo {

namespace {

// A colour with each channel scaled by amount / 256 (the additive mode's
// strength).
int32_t scaledColor(int32_t color, int32_t amount) {
    int32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
        out |= (((color >> shift) & 0xFF) * amount / 256) << shift;
    return out;
}

TRect deflate(const TRect& r, int32_t by) {
    const auto add = [](int32_t v, int64_t d) {
        return static_cast<int32_t>(std::clamp<int64_t>(v + d, INT32_MIN, INT32_MAX));
    };
    return TRect{add(r.Left, by), add(r.Top, by), add(r.Right, -int64_t{by}), add(r.Bottom, -int64_t{by})};
}

} // namespace

TNuvoBox::TNuvoBox(TNuvoBaseList* owner) : TNuvoControl(owner) {}

void TNuvoBox::SetBorderWidth(int32_t v) {
    changeShown(
        *this, [&] { borderWidth_ = v; }, false);
}
void TNuvoBox::SetBorderColor(int32_t v) {
    changeShown(
        *this, [&] { borderColor_ = v; }, false);
}
void TNuvoBox::SetAlpha(int32_t v) {
    if (v == alpha_) return;
    changeShown(
        *this, [&] { alpha_ = v; }, false);
}

void TNuvoBox::SetSource(std::string_view name) {
    if (name == source_) return;
    source_ = name;
    if (isFilmName(name)) StartMotion(name);
}

bool TNuvoBox::GetPlaying() const {
    const TNuvoMotion* motion = GetMotion();
    return motion && !motion->Finished && !paused_ && !GetAniPaused();
}

void TNuvoBox::Paint() {
    TCustomDIBX* target = GetDrawSurface();
    if (target && GetVisible() && drawsAtAlpha(alpha_)) {
        const TRect rect = GetScreenRect();
        const bool additive = alpha_ > 255;
        const auto pixelOf = [&](int32_t color) {
            return target->ColorToPixel(additive ? scaledColor(color, alpha_ - 256) : color);
        };
        if (borderWidth_ > 0 && borderColor_ >= 0) {
            const int32_t pixel = pixelOf(borderColor_);
            if (additive)
                target->FrameRectAdd(rect, borderWidth_, pixel);
            else if (alpha_ == 255)
                target->FrameRect(rect, borderWidth_, pixel);
            else
                target->FrameRectAlpha(rect, borderWidth_, pixel, alpha_);
        }
        if (GetColor() >= 0) {
            const TRect inside = borderWidth_ > 0 ? deflate(rect, borderWidth_) : rect;
            const int32_t pixel = pixelOf(GetColor());
            if (additive)
                target->FillRectAdd(inside, pixel);
            else if (alpha_ == 255)
                target->FillRect(inside, pixel);
            else
                target->FillRectAlpha(inside, pixel, alpha_);
        }
    }
    paintChildren();
}

bool TNuvoBox::Tick() {
    if (TNuvoControl::Tick()) return true;
    TAfterimageState now;
    now.Left = GetMotion() ? GetMotionX() : GetLeft();
    now.Top = GetMotion() ? GetMotionY() : GetTop();
    now.ZoomX = GetWidth();
    now.ZoomY = GetHeight();
    now.Index = borderWidth_;
    if (blurClock_.Due(blurSpan_, blurDelay_, Owner() ? Owner()->FrameDelta : 0, now)) makeAfterimage();
    return false;
}

void TNuvoBox::makeAfterimage() {
    TNuvoBaseList* registry = Owner();
    if (!registry || !GetParent()) return;
    auto* copy = registry->Create<TNuvoBlurBox>(*this);
    copy->AssignName(registry->UniqueName(Name()));
    copy->SetPriority(wrapSub(GetPriority(), 1));
    copy->SetBounds(GetMotion() ? GetMotionX() : GetLeft(), GetMotion() ? GetMotionY() : GetTop(), GetWidth(),
                    GetHeight());
    copy->SetAnchorX(GetAnchorX());
    copy->SetAnchorY(GetAnchorY());
    copy->SetPosZoomed(GetPosZoomed());
    copy->SetPlusX(GetPlusX());
    copy->SetPlusY(GetPlusY());
    copy->SetClipLeft(GetClipLeft());
    copy->SetClipTop(GetClipTop());
    copy->SetClipWidth(GetClipWidth());
    copy->SetClipHeight(GetClipHeight());
    copy->SetColor(GetColor());
    copy->borderWidth_ = borderWidth_;
    copy->borderColor_ = borderColor_;
    copy->StartFade(alpha_, blurDelay_);
    copy->SetParent(GetParent());
}

void TNuvoBox::SaveToStream(TStream& s) const {
    TNuvoControl::SaveToStream(s);
    WriteInt(s, borderWidth_);
    WriteInt(s, borderColor_);
    WriteInt(s, alpha_);
    WriteStr(s, onIdle_);
    WriteStr(s, source_);
    WriteBool(s, repeat_);
    WriteBool(s, autoScrap_);
    WriteStr(s, onPlayEnd_);
    WriteBool(s, paused_);
    WriteBool(s, GetAniPaused());
    WriteInt(s, blurSpan_);
    WriteInt(s, blurDelay_);
}

void TNuvoBox::LoadFromStream(TStream& s, int32_t version) {
    TNuvoControl::LoadFromStream(s, version);
    borderWidth_ = ReadIntChecked(s);
    borderColor_ = ReadIntChecked(s);
    alpha_ = ReadIntChecked(s);
    if (version > 103) {
        onIdle_ = ReadStrChecked(s);
        const std::string source = ReadStrChecked(s);
        repeat_ = ReadBoolChecked(s);
        autoScrap_ = ReadBoolChecked(s);
        onPlayEnd_ = ReadStrChecked(s);
        paused_ = ReadBoolChecked(s);
        SetAniPaused(ReadBoolChecked(s));
        source_.clear();
        SetSource(source);
    }
    if (version > 139) {
        blurSpan_ = ReadIntChecked(s);
        blurDelay_ = ReadIntChecked(s);
    }
}

TNuvoBlurBox::TNuvoBlurBox(TNuvoBaseList* owner, TNuvoBox& source) : TNuvoBox(owner), source_(&source) {
    SetIgnoreMouse(IM_ALL);
}

void TNuvoBlurBox::StartFade(int32_t alpha, int32_t delay) {
    const int32_t half = alpha / 2;
    const int32_t level = half % 256;
    SetAlpha(fade_.Start(wrapSub(half, level), level, delay));
}

bool TNuvoBlurBox::Tick() {
    const int32_t alpha = fade_.Advance(Owner() ? Owner()->FrameDelta : 0);
    if (alpha < 0) return true;
    SetAlpha(alpha);
    return false;
}

} // namespace nuvo
