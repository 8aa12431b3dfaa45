// The registry's input half: the state the window's handlers write between
// frames, and ProcessInput, which turns it into component calls once a frame.
#include "components/NuvoBaseList.h"

#include "base/IntMath.h"

#include <algorithm>
#include <utility>

namespace nuvo {

namespace {

enum : size_t { kHeld, kRawPress, kRawPressLast, kPressOrRepeat, kPressOrRepeatLast };

bool isKey(int32_t key) { return key >= 0 && key < 256; }

} // namespace

// ---- What the window reports ---------------------------------------------------------------

void TNuvoBaseList::MouseDown(bool left, bool right) {
    for (auto& base : bases_) {
        base->LHeld = left;
        base->RHeld = right;
    }
    ActiveBase()->LClickPending = left;
    ActiveBase()->RClickPending = right;
}

void TNuvoBaseList::MouseUp() {
    for (auto& base : bases_) {
        base->LHeld = false;
        base->RHeld = false;
    }
}

void TNuvoBaseList::MouseMove(int32_t x, int32_t y) {
    for (auto& base : bases_) {
        if (base->MouseX == x && base->MouseY == y) continue;
        base->MouseX = x;
        base->MouseY = y;
        base->MouseMoved = true;
    }
}

void TNuvoBaseList::MouseWheel(bool up) {
    if (up)
        ActiveBase()->WheelUpPending = true;
    else
        ActiveBase()->WheelDownPending = true;
}

void TNuvoBaseList::SetKey(int32_t key, bool down) {
    if (!isKey(key)) return;
    const size_t k = static_cast<size_t>(key);
    if ((keys_[kHeld][k] != 0) == down) return;
    keys_[kHeld][k] = down;
    keys_[kPressOrRepeat][k] = down;
    if (down) {
        repeatTimers_[k] = kRepeatDelay;
        downKeys_.push_back(key);
        repeatKeys_.push_back(key);
        keyWentDown_ = true;
        keyRepeated_ = true;
    } else {
        upKeys_.push_back(key);
        keyWentUp_ = true;
    }
}

void TNuvoBaseList::SetRawKey(int32_t key, bool pressed) {
    if (isKey(key)) keys_[kRawPress][static_cast<size_t>(key)] = pressed;
}

void TNuvoBaseList::ResetKeys() {
    for (auto& table : keys_)
        table.fill(0);
    repeatTimers_.fill(0);
    keyWentDown_ = keyWentUp_ = keyRepeated_ = false;
    downKeys_.clear();
    upKeys_.clear();
    repeatKeys_.clear();
}

bool TNuvoBaseList::KeyState(TKeyTable table, int32_t key) const {
    return isKey(key) && keys_[static_cast<size_t>(table)][static_cast<size_t>(key)] != 0;
}

void TNuvoBaseList::AddRClickTarget(TNuvoControl* control) {
    if (!control) return;
    std::erase_if(rclickList_, [](const TNuvoRef<TNuvoControl>& r) { return !r; });
    if (std::none_of(rclickList_.begin(), rclickList_.end(), [&](const auto& r) { return r.refersTo(control); }))
        rclickList_.emplace_back(control);
}

void TNuvoBaseList::RemoveRClickTarget(TNuvoControl* control) {
    std::erase_if(rclickList_, [&](const TNuvoRef<TNuvoControl>& r) { return !r || r.refersTo(control); });
}

// ---- Once a frame --------------------------------------------------------------------------------

void TNuvoBaseList::ProcessInput() {
    if (FocusDirty) {
        SetFocus(ActiveBase()->FindFocusTarget());
        FocusDirty = false;
    }
    // The presses of the frame that ended become last frame's; presses and
    // repeats start afresh (repeats are marked again below).
    keys_[kRawPressLast] = keys_[kRawPress];
    keys_[kRawPress].fill(0);
    keys_[kPressOrRepeatLast] = keys_[kPressOrRepeat];
    keys_[kPressOrRepeat].fill(0);

    dispatchMouse(*ActiveBase());

    if (TNuvoControl* focused = focused_.get(); focused && focused->GetHandleKey()) {
        if (keyWentDown_) focused->DoKeyDown(downKeys_);
        if (keyRepeated_) focused->DoKeyRepeat(repeatKeys_);
        if (keyWentUp_) focused->DoKeyUp(upKeys_);
    }
    keyWentDown_ = keyWentUp_ = keyRepeated_ = false;
    downKeys_.clear();
    upKeys_.clear();
    repeatKeys_.clear();
    advanceKeyRepeats();
}

void TNuvoBaseList::advanceKeyRepeats() {
    for (size_t k = 0; k < 256; ++k) {
        if (!keys_[kHeld][k]) continue;
        repeatTimers_[k] = wrapSub(repeatTimers_[k], FrameDelta);
        if (repeatTimers_[k] > 0) continue;
        repeatTimers_[k] = wrapAdd(repeatTimers_[k], kRepeatInterval);
        repeatKeys_.push_back(static_cast<int32_t>(k));
        keyRepeated_ = true;
        keys_[kPressOrRepeat][k] = 1;
    }
}

bool TNuvoBaseList::closeByRightClick(TNuvoBase& base) {
    // Closing may take entries out of the list: walk a copy.
    const std::vector<TNuvoRef<TNuvoControl>> entries = rclickList_;
    for (size_t i = entries.size(); i-- > 0;) {
        TNuvoControl* c = entries[i].get();
        if (!c || !c->GetRClickScrap() || !c->GetVisible() || c->GetBase() != &base || c->GetPaused() ||
            c->IsInCabinet())
            continue;
        const int32_t mode = c->GetIgnoreMouse();
        if (mode != IM_NONE && mode != IM_LCLICK) continue;
        if (c->CloseByRightClick()) return true;
    }
    return false;
}

void TNuvoBaseList::updateCursor(TNuvoBase& base, const TNuvoControl* found) {
    std::string wanted = found ? found->GetEffectiveCursor() : std::string();
    if (wanted.empty() && Host) wanted = Host->DefaultCursor();
    base.CursorFile = wanted;
    // A file is asked for once, not every frame, even when it failed to load.
    // What the window shows is the registry's (one window for both bases).
    if (wanted == shownCursor_) return;
    shownCursor_ = wanted;
    if (Host) Host->ShowCursor(wanted);
}

void TNuvoBaseList::dispatchMouse(TNuvoBase& base) {
    base.LClick = std::exchange(base.LClickPending, false);
    base.RClick = std::exchange(base.RClickPending, false);
    base.WheelDown = std::exchange(base.WheelDownPending, false);
    base.WheelUp = std::exchange(base.WheelUpPending, false);

    if (base.RClick && closeByRightClick(base)) base.RClick = false;

    TNuvoControl* hovered = base.Hovered.get();
    if (base.CaptureFlags != 0 && hovered) {
        // The control that took the press gets the release and the moves,
        // wherever the mouse is.
        if ((base.CaptureFlags & TNuvoBase::kCaptureLeft) && !base.LHeld) {
            hovered->DoLBtnUp();
            base.CaptureFlags &= static_cast<uint8_t>(~TNuvoBase::kCaptureLeft);
        } else if ((base.CaptureFlags & TNuvoBase::kCaptureRight) && !base.RHeld) {
            hovered->DoRBtnUp();
            base.CaptureFlags &= static_cast<uint8_t>(~TNuvoBase::kCaptureRight);
        }
        if (base.MouseMoved) hovered->DoMouseMove();
        hovered->DoPressedTick();
        base.MouseMoved = false;
        return;
    }

    const uint8_t accepted = base.LClick ? kHitLeftClick : base.RClick ? kHitRightClick : kHitHover;
    const TNuvoRef<TNuvoControl> found(base.HitTest(base.MouseX, base.MouseY, accepted));
    base.CaptureFlags = 0;
    updateCursor(base, found.get());

    if (TNuvoControl* c = found.get()) {
        if (base.LClick) {
            c->DoLBtnDown();
            if (TNuvoControl* still = found.get(); still && !still->GetPaused() && still->GetHandleKey())
                SetFocus(still);
        } else if (base.RClick) {
            c->DoRBtnDown();
        } else if (base.WheelDown) {
            c->RaiseEvent(PR_ONWHEELDOWN, {}, true);
        } else if (base.WheelUp) {
            c->RaiseEvent(PR_ONWHEELUP, {}, true);
        }
    }

    hovered = base.Hovered.get();
    TNuvoControl* now = found.get();
    if (hovered && hovered != now) hovered->DoMouseOut(now);
    if (now && (now != hovered || base.MouseMoved)) {
        if (now != hovered) now->DoMouseIn(hovered);
        now->DoMouseMove();
    }
    base.Hovered.reset(now);
    base.MouseMoved = false;
}

} // namespace nuvo
