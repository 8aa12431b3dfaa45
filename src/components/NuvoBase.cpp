#include "components/NuvoBase.h"

#include "components/NuvoBaseList.h"

#include <algorithm>

namespace nuvo {

namespace {

// Whether stored rectangle s is near r: overlapping, or apart by at most the
// gap on both axes.
bool isNear(const TRect& s, const TRect& r) {
    constexpr int64_t gap = TClipList::kNearGap;
    return !(int64_t{s.Right} + gap < r.Left || int64_t{s.Bottom} + gap < r.Top || r.Right < int64_t{s.Left} - gap ||
             r.Bottom < int64_t{s.Top} - gap);
}

bool containsRect(const TRect& outer, const TRect& inner) {
    return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
           inner.Bottom <= outer.Bottom;
}

} // namespace

void TClipList::Add(const TRect& rect) {
    if (rect.isEmpty()) return;
    TRect r = rect;
    for (;;) {
        const auto it = std::find_if(rects_.begin(), rects_.end(), [&](const TRect& s) { return isNear(s, r); });
        if (it == rects_.end()) {
            rects_.push_back(r);
            Changed = true;
            return;
        }
        if (containsRect(*it, r)) return;
        r = unionRect(*it, r);
        rects_.erase(it);
        Changed = true;
    }
}

void TClipList::Clear() {
    if (!rects_.empty()) Changed = true;
    rects_.clear();
}

namespace {

std::string baseName(int index) {
    return index == 0 ? "\x01"
                        "BASE0"
                      : "\x01"
                        "BASE1";
}

} // namespace

TNuvoBase::TNuvoBase(TNuvoBaseList* owner, int index) : TNuvoControl(owner), index_(index & 1) {
    AssignName(baseName(index_));
}

void TNuvoBase::LoadFromStream(TStream& s, int32_t version) {
    TNuvoControl::LoadFromStream(s, version);
    AssignName(baseName(index_));
}

void TNuvoBase::AddDirtyRect(const TRect& r) {
    const TRect clamped = intersectRect(r, makeRect(0, 0, GetWidth(), GetHeight()));
    if (clamped.isEmpty()) return;
    DirtyList.Add(clamped);
}

TCustomDIBX* TNuvoBase::GetDrawSurface() const {
    TNuvoBaseList* registry = Owner();
    if (registry && registry->ActiveBase() == this && !registry->Transition()) return registry->DrawTarget();
    return const_cast<TDIBX*>(&Surface);
}

void TNuvoBase::SetScreenSize(int32_t width, int32_t height, int bitCount) {
    SetBounds(0, 0, width, height);
    Surface.SetSize(width, height, bitCount);
}

void TNuvoBase::PaintDirty() {
    if (!GetVisible()) return;
    TCustomDIBX* surface = GetDrawSurface();
    if (!surface || surface->IsEmpty()) return;
    const TRect saved = surface->ClipRect;
    for (const TRect& dirty : DirtyList.Rects()) {
        surface->ClipRect = dirty;
        if (GetColor() >= 0) {
            const TRect fill = HasClip() ? intersectRect(GetScreenRect(), GetClipScreenRect()) : GetScreenRect();
            surface->FillRect(fill, surface->ColorToPixel(GetColor()));
        }
        Paint();
    }
    surface->ClipRect = saved;
}

} // namespace nuvo
