#include "base/IntMath.h"
#include "base/StreamIO.h"
#include "components/EventQueue.h"
#include "components/NuvoBase.h"
#include "components/NuvoBaseList.h"
#include "components/NuvoMenu.h"
#include "platform/VirtualKeys.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"

#include <algorithm>

namespace nuvo {

TNuvoMenu::TNuvoMenu(TNuvoBaseList* owner) : TNuvoCustomListBox(owner) {
    if (owner) owner->AddRClickTarget(this);
}

TNuvoMenu::~TNuvoMenu() {
    if (Owner()) Owner()->RemoveRClickTarget(this);
}

void TNuvoMenu::SetHoverColor(int32_t v) {
    if (hoverColor_ == v) return;
    hoverColor_ = v;
    Invalidate();
}

int32_t TNuvoMenu::GetOrigHeight() const {
    return playState_ == 1 || playState_ == 3 ? fullHeight_ : GetHeight();
}

int32_t TNuvoMenu::elapsed() const { return wrapSub(Owner() ? Owner()->TimeCounter : 0, startClock_); }

int32_t TNuvoMenu::animatedHeight(int32_t e) const {
    if (delay_ <= 0 || e <= 0) return 0;
    return static_cast<int32_t>(std::min<int64_t>(int64_t{e} * fullHeight_ / delay_, fullHeight_));
}

void TNuvoMenu::takeFocus() {
    TNuvoBaseList* registry = Owner();
    if (registry && GetVisible() && !GetPaused() && GetHandleKey()) registry->SetFocus(this);
}

void TNuvoMenu::dropFocus() {
    TNuvoBaseList* registry = Owner();
    if (registry && registry->FocusedControl() == this) registry->FocusDirty = true;
}

void TNuvoMenu::SetPlayState(int32_t v) {
    const int32_t n = v == 1 ? 0 : v == 3 ? 2 : v;
    if (n == playState_) return;
    playState_ = static_cast<uint8_t>(v);
    switch (v) {
    case 0:
        Layout();
        animState_ = 0;
        takeFocus();
        queue(PR_ONOPENING, onOpening_);
        queue(PR_ONOPENED, onOpened_);
        break;
    case 1:
        animState_ = 100;
        takeFocus();
        break;
    case 2:
        Invalidate();
        TNuvoControl::SetHeight(0);
        animState_ = 0;
        dropFocus();
        queue(PR_ONCLOSING, onClosing_);
        queue(PR_ONCLOSED, onClosed_);
        break;
    case 3:
        animState_ = 200;
        dropFocus();
        break;
    default:
        break;
    }
}

void TNuvoMenu::afterChoose() {
    if (!autoScrap_) return;
    closing_ = true;
    animState_ = 300;
}

bool TNuvoMenu::Tick() {
    animateBorders();
    const auto setHeight = [this](int32_t h) {
        if (h == GetHeight()) return;
        Invalidate();
        TNuvoControl::SetHeight(std::max(h, 0));
        Invalidate();
    };
    switch (animState_) {
    case 0:
        if (LayoutDirty()) Layout();
        break;
    case 10:
        if (LayoutDirty()) Layout();
        SetPlayState(3);
        break;
    case 100:
        Layout();
        queue(PR_ONOPENING, onOpening_);
        fullHeight_ = GetHeight();
        setHeight(0);
        animState_ = 101;
        break;
    case 101:
        startClock_ = Owner() ? Owner()->TimeCounter : 0;
        animState_ = 102;
        break;
    case 102: {
        const int32_t e = elapsed();
        if (e < delay_) {
            setHeight(animatedHeight(e));
        } else {
            setHeight(fullHeight_);
            queue(PR_ONOPENED, onOpened_);
            animState_ = 0;
        }
        break;
    }
    case 200:
        closing_ = true;
        startClock_ = Owner() ? Owner()->TimeCounter : 0;
        queue(PR_ONCLOSING, onClosing_);
        animState_ = 201;
        break;
    case 201: {
        closing_ = true;
        const int32_t e = elapsed();
        if (e < delay_) {
            setHeight(fullHeight_ - animatedHeight(e));
        } else {
            queue(PR_ONCLOSED, onClosed_);
            animState_ = 302;
        }
        break;
    }
    case 300:
        closing_ = true;
        queue(PR_ONCLOSING, onClosing_);
        queue(PR_ONCLOSED, onClosed_);
        animState_ = 301;
        break;
    case 301:
        animState_ = 302;
        break;
    case 302: {
        // Destroyed once the close events have run.
        const TTimerList* events = Owner() ? &Owner()->Events : nullptr;
        if (!events || (!events->Contains(this, PR_ONCLOSING) && !events->Contains(this, PR_ONCLOSED))) return true;
        break;
    }
    default:
        break;
    }
    return TNuvoControl::Tick();
}

bool TNuvoMenu::CloseByRightClick() {
    const int32_t mode = GetIgnoreMouse();
    if (closing_ || (mode != IM_NONE && mode != IM_LCLICK)) return false;
    closing_ = true;
    animState_ = 10;
    return true;
}

void TNuvoMenu::DoRBtnDown() {
    if (GetPaused() || !rClickScrap_) {
        TNuvoCustomListBox::DoRBtnDown();
        return;
    }
    TNuvoBase* base = GetBase();
    if (base) base->RClick = false;
    // A second right press while closing keeps the result just chosen.
    if (closing_) return;
    if (TNuvoBaseList* registry = Owner(); registry && registry->Host)
        if (ScriptContext* script = registry->Host->Script()) {
            script->Vars.SelStr.clear();
            script->Vars.SelIndex = -1;
        }
    SetPlayState(3);
}

void TNuvoMenu::DoKeyRepeat(std::span<const int32_t> keys) {
    if (playState_ == 2 || playState_ == 3) return;
    TNuvoBaseList* registry = Owner();
    const auto pressed = [&](int32_t k) {
        return (registry && registry->KeyState(TNuvoBaseList::TKeyTable::RawPressLast, k)) ||
               std::find(keys.begin(), keys.end(), k) != keys.end();
    };
    if ((pressed(platform::vk::Return) || pressed(platform::vk::Space)) && Hover() >= 0 && !closing_)
        choose();
    else if (rClickScrap_ && !closing_ && pressed(platform::vk::Escape))
        animState_ = 10;
    TNuvoCustomListBox::DoKeyRepeat(keys);
}

void TNuvoMenu::SaveToStream(TStream& s) const {
    TNuvoCustomListBox::SaveToStream(s);
    WriteInt(s, delay_);
    WriteInt(s, hoverColor_);
    WriteBool(s, autoScrap_);
    WriteBool(s, rClickScrap_);
    WriteByte(s, playState_);
    WriteStr(s, onOpening_);
    WriteStr(s, onOpened_);
    WriteStr(s, onClosing_);
    WriteStr(s, onClosed_);
}

void TNuvoMenu::LoadFromStream(TStream& s, int32_t version) {
    TNuvoCustomListBox::LoadFromStream(s, version);
    delay_ = ReadIntChecked(s);
    hoverColor_ = ReadIntChecked(s);
    autoScrap_ = ReadBoolChecked(s);
    rClickScrap_ = ReadBoolChecked(s);
    playState_ = ReadByteChecked(s);
    onOpening_ = ReadStrChecked(s);
    onOpened_ = ReadStrChecked(s);
    onClosing_ = ReadStrChecked(s);
    onClosed_ = ReadStrChecked(s);
    Layout();
    fullHeight_ = GetHeight();
    startClock_ = Owner() ? Owner()->TimeCounter : 0;
}

} // namespace nuvo
