#include "base/Cp932.h"
#include "base/IntMath.h"
#include "base/StreamIO.h"
#include "components/EventQueue.h"
#include "components/NuvoBase.h"
#include "components/NuvoBaseList.h"
#include "components/NuvoMenu.h"
#include "components/PictureDraw.h"
#include "platform/VirtualKeys.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"
#include "text/FontPixel.h"

#include <algorithm>
#include <cmath>

namespace nuvo {

namespace {

int32_t clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }
// A real rounded to the nearest integer, clamped first.
int32_t roundClamped(double v) {
    if (!(v == v)) return 0;
    return static_cast<int32_t>(std::llround(std::clamp(v, -2147483648.0, 2147483647.0)));
}

int32_t scaledColor(int32_t color, int32_t amount) {
    int32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
        out |= (((color >> shift) & 0xFF) * amount / 256) << shift;
    return out;
}

TRect deflate(const TRect& r, int32_t by) {
    return TRect{clamp32(int64_t{r.Left} + by), clamp32(int64_t{r.Top} + by), clamp32(int64_t{r.Right} - by),
                 clamp32(int64_t{r.Bottom} - by)};
}

// Fills or frames a rectangle with a colour in the three alpha modes.
void fillMode(TCustomDIBX& target, const TRect& r, int32_t color, int32_t alpha, int32_t frameWidth = 0) {
    const bool additive = alpha > 255;
    const int32_t pixel = target.ColorToPixel(additive ? scaledColor(color, alpha - 256) : color);
    if (frameWidth > 0) {
        if (additive)
            target.FrameRectAdd(r, frameWidth, pixel);
        else if (alpha == 255)
            target.FrameRect(r, frameWidth, pixel);
        else
            target.FrameRectAlpha(r, frameWidth, pixel, alpha);
    } else if (additive) {
        target.FillRectAdd(r, pixel);
    } else if (alpha == 255) {
        target.FillRect(r, pixel);
    } else {
        target.FillRectAlpha(r, pixel, alpha);
    }
}

// Splits the trimmed text into lines ending at CR, LF or CR LF.
std::vector<std::string> splitLines(std::string_view s) {
    std::vector<std::string> lines;
    if (s.empty()) return lines;
    std::string line;
    for (size_t pos = 0; pos < s.size();) {
        const size_t n = charLength(s, pos);
        const char c = s[pos];
        if (n == 1 && (c == '\r' || c == '\n')) {
            lines.push_back(std::move(line));
            line.clear();
            pos += (c == '\r' && pos + 1 < s.size() && s[pos + 1] == '\n') ? 2 : 1;
            continue;
        }
        line.append(s.substr(pos, n));
        pos += n;
    }
    lines.push_back(std::move(line));
    return lines;
}

// Leading characters below 32, then trailing characters whose code is below 32.
std::string_view trimControls(std::string_view s) {
    size_t start = 0;
    while (start < s.size() && static_cast<uint8_t>(s[start]) < 32) ++start;
    s.remove_prefix(start);
    size_t keep = 0;
    for (size_t pos = 0; pos < s.size();) {
        const size_t n = charLength(s, pos);
        const bool control = n == 1 && static_cast<uint8_t>(s[pos]) < 32;
        pos += n;
        if (!control) keep = pos;
    }
    return s.substr(0, keep);
}

} // namespace

TNuvoCustomListBox::TNuvoCustomListBox(TNuvoBaseList* owner) : TNuvoControl(owner) {
    if (owner && owner->Host) labels_.Glyphs = hoverLabels_.Glyphs = owner->Host->Glyphs();
}

int32_t TNuvoCustomListBox::clock() const { return Owner() ? Owner()->TimeCounter : 0; }

template <class T> bool TNuvoCustomListBox::change(T& field, T v, bool layout) {
    if (field == v) return false;
    field = v;
    Invalidate();
    if (layout) layoutDirty_ = true;
    return true;
}

// ---- Text and items ------------------------------------------------------------------------

void TNuvoCustomListBox::SetText(std::string_view text) {
    Invalidate();
    labels_.Clear();
    hoverLabels_.Clear();
    // Stored trimmed, so PR_TEXT reads back the items line by line.
    text_ = trimControls(text);
    for (const std::string& line : splitLines(text_)) {
        labels_.Add().SetText(line);
        hoverLabels_.Add().SetText(line);
    }
    checks_.assign(static_cast<size_t>(labels_.Count()), 0);
    topIndex_ = 0;
    layoutDirty_ = true;
}

bool TNuvoCustomListBox::GetCheck(int32_t i) const {
    return i >= 0 && static_cast<size_t>(i) < checks_.size() && checks_[static_cast<size_t>(i)] != 0;
}

void TNuvoCustomListBox::SetCheck(int32_t i, bool v) {
    if (i < 0 || static_cast<size_t>(i) >= checks_.size()) return;
    checks_[static_cast<size_t>(i)] = v ? 1 : 0;
    Invalidate();
}

void TNuvoCustomListBox::SetTopIndex(int32_t a) {
    const int32_t count = GetCount();
    if (a < 0)
        a = 0;
    else if (rowCount_ < count)
        a = std::min(a, count - rowCount_);
    else
        a = 0;
    change(topIndex_, a, false);
}

// ---- Visual properties -----------------------------------------------------------------------

