// Rendering characters into the word's surfaces and drawing elements onto a
// destination; links under the pointer.
//
// A character with an outline, a shadow, a line (underline, strikeout, or a
// link's underline) or ruby is rendered into the colour and mask surfaces at
// its place in the page and drawn through the mask; any other character is
// drawn straight from the glyph cache. Each element draws only its own cell,
// so neighbours never blend the same pixels twice.
#include "text/FontPixel.h"
#include "text/KvWord.h"

#include <algorithm>

namespace nuvo {

namespace {

// The word's surfaces never exceed this many pixels (a page of a huge text
// renders its top-left part).
constexpr int64_t kMaxSurfacePixels = int64_t{16} << 20;

// Narrows a destination's clip for one draw and puts it back.
class TClipScope {
public:
    TClipScope(TCustomDIBX& dest, const TRect& clip) : dest_(dest), saved_(dest.ClipRect) { dest.ClipRect = clip; }
    ~TClipScope() { dest_.ClipRect = saved_; }
    TClipScope(const TClipScope&) = delete;
    TClipScope& operator=(const TClipScope&) = delete;

private:
    TCustomDIBX& dest_;
    TRect saved_;
};

// Where an element may draw on the destination: its cell, the destination's
// clip and the word's clip. Empty when nothing shows.
TRect drawClip(const TKvWord& word, TCustomDIBX& dest, const TRect& area) {
    TRect clip = intersectRect(dest.EffectiveClip(), offsetRect(area, word.OriginX, word.OriginY));
    if (word.ClipRect.Right != 0) clip = intersectRect(clip, word.ClipRect);
    return clip;
}

// The inner cell of a character (where the glyph's body goes) in the text area.
TRect innerCell(const TRect& area, const TKvWord::TCellStyle& cs, uint16_t code) {
    const int32_t italic = (cs.styleBits & kStyleItalic) ? cs.size / 5 : 0;
    const int32_t top = area.Top + cs.rubyHeight;
    const int32_t body = code < 0x100 ? (cs.size + 1) / 2 : cs.size;
    return TRect{area.Left, top, area.Left + body + italic, top + cs.size};
}

uint8_t glyphStyle(const TWdChar& c, const TKvWord::TCellStyle& cs) {
    return static_cast<uint8_t>(cs.styleBits | (c.Link.empty() ? 0 : kStyleUnderline));
}

// A neighbour the outline and lines run on into.
bool joins(const TKvWord& word, const TWdChar& c, const TWdGlyph* other) {
    const auto* o = dynamic_cast<const TWdChar*>(other);
    if (!o) return false;
    const TKvWord::TCellStyle a = word.CellOf(c.Style()), b = word.CellOf(o->Style());
    return a.border == b.border && a.shadow == b.shadow && word.BorderColorOf(c.Style()) == word.BorderColorOf(o->Style()) &&
           word.ShadowColorOf(c.Style()) == word.ShadowColorOf(o->Style());
}

const TWdGlyph* rowNeighbour(const TWdGlyph& g, int step) {
    const auto* row = dynamic_cast<const TWdRow*>(g.Parent);
    if (!row || g.Slot < 0) return nullptr;
    const int64_t k = int64_t{g.Slot} + step;
    if (k < 0 || k >= static_cast<int64_t>(row->Items.size())) return nullptr;
    return row->Items[static_cast<size_t>(k)];
}

const std::string& rubyOf(const TWdGlyph* g) {
    static const std::string none;
    const auto* c = dynamic_cast<const TWdChar*>(g);
    return c && c->Style() ? c->Style()->Ruby : none;
}

} // namespace

TRect TKvWord::surfaceRect(const TRect& area) const {
    return intersectRect(area, TRect{0, 0, ColourSurface.Width(), ColourSurface.Height()});
}

bool TWdChar::NeedsSurfaces(const TKvWord& word) const {
    const TKvWord::TCellStyle cs = word.CellOf(Style());
    return cs.border > 0 || cs.shadow > 0 || (cs.styleBits & (kStyleUnderline | kStyleStrikeOut)) || !Link.empty() ||
           cs.rubyHeight > 0;
}

void TWdChar::Render(TKvWord& word) {
    if (!word.Glyphs || !NeedsSurfaces(word)) return;
    const TRect area = AreaRect();
    const TRect r = word.surfaceRect(area);
    if (r.isEmpty()) return;
    const TKvWord::TCellStyle cs = word.CellOf(Style());
    word.Glyphs->SetLevel(word.Antialias);
    const TFontPixel& g = word.Glyphs->GetGlyph(Code, word.FontOf(Style()), glyphStyle(*this, cs), cs.size);
    TDIBX& colour = word.ColourSurface;
    TFontPixelManager::DrawGlyph(g, colour, word.MaskSurface, false, colour.ColorToPixel(word.ShadowColorOf(Style())),
                                 colour.ColorToPixel(word.BorderColorOf(Style())), colour.ColorToPixel(word.TextColorOf(*this)),
                                 joins(word, *this, rowNeighbour(*this, -1)), joins(word, *this, rowNeighbour(*this, 1)),
                                 cs.shadow, cs.border, innerCell(area, cs, Code), &r);
}

void TWdChar::Draw(TKvWord& word, TCustomDIBX& dest) {
    const int32_t alpha = word.DrawAlpha(Alpha);
    if (alpha <= 0) return;
    const TRect area = AreaRect();
    const TRect clip = drawClip(word, dest, area);
    if (clip.isEmpty()) return;
    TClipScope scope(dest, clip);
    if (NeedsSurfaces(word)) {
        const TRect src = word.surfaceRect(area);
        if (src.isEmpty() || word.ColourSurface.BitCount() != dest.BitCount()) return;
        if (alpha >= 255)
            dest.DrawMask(word.OriginX + src.Left, word.OriginY + src.Top, word.ColourSurface, src, word.MaskSurface);
        else
            dest.DrawAlphaMask(word.OriginX + src.Left, word.OriginY + src.Top, word.ColourSurface, src, word.MaskSurface, alpha);
        return;
    }
    if (!word.Glyphs) return;
    const TKvWord::TCellStyle cs = word.CellOf(Style());
    word.Glyphs->SetLevel(word.Antialias);
    const TFontPixel& g = word.Glyphs->GetGlyph(Code, word.FontOf(Style()), glyphStyle(*this, cs), cs.size);
    if (!g.Coverage) return;
    const TGlyphPlacement at = TFontPixelManager::Place(g, innerCell(area, cs, Code), 0);
    dest.DrawGlyph8(word.OriginX + at.x, word.OriginY + at.y, alpha, dest.ColorToPixel(word.TextColorOf(*this)),
                    *g.Coverage, TRect{0, 0, g.BitmapWidth(), g.BitmapHeight()});
}

void TWdImg::Draw(TKvWord& word, TCustomDIBX& dest) {
    const int32_t alpha = word.DrawAlpha(Alpha);
    IWordPicture* p = picture_.get();
    if (alpha <= 0 || !p || Width <= 0 || Height <= 0) return;
    const TRect area = AreaRect();
    const TRect clip = drawClip(word, dest, area);
    if (clip.isEmpty()) return;
    TClipScope scope(dest, clip);
    p->DrawFrame(std::clamp(frame_, 0, std::max(0, p->FrameCount() - 1)), dest, word.OriginX + area.Left,
                 word.OriginY + area.Top, alpha, TRect{0, 0, Width, Height});
}

void TKvWord::renderRuby(TWdRow& row, size_t from, size_t to) {
    if (!Glyphs || from >= to) return;
    const auto* first = static_cast<const TWdChar*>(row.Items[from]);
    const TWdGlyph* last = row.Items[to - 1];
    const TKvWord::TCellStyle cs = CellOf(first->Style());
    const std::vector<uint16_t> codes = charCodes(first->Style()->Ruby);
    if (codes.empty()) return;
    const TRect firstArea = first->AreaRect(), lastArea = last->AreaRect();
    const int64_t runLeft = firstArea.Left, runWidth = int64_t{lastArea.Right} - firstArea.Left;
    const TRect band{firstArea.Left, firstArea.Top, lastArea.Right, firstArea.Top + cs.rubyHeight + 2 * cs.border + cs.shadow};
    const TRect clip = surfaceRect(band);
    if (clip.isEmpty()) return;
    const int32_t size = cs.rubyHeight;
    const std::string font = FontOf(first->Style());
    const uint8_t bits = cs.styleBits & (kStyleBold | kStyleItalic);
    const int32_t italic = (bits & kStyleItalic) ? size / 5 : 0;
    Glyphs->SetLevel(Antialias);
    const int32_t text = ColourSurface.ColorToPixel(TextColorOf(*first));
    const int32_t outline = ColourSurface.ColorToPixel(BorderColorOf(first->Style()));
    const int32_t shadow = ColourSurface.ColorToPixel(ShadowColorOf(first->Style()));
    const int64_t n = static_cast<int64_t>(codes.size());
    for (int64_t k = 0; k < n; ++k) {
        // Spread evenly: the k-th reading character is centred on the k-th
        // of n equal parts of the run.
        const int64_t centre = runLeft + ((2 * k + 1) * runWidth) / (2 * n);
        const int64_t left = centre - (size + italic) / 2 - cs.border;
        const TRect cell{static_cast<int32_t>(left), firstArea.Top, static_cast<int32_t>(left + size + italic),
                         firstArea.Top + size};
        const TFontPixel& g = Glyphs->GetGlyph(codes[static_cast<size_t>(k)], font, bits, size);
        TFontPixelManager::DrawGlyph(g, ColourSurface, MaskSurface, false, shadow, outline, text, false, false, cs.shadow,
                                     cs.border, cell, &clip);
    }
}

void TKvWord::renderRubyRuns(TWdRow& row) {
    size_t k = 0;
    while (k < row.Items.size()) {
        const std::string& ruby = rubyOf(row.Items[k]);
        if (ruby.empty()) {
            ++k;
            continue;
        }
        size_t end = k + 1;
        while (end < row.Items.size() && rubyOf(row.Items[end]) == ruby) ++end;
        renderRuby(row, k, end);
        k = end;
    }
}

void TKvWord::RenderPage(TWdPage& page, int bitCount) {
    if (bitCount != 15 && bitCount != 16 && bitCount != 32) bitCount = 32;
    int64_t w = std::clamp<int64_t>(std::max(page.ContentWidth(), Width), 1, kMaxSurfaceSide);
    int64_t h = std::clamp<int64_t>(page.ContentHeight(), 1, kMaxSurfaceSide);
    if (w * h > kMaxSurfacePixels) h = std::max<int64_t>(1, kMaxSurfacePixels / w);
    ColourSurface.SetSize(static_cast<int32_t>(w), static_cast<int32_t>(h), bitCount);
    MaskSurface.SetSize(static_cast<int32_t>(w), static_cast<int32_t>(h), 8);
    MaskSurface.Clear(0);
    for (auto& row : page.Rows)
        for (TWdGlyph* e : row->Items) e->Render(*this);
    for (auto& row : page.Rows) renderRubyRuns(*row);
}

void TKvWord::RenderElement(TWdGlyph& e) {
    const TRect r = surfaceRect(e.AreaRect());
    if (r.isEmpty()) return;
    for (int32_t y = r.Top; y < r.Bottom; ++y)
        for (int32_t x = r.Left; x < r.Right; ++x) MaskSurface.SetPixel(x, y, 0);
    e.Render(*this);
    auto* row = dynamic_cast<TWdRow*>(e.Parent);
    const std::string& ruby = rubyOf(&e);
    if (!row || ruby.empty() || e.Slot < 0) return;
    size_t from = static_cast<size_t>(e.Slot), to = from + 1;
    while (from > 0 && rubyOf(row->Items[from - 1]) == ruby) --from;
    while (to < row->Items.size() && rubyOf(row->Items[to]) == ruby) ++to;
    // The reading band of the whole run is drawn again.
    const TKvWord::TCellStyle cs = CellOf(static_cast<TWdChar&>(e).Style());
    const TRect firstArea = row->Items[from]->AreaRect(), lastArea = row->Items[to - 1]->AreaRect();
    const TRect band = surfaceRect(TRect{firstArea.Left, firstArea.Top, lastArea.Right, firstArea.Top + cs.rubyHeight});
    for (int32_t y = band.Top; y < band.Bottom; ++y)
        for (int32_t x = band.Left; x < band.Right; ++x) MaskSurface.SetPixel(x, y, 0);
    renderRuby(*row, from, to);
}

void TKvWord::DrawPage(TWdPage& page) {
    if (Destination) DrawPage(page, *Destination);
}

void TKvWord::DrawPage(TWdPage& page, TCustomDIBX& dest) {
    for (auto& row : page.Rows)
        for (TWdGlyph* e : row->Items) e->Draw(*this, dest);
}

TWdReal* TKvWord::HitTest(const TWdPage& page, int32_t x, int32_t y) const {
    for (const auto& row : page.Rows) {
        if (y < row->Y || y >= int64_t{row->Y} + row->Height) continue;
        for (TWdGlyph* e : row->Items) {
            if (!e->IsVisible()) continue;
            auto* real = static_cast<TWdReal*>(e);
            if (real->Alpha > 254 && e->AreaRect().contains(x, y)) return real;
        }
    }
    return nullptr;
}

void TKvWord::SetHover(TWdPage& page, TWdReal* element) {
    TWdReal* target = element && !element->Link.empty() ? element : nullptr;
    if (target && &page == hoverPage_ && std::find(hoverRun_.begin(), hoverRun_.end(), target) != hoverRun_.end()) {
        hoverAt_ = target;
        return;
    }
    if (!target && hoverRun_.empty()) return;
    std::vector<TWdReal*> old;
    old.swap(hoverRun_);
    for (TWdReal* e : old) {
        e->Hovered = false;
        RenderElement(*e);
        MarkChanged(*e);
    }
    hoverAt_ = target;
    hoverPage_ = target ? &page : nullptr;
    if (!target) return;
    // The neighbours sharing the link, across rows; elements that show
    // nothing do not part them.
    std::vector<TWdReal*> visible;
    size_t at = SIZE_MAX;
    page.ForEach([&](const TWdRow&, TWdGlyph& e) {
        if (!e.IsVisible()) return;
        if (&e == target) at = visible.size();
        visible.push_back(static_cast<TWdReal*>(&e));
    });
    if (at == SIZE_MAX) {
        hoverAt_ = nullptr;
        hoverPage_ = nullptr;
        return;
    }
    size_t from = at, to = at + 1;
    while (from > 0 && visible[from - 1]->Link == target->Link) --from;
    while (to < visible.size() && visible[to]->Link == target->Link) ++to;
    for (size_t k = from; k < to; ++k) {
        TWdReal* e = visible[k];
        e->Hovered = true;
        hoverRun_.push_back(e);
        RenderElement(*e);
        MarkChanged(*e);
    }
}

bool TKvWord::Animate(TWdPage& page, int32_t ms) {
    bool changed = false;
    page.ForEach([&](const TWdRow&, TWdGlyph& e) {
        if (e.TypeCode() != kWdImg) return;
        if (static_cast<TWdImg&>(e).Animate(ms)) {
            MarkChanged(e);
            changed = true;
        }
    });
    return changed;
}

} // namespace nuvo
