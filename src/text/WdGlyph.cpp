// The element classes: copies, stream fields, reveal fades, pages.
#include "text/WdGlyph.h"

#include "base/StreamIO.h"
#include "text/KvWord.h"

#include <algorithm>

namespace nuvo {

namespace {

TDecorate* styleAt(const std::vector<TDecorate*>& styles, int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= styles.size()) raiseBrokenData();
    return styles[static_cast<size_t>(index)];
}

int32_t styleIndex(const TDecorate* d) { return d ? d->Index : -1; }

} // namespace

// ---- TWdGlyph -----------------------------------------------------------------

void TWdGlyph::SaveFields(TStream&) const {}
void TWdGlyph::LoadFields(TStream&, const std::vector<TDecorate*>&) {}

TRect TWdGlyph::AreaRect() const {
    int64_t x = X, y = Y;
    if (const auto* row = dynamic_cast<const TWdRow*>(Parent)) {
        x += row->X;
        y += row->Y;
    }
    const auto sat = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2)); };
    return TRect{sat(x), sat(y), sat(x + Width), sat(y + Height)};
}

void TWdGlyph::copyPlace(const TWdGlyph& from) {
    X = from.X;
    Y = from.Y;
    Width = from.Width;
    Height = from.Height;
}

// ---- TWdReal ------------------------------------------------------------------

void TWdReal::copyReal(const TWdReal& from) {
    copyPlace(from);
    Link = from.Link;
    Wait = from.Wait;
    Alpha = from.Alpha;
}

void TWdReal::SetAlpha(int32_t alpha) {
    alpha = std::clamp(alpha, 0, 255);
    if (alpha == Alpha) return;
    Alpha = alpha;
    if (Owner) Owner->MarkChanged(*this);
}

void TWdReal::StartFade(int32_t duration) {
    fadeFrom_ = Alpha;
    fadeDuration_ = duration;
    fadeElapsed_ = 0;
    fading_ = duration > 0;
    if (!fading_) SetAlpha(0);
}

bool TWdReal::FadeStep(int32_t ms) {
    if (!fading_) return true;
    fadeElapsed_ += std::max(0, ms);
    if (fadeElapsed_ >= fadeDuration_) {
        fading_ = false;
        SetAlpha(0);
        return true;
    }
    const int64_t gone = (int64_t{fadeFrom_} * fadeElapsed_ * 2 + fadeDuration_) / (2 * int64_t{fadeDuration_});
    SetAlpha(static_cast<int32_t>(fadeFrom_ - gone));
    return false;
}

// ---- Characters -----------------------------------------------------------------

std::string TWdChar::Text() const { return codeText(Code); }

void TWdChar::setStyle(TDecorateList* list, TDecorate* style) { style_.reset(list, style); }

std::unique_ptr<TWdGlyph> TWdChar::Clone(TKvWord& owner) const {
    TDecorate* d = Style() ? owner.Styles.Intern(*Style()) : nullptr;
    auto c = std::make_unique<TWdChar>(&owner, Code, &owner.Styles, d);
    c->copyReal(*this);
    return c;
}

void TWdChar::SaveFields(TStream& s) const {
    WriteShort(s, static_cast<int16_t>(Code));
    WriteInt(s, styleIndex(Style()));
    WriteStr(s, Link);
    WriteInt(s, Wait);
}

void TWdChar::LoadFields(TStream& s, const std::vector<TDecorate*>& styles) {
    Code = static_cast<uint16_t>(ReadShortChecked(s));
    setStyle(&Owner->Styles, styleAt(styles, ReadIntChecked(s)));
    Link = ReadStrChecked(s);
    Wait = ReadIntChecked(s);
}

// ---- Pictures ---------------------------------------------------------------------

TWdImg::TWdImg(TKvWord* owner) : TWdReal(owner) {}
TWdImg::~TWdImg() = default;

std::unique_ptr<TWdGlyph> TWdImg::Clone(TKvWord& owner) const {
    auto c = std::make_unique<TWdImg>(&owner);
    c->copyReal(*this);
    c->Src = Src;
    c->Align = Align;
    c->NoBreak = NoBreak;
    c->Ruby = Ruby;
    return c;
}

void TWdImg::SaveFields(TStream& s) const {
    WriteStr(s, Src);
    WriteInt(s, Align);
    WriteByte(s, NoBreak ? 1 : 0);
    WriteStr(s, Ruby);
    WriteStr(s, Link);
    WriteInt(s, Wait);
}

void TWdImg::LoadFields(TStream& s, const std::vector<TDecorate*>&) {
    Src = ReadStrChecked(s);
    Align = ReadIntChecked(s);
    NoBreak = ReadByteChecked(s) != 0;
    Ruby = ReadStrChecked(s);
    Link = ReadStrChecked(s);
    Wait = ReadIntChecked(s);
}

IWordPicture* TWdImg::Picture(TKvWord& word) {
    if (!loaded_) {
        loaded_ = true;
        if (word.LoadPicture && !Src.empty()) picture_ = word.LoadPicture(Src);
    }
    return picture_.get();
}