void TNuvoCustomListBox::SetLineSpace(int32_t v) { change(lineSpace_, v, true); }
void TNuvoCustomListBox::SetMarginX(int32_t v) { change(marginX_, v, true); }
void TNuvoCustomListBox::SetMarginY(int32_t v) { change(marginY_, v, true); }
void TNuvoCustomListBox::SetBorderWidth(int32_t v) { change(borderWidth_, v, true); }
void TNuvoCustomListBox::SetBorderColor(int32_t v) { change(borderColor_, v, false); }
void TNuvoCustomListBox::SetRowCount(int32_t v) { change(rowCount_, std::max(v, 0), true); }
void TNuvoCustomListBox::SetHAlign(int32_t v) { change(hAlign_, static_cast<uint8_t>(v), false); }

void TNuvoCustomListBox::SetAlpha(int32_t v) {
    if (change(alpha_, v, false)) labels_.Alpha = hoverLabels_.Alpha = v;
}

template <class F> bool TNuvoCustomListBox::changeFont(F&& field, int32_t v, bool both, bool hover) {
    TKvLabelList& first = hover ? hoverLabels_ : labels_;
    if (field(first) == v && (!both || field(hoverLabels_) == v)) return false;
    field(first) = v;
    if (both) field(hoverLabels_) = v;
    Invalidate();
    return true;
}

#define NUVO_FONT_SETTER(Name, member, both, hover, layout)                                              \
    void TNuvoCustomListBox::Set##Name(int32_t v) {                                                      \
        if (changeFont([](TKvLabelList& l) -> int32_t& { return l.member; }, v, both, hover) && layout) \
            layoutDirty_ = true;                                                                         \
    }
NUVO_FONT_SETTER(FontHeight, FontHeight, true, false, true)
NUVO_FONT_SETTER(FontColor, FontColor, false, false, false)
NUVO_FONT_SETTER(FontBorder, BorderWidth, false, false, true)
NUVO_FONT_SETTER(FontShadow, ShadowWidth, false, false, true)
NUVO_FONT_SETTER(FontBorderColor, BorderColor, false, false, false)
NUVO_FONT_SETTER(FontShadowColor, ShadowColor, false, false, false)
NUVO_FONT_SETTER(FontHoverColor, FontColor, false, true, false)
NUVO_FONT_SETTER(FontHoverBorder, BorderWidth, false, true, true)
NUVO_FONT_SETTER(FontHoverShadow, ShadowWidth, false, true, true)
NUVO_FONT_SETTER(FontHoverBorderColor, BorderColor, false, true, false)
NUVO_FONT_SETTER(FontHoverShadowColor, ShadowColor, false, true, false)
#undef NUVO_FONT_SETTER

void TNuvoCustomListBox::SetFontStyle(int32_t v) {
    if (change(labels_.FontStyle, static_cast<uint8_t>(v), true)) labels_.MarkDirty();
}

void TNuvoCustomListBox::SetFontHoverStyle(int32_t v) {
    if (change(hoverLabels_.FontStyle, static_cast<uint8_t>(v), true)) hoverLabels_.MarkDirty();
}

void TNuvoCustomListBox::SetFontName(std::string_view v) {
    if (labels_.FontName == v && hoverLabels_.FontName == v) return;
    labels_.FontName = hoverLabels_.FontName = std::string(v);
    Invalidate();
    layoutDirty_ = true;
}

void TNuvoCustomListBox::SetAntialias(bool v) {
    const int32_t q = v ? 3 : 0;
    if (labels_.Quality == q && hoverLabels_.Quality == q) return;
    labels_.Quality = hoverLabels_.Quality = q;
    Invalidate();
    layoutDirty_ = true;
}

void TNuvoCustomListBox::SetPaused(bool v) {
    paused_ = v;
    TNuvoBaseList* registry = Owner();
    if (!registry) return;
    TNuvoControl* focused = registry->FocusedControl();
    if ((v && focused && (focused == this || IsAncestorOf(focused))) || (!v && !focused)) registry->ClearFocus();
}

// ---- Pictures ------------------------------------------------------------------------------------

void TNuvoCustomListBox::loadPicture(TNuvoImageList& list, std::string_view name) {
    TPelkCollection* cache = Owner() && Owner()->Host ? Owner()->Host->PictureCache() : nullptr;
    // A name that does not resolve lets the previous picture go.
    list.Clear();
    if (cache && !name.empty()) list.Load(*cache, std::string(name));
}

std::string TNuvoCustomListBox::GetBorderSource(int32_t i) const {
    return i >= 0 && i < 9 ? borderSources_[static_cast<size_t>(i)] : std::string();
}

void TNuvoCustomListBox::SetBorderSource(int32_t i, std::string_view name) {
    if (i < 0 || i >= 9) return;
    const auto k = static_cast<size_t>(i);
    Invalidate();
    borderSources_[k] = name;
    loadPicture(borderLists_[k], name);
    borderFrame_[k] = 0;
    borderWait_[k] = borderLists_[k].Count() > 0 ? borderLists_[k].At(0).Delay() : 0;
    layoutDirty_ = true;
}

