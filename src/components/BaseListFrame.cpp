// The registry's drawing half: painting the bases' dirty rectangles, and the
// screen transitions between the two bases.
#include "components/NuvoBaseList.h"

namespace nuvo {

void TNuvoBaseList::Paint() {
    PresentRect = {};
    for (auto& base : bases_)
        base->PaintDirty();
    if (!transition_) return;
    TCustomDIBX& dest = transition_->Dest();
    dest.ResetClip();
    if (!transition_->Step()) {
        PresentRect = transition_->Area;
        return;
    }
    // Finished but not yet replaced: the incoming picture stands plainly.
    dest.ResetClip();
    dest.Draw(0, 0, transition_->To(), makeRect(0, 0, dest.Width(), dest.Height()), false);
    PresentRect = makeRect(0, 0, dest.Width(), dest.Height());
}

TCustomWipe* TNuvoBaseList::StartTransition(int32_t index, int32_t kind, bool reverse, bool force, int32_t elapsed,
                                            int32_t duration) {
    ActiveIndex = index & 1;
    TCustomWipe* started = nullptr;
    if (force || (kind != 0 && !transition_)) {
        transition_.reset();
        markWhollyDirty();
        if (kind != 0) {
            TNuvoBase* active = ActiveBase();
            TCustomDIBX& screen = *DrawTarget();
            // The outgoing picture is what the screen shows now.
            if (&screen != &active->Surface) {
                active->Surface.ResetClip();
                active->Surface.Draw(0, 0, screen, makeRect(0, 0, screen.Width(), screen.Height()), false);
            }
            transition_ = CreateWipe(kind, screen, active->Surface, InactiveBase()->Surface, Wipes);
            if (transition_) {
                transition_->Duration = duration;
                transition_->SetReverse(reverse);
                started = transition_.get();
            }
        }
    }
    if (TNuvoControl* focused = focused_.get(); focused && focused->GetBase() != ActiveBase()) ClearFocus();
    TransitionKind = kind;
    if (transition_) transition_->Elapsed = elapsed;
    return started;
}

void TNuvoBaseList::SetTransitionElapsed(int32_t ms) {
    if (transition_) transition_->Elapsed = ms;
}

} // namespace nuvo