bool TWdImg::Animate(int32_t ms) {
    if (!picture_ || picture_->FrameCount() < 2 || ms <= 0) return false;
    const int count = picture_->FrameCount();
    const int before = frame_;
    frameTime_ += ms;
    // A frame shows at least 1 ms; bound the catch-up after a long pause.
    for (int steps = 0; steps < count * 4; ++steps) {
        const int32_t d = std::max(1, picture_->FrameDuration(frame_));
        if (frameTime_ < d) break;
        frameTime_ -= d;
        frame_ = (frame_ + 1) % count;
    }
    if (frameTime_ > 1000000) frameTime_ = 0;
    return frame_ != before;
}

// ---- Operations --------------------------------------------------------------------

std::unique_ptr<TWdGlyph> TWdOpeAlign::Clone(TKvWord& owner) const {
    auto c = std::make_unique<TWdOpeAlign>(&owner, Align);
    c->copyPlace(*this);
    return c;
}
void TWdOpeAlign::SaveFields(TStream& s) const { WriteInt(s, Align); }
void TWdOpeAlign::LoadFields(TStream& s, const std::vector<TDecorate*>&) { Align = ReadIntChecked(s); }

std::unique_ptr<TWdGlyph> TWdOpeReturn::Clone(TKvWord& owner) const {
    auto c = std::make_unique<TWdOpeReturn>(&owner, Clear);
    c->copyPlace(*this);
    return c;
}
void TWdOpeReturn::SaveFields(TStream& s) const { WriteByte(s, Clear ? 1 : 0); }
void TWdOpeReturn::LoadFields(TStream& s, const std::vector<TDecorate*>&) { Clear = ReadByteChecked(s) != 0; }

std::unique_ptr<TWdGlyph> TWdOpeIndent::Clone(TKvWord& owner) const {
    auto c = std::make_unique<TWdOpeIndent>(&owner);
    c->copyPlace(*this);
    return c;
}

std::unique_ptr<TWdGlyph> TWdOpeUndent::Clone(TKvWord& owner) const {
    auto c = std::make_unique<TWdOpeUndent>(&owner);
    c->copyPlace(*this);
    return c;
}

std::unique_ptr<TWdGlyph> TWdOpeEvent::Clone(TKvWord& owner) const {
    auto c = std::make_unique<TWdOpeEvent>(&owner, Handler, Wait);
    c->copyPlace(*this);
    return c;
}
void TWdOpeEvent::SaveFields(TStream& s) const {
    WriteStr(s, Handler);
    WriteInt(s, Wait);
}
void TWdOpeEvent::LoadFields(TStream& s, const std::vector<TDecorate*>&) {
    Handler = ReadStrChecked(s);
    Wait = ReadIntChecked(s);
}

void TWdStyledOpe::setStyle(TDecorateList* list, TDecorate* style) { style_.reset(list, style); }

void TWdStyledOpe::SaveFields(TStream& s) const {
    WriteStr(s, Value);
    WriteInt(s, styleIndex(Style()));
}

void TWdStyledOpe::LoadFields(TStream& s, const std::vector<TDecorate*>& styles) {
    Value = ReadStrChecked(s);
    setStyle(&Owner->Styles, styleAt(styles, ReadIntChecked(s)));
}

std::unique_ptr<TWdGlyph> TWdOpeVar::Clone(TKvWord& owner) const {
    auto c = std::make_unique<TWdOpeVar>(&owner, Value, &owner.Styles, Style() ? owner.Styles.Intern(*Style()) : nullptr);
    c->copyPlace(*this);
    return c;
}

std::unique_ptr<TWdGlyph> TWdOpeHistChar::Clone(TKvWord& owner) const {
    auto c = std::make_unique<TWdOpeHistChar>(&owner, Value, &owner.Styles,
                                              Style() ? owner.Styles.Intern(*Style()) : nullptr);
    c->copyPlace(*this);
    return c;
}

// ---- Pages --------------------------------------------------------------------------

TWdPage::TWdPage(TKvWord* owner) : TWdComposite(owner) {
    if (owner) owner->pages_.push_back(this);
}

TWdPage::~TWdPage() {
    if (Owner) {
        auto& list = Owner->pages_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        if (Owner->hoverPage_ == this) {
            Owner->hoverPage_ = nullptr;
            Owner->hoverAt_ = nullptr;
            Owner->hoverRun_.clear();
        }
    }
    Detach();
}

void TWdPage::Detach() {
    for (auto& row : Rows)
        for (TWdGlyph* e : row->Items)
            if (e->Parent == row.get()) {
                e->Parent = nullptr;
                e->Slot = -1;
            }
    Rows.clear();
    Made.reset();
}

int32_t TWdPage::ContentWidth() const {
    int64_t w = 0;
    for (const auto& row : Rows) w = std::max<int64_t>(w, int64_t{row->X} + row->Width);
    return static_cast<int32_t>(std::min<int64_t>(w, INT32_MAX / 2));
}

int32_t TWdPage::ContentHeight() const {
    int64_t h = 0;
    for (const auto& row : Rows) h = std::max<int64_t>(h, int64_t{row->Y} + row->Height);
    return static_cast<int32_t>(std::min<int64_t>(h, INT32_MAX / 2));
}

} // namespace nuvo