int32_t TNuvoCustomListBox::GetBorderHAlign(int32_t i) const { return i >= 0 && i < 9 ? borderHAlign_[static_cast<size_t>(i)] : 0; }
int32_t TNuvoCustomListBox::GetBorderVAlign(int32_t i) const { return i >= 0 && i < 9 ? borderVAlign_[static_cast<size_t>(i)] : 0; }

void TNuvoCustomListBox::SetBorderHAlign(int32_t i, int32_t v) {
    if (i == 1 || i == 4 || i == 7) change(borderHAlign_[static_cast<size_t>(i)], static_cast<uint8_t>(v), false);
}

void TNuvoCustomListBox::SetBorderVAlign(int32_t i, int32_t v) {
    if (i == 3 || i == 4 || i == 5) change(borderVAlign_[static_cast<size_t>(i)], static_cast<uint8_t>(v), false);
}

void TNuvoCustomListBox::SetScrollSource(std::string_view name) {
    Invalidate();
    scrollSource_ = name;
    loadPicture(scrollPicture_, name);
    layoutDirty_ = true;
}

void TNuvoCustomListBox::SetCheckSource(std::string_view name) {
    Invalidate();
    checkSource_ = name;
    loadPicture(checkPicture_, name);
    layoutDirty_ = true;
}

namespace {

TCustomDIBX* firstFrame(TNuvoImageList& list) { return list.Count() > 0 ? list.At(0).Picture(0) : nullptr; }

TCustomDIBX* frameOf(const TNuvoImageList& list) {
    return list.Count() > 0 ? const_cast<TNuvoImageList&>(list).At(0).Picture(0) : nullptr;
}

// (width div parts, height) of a picture; zero-sized when too small.
TPoint cellOf(const TNuvoImageList& list, int32_t parts) {
    const TCustomDIBX* p = frameOf(list);
    if (!p) return {};
    const int32_t w = p->Width() / parts;
    return w > 0 && p->Height() > 0 ? TPoint{w, p->Height()} : TPoint{};
}

} // namespace

// ---- Geometry ----------------------------------------------------------------------------------------

TNuvoCustomListBox::TBands TNuvoCustomListBox::bands() const {
    TBands b;
    const auto size = [&](int i) -> TPoint {
        const TCustomDIBX* p = frameOf(borderLists_[static_cast<size_t>(i)]);
        return p ? TPoint{p->Width(), p->Height()} : TPoint{};
    };
    b.L = std::max({size(0).X, size(3).X, size(6).X});
    b.R = std::max({size(2).X, size(5).X, size(8).X});
    b.T = std::max({size(0).Y, size(1).Y, size(2).Y});
    b.B = std::max({size(6).Y, size(7).Y, size(8).Y});
    return b;
}

TRect TNuvoCustomListBox::innerRect() const { return deflate(GetScreenRect(), borderWidth_); }

TRect TNuvoCustomListBox::cellRect(int32_t i, const TRect& q, const TBands& b) const {
    const TCustomDIBX* p = frameOf(borderLists_[static_cast<size_t>(i)]);
    const int32_t w = p ? p->Width() : 0, h = p ? p->Height() : 0;
    TRect r;
    switch (i % 3) {
    case 0: r.Left = q.Left + b.L - w; r.Right = r.Left + w; break;
    case 1: r.Left = q.Left + b.L; r.Right = q.Right - b.R; break;
    default: r.Left = q.Right - b.R; r.Right = r.Left + w; break;
    }
    switch (i / 3) {
    case 0: r.Top = q.Top + b.T - h; r.Bottom = r.Top + h; break;
    case 1: r.Top = q.Top + b.T; r.Bottom = q.Bottom - b.B; break;
    default:
        if (q.Height() < b.T) return TRect{};
        r.Top = q.Bottom - b.B;
        r.Bottom = r.Top + h;
        break;
    }
    r.Top = std::max(r.Top, q.Top);
    r.Bottom = std::min(r.Bottom, q.Bottom);
    return r;
}

int32_t TNuvoCustomListBox::rowHeight() const {
    const TKvLabelDIB* a = labels_.Items(0);
    const TKvLabelDIB* b = hoverLabels_.Items(0);
    return std::max(a ? a->Height() : 0, b ? b->Height() : 0);
}

int32_t TNuvoCustomListBox::h2() const { return std::min(lineSpace_ / 2, marginY_); }

int32_t TNuvoCustomListBox::scrollWidth() const { return hasScrollBar() ? cellOf(scrollPicture_, 7).X : 0; }

void TNuvoCustomListBox::Layout() {
    labels_.Measure();
    hoverLabels_.Measure();
    labels_.MarkDirty();
    hoverLabels_.MarkDirty();
    const TBands b = bands();
    const int32_t count = GetCount();
    int64_t width = std::max(labels_.MaxWidth(), hoverLabels_.MaxWidth());
    width += 2 * int64_t{borderWidth_} + b.L + b.R + 2 * int64_t{marginX_} + scrollWidth() + cellOf(checkPicture_, 2).X;
    const int64_t n = std::min(std::max(rowCount_, 0), count);
    const auto lineOf = [](const TKvLabelList& l) {
        return 2 * int64_t{std::clamp(l.BorderWidth, 0, kMaxOutlineWidth)} + l.FontHeight +
               std::clamp(l.ShadowWidth, 0, kMaxShadowOffset);
    };
    const int64_t h = std::max(lineOf(labels_), lineOf(hoverLabels_));
    // Line space only between rows.
    int64_t height = n * h + std::max<int64_t>(n - 1, 0) * lineSpace_ + 2 * int64_t{borderWidth_} + b.T + b.B +
                     2 * int64_t{marginY_};
    Invalidate();
    TNuvoControl::SetWidth(clamp32(std::max<int64_t>(width, 0)));
    TNuvoControl::SetHeight(clamp32(std::max<int64_t>(height, 0)));
    layoutDirty_ = false;
}

