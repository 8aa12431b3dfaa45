#include "components/NuvoEdit.h"

#include "base/StreamIO.h"
#include "components/NuvoBase.h"
#include "components/NuvoBaseList.h"
#include "components/PictureDraw.h"

namespace nuvo {

namespace {

enum : int32_t {
    kVkBack = 0x08,
    kVkReturn = 0x0D,
    kVkShift = 0x10,
    kVkControl = 0x11,
    kVkEnd = 0x23,
    kVkHome = 0x24,
    kVkLeft = 0x25,
    kVkRight = 0x27,
    kVkDelete = 0x2E,
};

} // namespace

TNuvoCustomEdit::TNuvoCustomEdit(TNuvoBaseList* owner, bool multiLine) : TNuvoControl(owner), text_(multiLine) {}

void TNuvoCustomEdit::SetText(std::string_view v) {
    text_.SetText(v);
    Invalidate();
}
void TNuvoCustomEdit::SetFontName(std::string_view v) {
    changeShown(*this, [&] { fontName_ = v; });
}
void TNuvoCustomEdit::SetFontHeight(int32_t v) {
    changeShown(*this, [&] { fontHeight_ = v; });
}
void TNuvoCustomEdit::SetFontStyle(int32_t v) {
    changeShown(*this, [&] { fontStyle_ = v; });
}
void TNuvoCustomEdit::SetFontColor(int32_t v) {
    changeShown(*this, [&] { fontColor_ = v; });
}

void TNuvoCustomEdit::SetVisible(bool visible) {
    TNuvoControl::SetVisible(visible);
    // Hidden at once, not at the next tick.
    if (!visible && shown_) changeShown(*this, [&] { shown_ = false; });
}

bool TNuvoCustomEdit::shownNow() const {
    const TNuvoBaseList* registry = Owner();
    TNuvoBase* base = GetBase();
    if (!registry || !base || base != registry->ActiveBase() || !IsShown() || IsPendingDeletion()) return false;
    const TRect r = GetScreenRect();
    if (r.isEmpty()) return false;
    const int32_t cx = static_cast<int32_t>((int64_t{r.Left} + r.Right) / 2);
    const int32_t cy = static_cast<int32_t>((int64_t{r.Top} + r.Bottom) / 2);
    return base->HitTest(cx, cy, kHitHover) == this;
}

bool TNuvoCustomEdit::Tick() {
    if (TNuvoControl::Tick()) return true;
    const bool now = shownNow();
    if (now != shown_) changeShown(*this, [&] { shown_ = now; });
    return false;
}

void TNuvoCustomEdit::Paint() {
    TCustomDIBX* target = GetDrawSurface();
    if (target && shown_ && GetVisible()) {
        const int32_t color = GetColor() == -1 ? 0xFFFFFF : GetColor();
        target->FillRect(GetScreenRect(), target->ColorToPixel(color));
    }
    paintChildren();
}

void TNuvoCustomEdit::applyKey(int32_t key, bool shift, bool control) {
    const bool edits = !readOnly_;
    switch (key) {
    case kVkLeft: text_.Left(shift); break;
    case kVkRight: text_.Right(shift); break;
    case kVkHome: text_.Home(shift); break;
    case kVkEnd: text_.End(shift); break;
    case kVkBack:
        if (edits) text_.Backspace();
        break;
    case kVkDelete:
        if (edits) text_.Delete();
        break;
    case kVkReturn:
        if (edits) text_.Enter();
        break;
    case 'A':
        if (control) text_.SelectAll();
        break;
    case 'Z':
        if (control && edits) text_.Undo();
        break;
    default: break;
    }
}

void TNuvoCustomEdit::DoKeyRepeat(std::span<const int32_t> keys) {
    if (!paused_) {
        const TNuvoBaseList* registry = Owner();
        const bool shift = registry && registry->KeyHeld(kVkShift);
        const bool control = registry && registry->KeyHeld(kVkControl);
        for (int32_t key : keys) {
            applyKey(key, shift, control);
            Invalidate();
            if (!onNotify_.empty()) {
                const std::string args[2] = {std::to_string(key), text_.Text()};
                RaiseEvent(PR_ONNOTIFY, args);
            }
        }
    }
    TNuvoControl::DoKeyRepeat(keys);
}

void TNuvoCustomEdit::SaveToStream(TStream& s) const {
    TNuvoControl::SaveToStream(s);
    WriteBool(s, paused_);
    WriteStr(s, text_.Text());
    WriteStr(s, fontName_);
    WriteInt(s, fontHeight_);
    WriteByte(s, static_cast<uint8_t>(fontStyle_));
    WriteInt(s, fontColor_);
    WriteInt(s, GetColor());
    WriteBool(s, readOnly_);
    WriteStr(s, onNotify_);
}

void TNuvoCustomEdit::LoadFromStream(TStream& s, int32_t version) {
    TNuvoControl::LoadFromStream(s, version);
    paused_ = ReadBoolChecked(s);
    const std::string text = ReadStrChecked(s);
    fontName_ = ReadStrChecked(s);
    fontHeight_ = ReadIntChecked(s);
    fontStyle_ = ReadByteChecked(s);
    fontColor_ = ReadIntChecked(s);
    SetColor(ReadIntChecked(s));
    readOnly_ = ReadBoolChecked(s);
    onNotify_ = ReadStrChecked(s);
    text_.SetText(text);
    shown_ = false;
}

} // namespace nuvo
