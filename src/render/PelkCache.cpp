#include "render/PelkCache.h"

#include "base/Stream.h"
#include "base/StreamIO.h"
#include "render/PelkImage.h"

#include <algorithm>

namespace nuvo {

namespace {

bool endsWith(const std::string& s, const char* suffix) {
    const size_t n = std::char_traits<char>::length(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

int64_t floorMod(int64_t a, int64_t m) {
    const int64_t r = a % m;
    return r < 0 ? r + m : r;
}

} // namespace

std::string pelkFileName(const std::string& itemName, bool* trim, bool* makeMask) {
    std::string name = itemName;
    bool t = false, m = false;
    for (int i = 0; i < 2; ++i) {
        if (!m && endsWith(name, "?m")) {
            m = true;
            name.resize(name.size() - 2);
        } else if (!t && endsWith(name, "?t")) {
            t = true;
            name.resize(name.size() - 2);
        }
    }
    if (trim) *trim = t;
    if (makeMask) *makeMask = m;
    return name;
}

// ---- Frames ----------------------------------------------------------------------

void TPelkItemFrame::DrawFrame(TCustomDIBX& target, int32_t x, int32_t y, int32_t blend, bool flipV, bool flipH,
                               const TRect& sourceRect) {
    if (!Picture) return;
    TCustomDIBX& p = *Picture;
    if (Mask) {
        if (blend < 255)
            target.DrawAlphaMask(x, y, p, sourceRect, *Mask, blend, flipH, flipV);
        else if (blend == 255)
            target.DrawMask(x, y, p, sourceRect, *Mask, flipH, flipV);
        else
            target.DrawAddMask(x, y, p, sourceRect, *Mask, blend - 256, flipH, flipV);
        return;
    }
    const bool key = p.TransparentColor != -1;
    if (blend < 255)
        target.DrawAlpha(x, y, p, sourceRect, blend, key, flipH, flipV);
    else if (blend == 255)
        target.Draw(x, y, p, sourceRect, key, flipH, flipV);
    else
        target.DrawAdd(x, y, p, sourceRect, blend - 256, flipH, flipV);
}

void TPelkItemFrame::TileFrame(TCustomDIBX& target, const TRect& destRect, int32_t blend, bool flipV, bool flipH,
                               int32_t offsetY, int32_t offsetX, const TRect& sourceRect) {
    const int64_t tw = sourceRect.width64(), th = sourceRect.height64();
    if (tw <= 0 || th <= 0 || !Picture) return;
    const TRect area = intersectRect(destRect, target.EffectiveClip());
    if (area.isEmpty()) return;
    const TRect saved = target.ClipRect;
    target.ClipRect = area;
    // Only tiles reaching into the area are drawn.
    const int64_t startX = int64_t{destRect.Left} - floorMod(offsetX, tw);
    const int64_t startY = int64_t{destRect.Top} - floorMod(offsetY, th);
    for (int64_t y = startY; y < destRect.Bottom; y += th) {
        const int64_t ty = flipV ? int64_t{destRect.Top} + destRect.Bottom - y - th : y;
        if (ty >= area.Bottom || ty + th <= area.Top) continue;
        for (int64_t x = startX; x < destRect.Right; x += tw) {
            const int64_t tx = flipH ? int64_t{destRect.Left} + destRect.Right - x - tw : x;
            if (tx >= area.Right || tx + tw <= area.Left) continue;
            DrawFrame(target, static_cast<int32_t>(tx), static_cast<int32_t>(ty), blend, flipV, flipH, sourceRect);
        }
    }
    target.ClipRect = saved;
}

// ---- Collection ------------------------------------------------------------------

TPelkItem* TPelkCollection::Acquire(const void* user, const std::string& name, bool trim, bool makeMask) {
    std::string full = name;
    if (makeMask) full += "?m";
    if (trim) full += "?t";
    TPelkItem* item = FindItem(full);
    if (!item) {
        auto fresh = std::make_unique<TPelkItem>();
        load(*fresh, full, false, false); // before adding: a damaged file leaves nothing behind
        item = Add(std::move(fresh), full);
    }
    item->Users.push_back(user);
    released_.erase(std::remove(released_.begin(), released_.end(), item), released_.end());
    return item;
}

void TPelkCollection::Release(TPelkItem* item, const void* user) {
    if (!item) return;
    auto it = std::find(item->Users.begin(), item->Users.end(), user);
    if (it != item->Users.end()) item->Users.erase(it);
    if (!item->Users.empty()) return;
    if (std::find(released_.begin(), released_.end(), item) == released_.end()) released_.push_back(item);
    while (released_.size() > ReleasedLimit) {
        TPelkItem* oldest = released_.front();
        released_.erase(released_.begin());
        deleteItem(oldest);
    }
}

void TPelkCollection::deleteItem(TPelkItem* item) { Delete(item->Index()); }

void TPelkCollection::Purge(const std::string& name) {
    for (const std::string& n : {name, name + "?m", name + "?t", name + "?m?t"}) {
        for (size_t i = 0; i < released_.size();) {
            TPelkItem* item = released_[i];
            if (THashCollection::NameIs(item, n)) {
                released_.erase(released_.begin() + static_cast<std::ptrdiff_t>(i));
                deleteItem(item);
            } else {
                ++i;
            }
        }
    }
}

void TPelkCollection::SetConvertToScreenDepth(bool flag) {
    if (flag == convertToScreenDepth_) return;
    convertToScreenDepth_ = flag;
    ReloadAll(false);
}

void TPelkCollection::ReloadAll(bool recreate) {
    for (int i = 0; i < Count(); ++i) load(*At(i), At(i)->Name(), true, recreate);
}

void TPelkCollection::ReleaseAllHardware() {
    for (int i = 0; i < Count(); ++i)
        for (auto& f : At(i)->Frames)
            if (f->Picture) f->Picture->ReleaseHardware();
}

void TPelkCollection::WriteState(TStream& stream) const { WriteByte(stream, convertToScreenDepth_ ? 1 : 0); }

void TPelkCollection::ReadState(TStream& stream, int32_t version) {
    if (version > 100) SetConvertToScreenDepth(ReadByteChecked(stream) != 0);
}

void TPelkCollection::load(TPelkItem& item, const std::string& itemName, bool reload, bool recreate) {
    bool trim = false, makeMask = false;
    const std::string file = pelkFileName(itemName, &trim, &makeMask);
    TPelkFrameList list(source_.ImageSeed());
    if (convertToScreenDepth_) list.TargetBitCount = source_.ScreenBitCount();
    bool found = false;
    if (source_.EnsureAvailable(file)) {
        TKvMemoryStream s;
        if (source_.LoadToStream(s, file)) {
            found = true;
            s.setPosition(0);
            list.LoadFromStream(s, false, false, false);
            if (makeMask) list.MakeMasks(false);
        }
    }

    // Frame objects are kept across reloads: components hold their pictures.
    const int count = found ? list.Count() : 1;
    int32_t width = found ? 0 : 8, height = found ? 0 : 8;
    std::vector<std::unique_ptr<TPelkItemFrame>> frames(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const bool old = i < item.FrameCount();
        std::unique_ptr<TPelkItemFrame>& slot = frames[static_cast<size_t>(i)];
        slot = old ? std::move(item.Frames[static_cast<size_t>(i)]) : std::make_unique<TPelkItemFrame>();
        TPelkItemFrame& nf = *slot;
        if (reload && !recreate && old && nf.TransparentColour != -1 && !nf.Mask) {
            if (i == 0 && found) {
                width = list.GetFrame(0).Width();
                height = list.GetFrame(0).Height();
            }
            continue;
        }
        if (recreate || !nf.Picture) nf.Picture = source_.CreatePicture();
        if (!found) {
            nf.Picture->SetSize(8, 8, nf.Picture->BitCount());
            nf.Picture->ResetClip();
            nf.Picture->Clear(0);
            nf.Picture->TransparentColor = 0;
            nf.TransparentColour = 0;
            nf.Duration = 1;
            if (makeMask) {
                if (!nf.Mask) nf.Mask = std::make_unique<TDIBX>();
                nf.Mask->SetSize(8, 8, 8);
            } else {
                nf.Mask.reset();
            }
            continue;
        }
        TPelkFrame& f = list.GetFrame(i);
        if (i == 0) {
            width = f.Width();
            height = f.Height();
        }
        nf.OffsetX = nf.OffsetY = 0;
        if (trim) {
            const TRect box = f.Trim();
            nf.OffsetX = box.Left;
            nf.OffsetY = box.Top;
        }
        CopyToSurface(f, *nf.Picture);
        nf.Picture->TransparentColor = nf.Picture->ColorToPixel(f.TransparentColour);
        if (f.HasMask() || makeMask) {
            if (!nf.Mask) nf.Mask = std::make_unique<TDIBX>();
            CopyMask(f, *nf.Mask);
        } else {
            nf.Mask.reset();
        }
        nf.TransparentColour = f.TransparentColour;
        nf.Duration = std::max(1, f.Duration);
    }
    item.Frames = std::move(frames);
    int64_t total = 0;
    for (auto& f : item.Frames) total += f->Duration;
    item.TotalDuration = static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
    item.Width = width;
    item.Height = height;
}

} // namespace nuvo