int32_t TNuvoCustomListBox::thumbTop(int32_t& span) const {
    const TBands b = bands();
    const int32_t sh = cellOf(scrollPicture_, 7).Y;
    const int32_t top = GetAbsTop() + borderWidth_ + b.T + sh;
    span = clamp32(int64_t{GetHeight()} - 2 * int64_t{borderWidth_} - b.T - b.B - 3 * int64_t{sh});
    const int32_t range = GetCount() - rowCount_;
    if (span <= 0 || range <= 0) return top;
    return clamp32(top + int64_t{span} * topIndex_ / range);
}

int32_t TNuvoCustomListBox::ItemAt(int32_t x, int32_t y) const {
    const TBands b = bands();
    const int64_t left = int64_t{GetAbsLeft()} + borderWidth_ + b.L;
    const int64_t top = int64_t{GetAbsTop()} + borderWidth_ + b.T + marginY_ - h2();
    const int64_t right = int64_t{GetAbsLeft()} + GetWidth() - borderWidth_ - b.R - scrollWidth();
    const int64_t bottom = int64_t{GetAbsTop()} + GetHeight() - borderWidth_ - b.B - marginY_ + h2();
    if (x < left || x >= right || y < top || y >= bottom) return -1;
    int64_t answer = int64_t{topIndex_} - 1;
    int64_t boundary = int64_t{GetAbsTop()} + borderWidth_ + b.T + marginY_ - lineSpace_ / 2;
    const int64_t step = int64_t{rowHeight()} + lineSpace_;
    for (int64_t r = 0; r <= int64_t{rowCount_} && boundary <= y; ++r) {
        ++answer;
        boundary += step;
        if (step <= 0) break;
    }
    // Rows past the last item (a Height set larger) are no item.
    return answer >= 0 && answer < GetCount() ? static_cast<int32_t>(answer) : -1;
}

std::vector<TNuvoCustomListBox::TRow> TNuvoCustomListBox::VisibleRows() {
    if (layoutDirty_) Layout();
    std::vector<TRow> rows;
    const TRect inner = innerRect();
    const TBands b = bands();
    const int32_t rowH = rowHeight();
    const int32_t x0 = inner.Left + b.L + marginX_ + cellOf(checkPicture_, 2).X;
    const int32_t avail = inner.Right - b.R - marginX_ - x0 - scrollWidth();
    for (int32_t r = 0; r < rowCount_; ++r) {
        const int64_t a = int64_t{topIndex_} + r;
        if (a >= GetCount()) break;
        const int64_t y = int64_t{inner.Top} + b.T + marginY_ + int64_t{r} * (rowH + lineSpace_);
        if (y >= inner.Bottom) break;
        TKvLabelDIB* label = (a == hover_ ? hoverLabels_ : labels_).Items(static_cast<int32_t>(a));
        const int32_t w = label ? label->Width() : 0;
        const int32_t x = hAlign_ == 1 ? x0 + (avail - w) / 2 : hAlign_ == 2 ? x0 + avail - w : x0;
        rows.push_back({static_cast<int32_t>(a), boundsRect(x, clamp32(y), w, label ? label->Height() : 0)});
    }
    return rows;
}

TRect TNuvoCustomListBox::RowRect(int32_t item) {
    if (layoutDirty_) Layout();
    const int64_t r = int64_t{item} - topIndex_;
    if (item < 0 || item >= GetCount() || r < 0 || r >= rowCount_) return {};
    const TRect inner = innerRect();
    const TBands b = bands();
    const int64_t y = int64_t{inner.Top} + b.T + marginY_ + r * (int64_t{rowHeight()} + lineSpace_);
    if (y >= inner.Bottom) return {};
    return TRect{inner.Left + b.L, clamp32(y - h2()), inner.Right - b.R, clamp32(y + rowHeight() + h2())};
}

// ---- Painting ----------------------------------------------------------------------------------------

void TNuvoCustomListBox::paintFrame(TCustomDIBX& target, const TRect& inner, const TBands& b) {
    for (int32_t i = 0; i < 9; ++i) {
        TNuvoImageList& list = borderLists_[static_cast<size_t>(i)];
        if (list.Count() == 0) continue;
        TRect cell = cellRect(i, inner, b);
        if (i == 4 && hasScrollBar() && animState_ == 0) cell.Right -= scrollWidth();
        if (cell.isEmpty()) continue;
        TNuvoImageData& frame = list.At(std::clamp(borderFrame_[static_cast<size_t>(i)], 0, list.Count() - 1));
        TCustomDIBX* picture = frame.Picture(0);
        if (!picture || picture->Width() <= 0 || picture->Height() <= 0) continue;
        // Alignment of a narrower frame centres or right-aligns the pattern;
        // a wider one shows its middle or its right part.
        const auto offset = [](int32_t align, int32_t cellSize, int32_t frameSize) {
            if (align != 1 && align != 2) return 0;
            if (frameSize < cellSize) {
                const int32_t rest = cellSize % frameSize;
                return align == 1 ? -(rest / 2) : -rest;
            }
            return align == 1 ? (frameSize - cellSize) / 2 : frameSize - cellSize;
        };
        const int32_t ox = (i % 3 == 1) ? offset(borderHAlign_[static_cast<size_t>(i)], cell.Width(), picture->Width()) : 0;
        const int32_t oy = (i / 3 == 1) ? offset(borderVAlign_[static_cast<size_t>(i)], cell.Height(), picture->Height()) : 0;
        if (TCustomDIBX* mask = frame.Mask())
            target.FillTiledStretchMask(cell, *picture, *mask, false, false, ox, oy, 256, 256, alpha_);
        else if (alpha_ == 255 && picture->TransparentColor == -1)
            target.FillTiled(cell, *picture, false, false, ox, oy);
        else
            target.FillTiledStretch(cell, *picture, false, false, ox, oy, 256, 256, alpha_, true);
    }
}

void TNuvoCustomListBox::paintScrollBar(TCustomDIBX& target, const TRect& inner, const TBands& b) {
    TCustomDIBX* picture = firstFrame(scrollPicture_);
    const TPoint c = cellOf(scrollPicture_, 7);
    if (animState_ != 0 || !hasScrollBar() || !picture || c.X <= 0) return;
    TCustomDIBX* mask = scrollPicture_.At(0).Mask();
    const int32_t sw = c.X, sh = c.Y;
    const int32_t x = inner.Right - b.R - sw;
    int32_t span = 0;
    const int32_t t = thumbTop(span);
    const auto part = [&](const TRect& dest, int32_t cell, int32_t offsetY) {
        if (dest.isEmpty()) return;
        const TRect source{cell * sw, 0, (cell + 1) * sw, sh};
        if (mask) {
            if (alpha_ > 255)
                target.TileDrawAddMask(dest, *picture, source, *mask, 0, offsetY, 0, 0, alpha_ - 256);
            else if (alpha_ == 255)
                target.TileDrawMask(dest, *picture, source, *mask, 0, offsetY, 0, 0);
            else
                target.TileDrawAlphaMask(dest, *picture, source, *mask, 0, offsetY, 0, 0, alpha_);
        } else if (alpha_ > 255) {
            target.TileDrawAdd(dest, *picture, source, 0, offsetY, 0, 0, alpha_ - 256);
        } else if (alpha_ == 255) {
            target.TileDraw(dest, *picture, source, 0, offsetY, 0, 0);
        } else {
            target.TileDrawAlpha(dest, *picture, source, 0, offsetY, 0, 0, alpha_);
        }
    };
    const int32_t upTop = inner.Top + b.T;
    const int32_t downTop = inner.Bottom - b.B - sh;
    part(boundsRect(x, upTop, sw, sh), scrollMode_ == 1 && arrowOver_ ? 1 : 0, 0);
    part(boundsRect(x, downTop, sw, sh), scrollMode_ == 2 && arrowOver_ ? 3 : 2, 0);
    const int32_t upperTop = upTop + sh;
    part(TRect{x, upperTop, x + sw, t}, scrollMode_ == 3 && trackOver_ ? 5 : 4, 0);
    // The lower track continues the upper one's pattern.
    const int32_t lowerTop = t + sh;
    part(TRect{x, lowerTop, x + sw, downTop}, scrollMode_ == 4 && trackOver_ ? 5 : 4,
         static_cast<int32_t>((int64_t{lowerTop} - upperTop) % sh));
    part(boundsRect(x, t, sw, sh), 6, 0);
}

void TNuvoCustomListBox::paintRows(TCustomDIBX& target, const TRect& inner, const TBands& b) {
    const int32_t rowH = rowHeight();
    const TPoint check = cellOf(checkPicture_, 2);
    TCustomDIBX* checkPicture = firstFrame(checkPicture_);
    TCustomDIBX* checkMask = checkPicture ? checkPicture_.At(0).Mask() : nullptr;
    const int32_t x0 = inner.Left + b.L + marginX_ + check.X;
    const int32_t avail = inner.Right - b.R - marginX_ - x0 - scrollWidth();
    const int32_t hoverColor = GetHoverColor();
    const TRect clip = target.EffectiveClip();
    for (const TRow& row : VisibleRows()) {
        const int32_t y = row.Rect.Top;
        if (y - h2() >= clip.Bottom) break;
        const bool hovered = row.Item == hover_;
        if (hovered && hoverColor != -1)
            fillMode(target,
                     boundsRect(inner.Left + b.L + 1, y - h2(), 2 * marginX_ + avail + check.X - 2, rowH + 2 * h2()),
                     hoverColor, alpha_);
        if (row.Rect.Bottom > clip.Top)
            if (TKvLabelDIB* label = (hovered ? hoverLabels_ : labels_).Items(row.Item)) label->DrawAt(row.Rect.Left, y);
        if (GetCheck(row.Item) && checkPicture && check.X > 0) {
            const TRect source{hovered ? check.X : 0, 0, hovered ? 2 * check.X : check.X, check.Y};
            drawBlock(target, x0 - check.X, y + (rowH - check.Y) / 2, *checkPicture, source, checkMask, alpha_, false,
                      false);
        }
    }
}

void TNuvoCustomListBox::Paint() {
    TCustomDIBX* target = GetDrawSurface();
    if (target && GetVisible() && drawsAtAlpha(alpha_) && GetWidth() > 0 && GetHeight() > 0) {
        if (layoutDirty_) Layout();
        const TRect screen = GetScreenRect();
        const TRect saved = target->ClipRect;
        const TRect clip = intersectRect(target->EffectiveClip(), screen);
        if (!clip.isEmpty()) {
            // The rows never reach past the control, even while its height shrinks.
            target->ClipRect = clip;
            labels_.Target = hoverLabels_.Target = target;
            if (borderWidth_ > 0 && borderColor_ != -1 && GetHeight() >= borderWidth_)
                fillMode(*target, screen, borderColor_, alpha_, borderWidth_);
            const TRect inner = innerRect();
            if (!inner.isEmpty()) {
                if (GetColor() != -1) fillMode(*target, inner, GetColor(), alpha_);
                const TBands b = bands();
                paintFrame(*target, inner, b);
                paintScrollBar(*target, inner, b);
                paintRows(*target, inner, b);
            }
            target->ClipRect = saved;
        }
    }
    paintChildren();
}

// ---- Tick ----------------------------------------------------------------------------------------------

void TNuvoCustomListBox::animateBorders() {
    if (GetAniPaused()) return;
    const int32_t frameMs = Owner() ? Owner()->FrameDelta : 0;
    bool stepped = false;
    for (size_t i = 0; i < 9; ++i) {
        TNuvoImageList& list = borderLists_[i];
        if (list.Count() <= 1) continue;
        borderWait_[i] = wrapSub(borderWait_[i], frameMs);
        // A frame list with no delays at all steps once a tick.
        for (int guard = 0; borderWait_[i] < 1 && guard <= list.Count(); ++guard) {
            borderFrame_[i] = (borderFrame_[i] + 1) % list.Count();
            stepped = true;
            if (borderFrame_[i] == 0) {
                borderWait_[i] = list.At(0).Delay();
                break;
            }
            borderWait_[i] = wrapAdd(borderWait_[i], list.At(borderFrame_[i]).Delay());
        }
    }
    if (stepped) Invalidate();
}

bool TNuvoCustomListBox::Tick() {
    if (layoutDirty_) Layout();
    animateBorders();
    return TNuvoControl::Tick();
}

// ---- Hover and choice ----------------------------------------------------------------------------------

bool TNuvoCustomListBox::queueEvent(int32_t kind, const std::string& handler, std::span<const std::string> args,
                                    bool once) {
    TNuvoBaseList* registry = Owner();
    if (!registry || handler.empty()) return false;
    if (once && registry->Events.Contains(this, static_cast<uint8_t>(kind))) return false;
    TTimerData event;
    event.Handler = handler;
    event.Sender.reset(this);
    event.Kind = static_cast<uint8_t>(kind);
    event.Args.assign(args.begin(), args.end());
    registry->Events.Add(std::move(event));
    return true;
}

void TNuvoCustomListBox::invalidateRow(int32_t item) {
    if (item < 0 || !GetVisible()) return;
    TNuvoBase* base = GetBase();
    if (!base) return;
    // A check mark taller than the row reaches into its neighbours.
    if (layoutDirty_ || cellOf(checkPicture_, 2).Y > rowHeight()) {
        Invalidate();
        return;
    }
    const TRect screen = GetScreenRect();
    TRect r = RowRect(item);
    // Across the whole control: a label wider than its column overlaps the frame.
    r.Left = screen.Left;
    r.Right = screen.Right;
    r = intersectRect(r, screen);
    if (r.isEmpty()) return;
    if (TNuvoControl* parent = GetParent()) r = intersectRect(r, parent->GetScreenRect());
    if (HasClip()) r = intersectRect(r, GetClipScreenRect());
    if (r.isEmpty()) return;
    for (const TNuvoControl* p = GetParent(); p; p = p->GetParent()) p->AdjustInvalidRect(r);
    base->AddDirtyRect(r);
}

void TNuvoCustomListBox::SetHover(int32_t a) {
    if (a < 0 || a >= GetCount()) a = -1;
    if (a == hover_) return;
    if (a < 0 && hover_ >= 0 && hover_ < GetCount()) {
        const std::string args[2] = {labels_.Items(hover_)->Text(), std::to_string(hover_)};
        queueEvent(PR_ONMAPOUT, onMapOut_, args, true);
    }
    const int32_t old = hover_;
    hover_ = a;
    index_ = -1;
    // Only the two rows change.
    invalidateRow(old);
    invalidateRow(a);
    if (a >= 0) {
        const std::string args[2] = {labels_.Items(a)->Text(), std::to_string(a)};
        queueEvent(PR_ONMAPIN, onMapIn_, args, true);
    }
}

void TNuvoCustomListBox::choose() {
    // A hover left beyond replaced items chooses nothing.
    const TKvLabelDIB* label = labels_.Items(hover_);
    if (!label) return;
    index_ = hover_;
    if (TNuvoBaseList* registry = Owner(); registry && registry->Host)
        if (ScriptContext* script = registry->Host->Script()) {
            script->Vars.SelStr = label->Text();
            script->Vars.SelIndex = index_;
        }
    const std::string args[2] = {label->Text(), std::to_string(index_)};
    queueEvent(PR_ONSELECT, onSelect_, args, true);
    afterChoose();
}

// ---- Mouse -------------------------------------------------------------------------------------------------

void TNuvoCustomListBox::DoLBtnDown() {
    if (paused_) {
        TNuvoControl::DoLBtnDown();
        return;
    }
    TNuvoBase* base = GetBase();
    if (!base) return;
    base->CaptureFlags |= TNuvoBase::kCaptureLeft;
    base->LClick = false;
    const int32_t mx = base->MouseX, my = base->MouseY;
    const TBands b = bands();
    const TPoint c = cellOf(scrollPicture_, 7);
    const int64_t columnLeft = int64_t{GetAbsLeft()} + GetWidth() - borderWidth_ - b.R - c.X;
    scrollMode_ = 5;
    if (hasScrollBar() && c.X > 0 && mx >= columnLeft && mx < columnLeft + c.X) {
        int32_t span = 0;
        const int32_t t = thumbTop(span);
        const int64_t upTop = int64_t{GetAbsTop()} + borderWidth_ + b.T;
        const int64_t downBottom = int64_t{GetAbsTop()} + GetHeight() - borderWidth_ - b.B;
        if (my >= t && my < int64_t{t} + c.Y) {
            dragOffset_ = clamp32(int64_t{my} - t - c.Y / 2);
            scrollMode_ = 0;
        } else if (my >= upTop && my < upTop + c.Y) {
            scrollMode_ = 1;
        } else if (my >= downBottom - c.Y && my < downBottom) {
            scrollMode_ = 2;
        } else if (my >= upTop + c.Y && my < t) {
            scrollMode_ = 3;
        } else if (my >= int64_t{t} + c.Y && my < downBottom - c.Y) {
            scrollMode_ = 4;
        }
        if (scrollMode_ >= 1 && scrollMode_ <= 4) {
            repeatClock_ = clock();
            repeatWait_ = 0;
            DoPressedTick();
            repeatWait_ = 300;
        }
    }
}

bool TNuvoCustomListBox::mouseOverHeldPart() const {
    const TNuvoBase* base = GetBase();
    if (!base) return false;
    const int32_t mx = base->MouseX, my = base->MouseY;
    const TBands b = bands();
    const TPoint c = cellOf(scrollPicture_, 7);
    const int64_t columnLeft = int64_t{GetAbsLeft()} + GetWidth() - borderWidth_ - b.R - c.X;
    if (mx < columnLeft || mx >= columnLeft + c.X) return false;
    int32_t span = 0;
    const int32_t t = thumbTop(span);
    const int64_t upTop = int64_t{GetAbsTop()} + borderWidth_ + b.T;
    const int64_t downBottom = int64_t{GetAbsTop()} + GetHeight() - borderWidth_ - b.B;
    switch (scrollMode_) {
    case 1: return my >= upTop && my < upTop + c.Y;
    case 2: return my >= downBottom - c.Y && my < downBottom;
    case 3: return my >= upTop + c.Y && my < t;
    case 4: return my >= int64_t{t} + c.Y && my < downBottom - c.Y;
    default: return false;
    }
}

void TNuvoCustomListBox::stepScroll() {
    const int32_t count = GetCount();
    int32_t top = topIndex_;
    switch (scrollMode_) {
    case 1: if (top > 0) --top; break;
    case 2: if (int64_t{top} + rowCount_ < count) ++top; break;
    case 3: if (top > 0) top = std::max(0, top - rowCount_); break;
    case 4: if (int64_t{top} + rowCount_ < count) top = clamp32(std::min<int64_t>(int64_t{top} + rowCount_, count - rowCount_)); break;
    default: break;
    }
    change(topIndex_, top, false);
}

void TNuvoCustomListBox::DoPressedTick() {
    if (scrollMode_ < 1 || scrollMode_ > 4) return;
    const bool over = mouseOverHeldPart();
    bool& flag = scrollMode_ <= 2 ? arrowOver_ : trackOver_;
    if (flag != over) {
        flag = over;
        Invalidate();
    }
    const int32_t now = clock();
    repeatWait_ = wrapSub(repeatWait_, wrapSub(now, repeatClock_));
    repeatClock_ = now;
    if (repeatWait_ > 0) return;
    repeatWait_ = wrapAdd(repeatWait_, 50);
    if (over) stepScroll();
}

void TNuvoCustomListBox::DoMouseMove() {
    const TNuvoBase* base = GetBase();
    if (scrollMode_ == 0) {
        if (!base) return;
        int32_t span = 0;
        thumbTop(span);
        const int32_t range = GetCount() - rowCount_;
        // Too short for its scroll bar: the thumb stays where it is.
        if (span <= 0 || range <= 0) return;
        const TBands b = bands();
        const int32_t sh = cellOf(scrollPicture_, 7).Y;
        const double y = double(base->MouseY) - dragOffset_ - GetAbsTop() - borderWidth_ - b.T - sh - sh / 2;
        const int32_t top = std::clamp(roundClamped(range * y / span), 0, range);
        change(topIndex_, top, false);
        return;
    }
    if (scrollMode_ == 5 || scrollMode_ == -1) {
        if (!paused_ && base) SetHover(ItemAt(base->MouseX, base->MouseY));
        TNuvoControl::DoMouseMove();
    }
}

void TNuvoCustomListBox::DoMouseOut(TNuvoObject* newlyHovered) {
    if (!paused_ && GetIgnoreMouse() != IM_ALL) SetHover(-1);
    TNuvoControl::DoMouseOut(newlyHovered);
}

void TNuvoCustomListBox::DoLBtnUp() {
    if (!IsMouseBlocked() && scrollMode_ == 5 && hover_ >= 0) choose();
    scrollMode_ = -1;
    arrowOver_ = trackOver_ = false;
    Invalidate();
}

// ---- Keys ------------------------------------------------------------------------------------------------------

void TNuvoCustomListBox::DoKeyRepeat(std::span<const int32_t> keys) {
    const auto has = [&](int32_t k) { return std::find(keys.begin(), keys.end(), k) != keys.end(); };
    const int32_t count = GetCount();
    const int32_t before = hover_;
    if (has(platform::vk::Up)) {
        if (hover_ > 0) SetHover(hover_ - 1);
        else if (hover_ < 0) SetHover(count - 1);
    } else if (has(platform::vk::Down)) {
        if (hover_ < 0) SetHover(0);
        else if (hover_ < count - 1) SetHover(hover_ + 1);
    } else if (has(platform::vk::Prior)) {
        if (hover_ > 0) SetHover(std::max(0, hover_ - rowCount_));
        else if (hover_ < 0) SetHover(count - 1);
    } else if (has(platform::vk::Next)) {
        if (hover_ < 0) SetHover(0);
        else if (hover_ < count - 1) SetHover(clamp32(std::min<int64_t>(count - 1, int64_t{hover_} + rowCount_)));
    }
    if (hover_ != before && hover_ >= 0) {
        if (hover_ < topIndex_)
            SetTopIndex(hover_);
        else if (int64_t{hover_} >= int64_t{topIndex_} + rowCount_)
            SetTopIndex(clamp32(int64_t{hover_} - rowCount_ + 1));
    }
    TNuvoControl::DoKeyRepeat(keys);
}

// ---- Save record ------------------------------------------------------------------------------------------------

void TNuvoCustomListBox::SaveToStream(TStream& s) const {
    TNuvoControl::SaveToStream(s);
    labels_.SaveSettings(s);
    hoverLabels_.SaveSettings(s);
    WriteStr(s, text_);
    for (int32_t v : {lineSpace_, alpha_, marginX_, marginY_, borderWidth_, borderColor_, rowCount_})
        WriteInt(s, v);
    for (size_t i = 0; i < 9; ++i) {
        WriteStr(s, borderSources_[i]);
        WriteByte(s, borderHAlign_[i]);
        WriteByte(s, borderVAlign_[i]);
    }
    WriteStr(s, scrollSource_);
    WriteStr(s, checkSource_);
    WriteInt(s, topIndex_);
    WriteByte(s, hAlign_);
    // One byte per item: the count follows from the text.
    for (uint8_t c : checks_)
        WriteByte(s, c);
    WriteStr(s, onSelect_);
    WriteBool(s, paused_);
    WriteInt(s, index_);
    WriteInt(s, animState_);
    WriteStr(s, onIdle_);
    WriteStr(s, onMapIn_);
    WriteStr(s, onMapOut_);
}

void TNuvoCustomListBox::LoadFromStream(TStream& s, int32_t version) {
    TNuvoControl::LoadFromStream(s, version);
    labels_.LoadSettings(s, version);
    hoverLabels_.LoadSettings(s, version);
    SetText(ReadStrChecked(s));
    lineSpace_ = ReadIntChecked(s);
    alpha_ = ReadIntChecked(s);
    labels_.Alpha = hoverLabels_.Alpha = alpha_;
    marginX_ = ReadIntChecked(s);
    marginY_ = ReadIntChecked(s);
    borderWidth_ = ReadIntChecked(s);
    borderColor_ = ReadIntChecked(s);
    rowCount_ = std::max(ReadIntChecked(s), 0);
    for (int32_t i = 0; i < 9; ++i) {
        SetBorderSource(i, ReadStrChecked(s));
        borderHAlign_[static_cast<size_t>(i)] = ReadByteChecked(s);
        borderVAlign_[static_cast<size_t>(i)] = ReadByteChecked(s);
    }
    SetScrollSource(ReadStrChecked(s));
    SetCheckSource(ReadStrChecked(s));
    const int32_t top = ReadIntChecked(s);
    if (version < 104) ReadByteChecked(s);
    hAlign_ = ReadByteChecked(s);
    RequireBytes(s, static_cast<int64_t>(checks_.size()));
    for (uint8_t& c : checks_)
        c = ReadByteChecked(s);
    onSelect_ = ReadStrChecked(s);
    paused_ = ReadBoolChecked(s);
    index_ = ReadIntChecked(s);
    animState_ = ReadIntChecked(s);
    if (version > 130) onIdle_ = ReadStrChecked(s);
    if (version > 133) {
        onMapIn_ = ReadStrChecked(s);
        onMapOut_ = ReadStrChecked(s);
    }
    layoutDirty_ = true;
    Layout();
    SetTopIndex(top);
}

} // namespace nuvo
