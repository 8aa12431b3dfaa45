#include "components/NuvoMotion.h"

#include "base/IntMath.h"
#include "components/NuvoControl.h"

#include <algorithm>

namespace nuvo {

namespace {

int32_t frameAt(int32_t elapsedMs) { return roundToInt32(static_cast<long double>(elapsedMs / TNuvoMotion::kFrameMs)); }

int32_t elapsedAt(int32_t frame) { return roundToInt32(static_cast<long double>(frame * TNuvoMotion::kFrameMs)); }

} // namespace

TNuvoMotion::TNuvoMotion(TNuvoControl& control, std::unique_ptr<IMotionFilm> film)
    : control_(control), film_(std::move(film)) {}

void TNuvoMotion::Restart() {
    ElapsedMs = 0;
    WarmUp = 2;
    Finished = false;
}

bool TNuvoMotion::Advance(int32_t frameMs) {
    bool moved = false;
    if (WarmUp <= 0 && (control_.GetLeft() != LastLeft || control_.GetTop() != LastTop) &&
        film_->HasPositionTracks()) {
        // Moved by a script: the film goes on from there.
        film_->SetOrigin(control_.GetLeft(), control_.GetTop());
        moved = true;
    }
    if (Finished) return false;
    if (WarmUp == 2) {
        if (film_->HasPositionTracks())
            film_->SetOrigin(control_.GetLeft(), control_.GetTop());
        else
            film_->SetOrigin(0, 0);
        film_->SetBasePriority(control_.GetPriority());
    }
    if (WarmUp <= 0 && !control_.GetAniPaused()) ElapsedMs = wrapAdd(ElapsedMs, frameMs);

    const int32_t previous = Frame;
    Frame = frameAt(ElapsedMs);
    const int32_t length = film_->Length();
    bool ended = false;
    if (Frame >= length) {
        if (control_.GetRepeat()) {
            Frame = length > 0 ? std::clamp(Frame % length + film_->LoopStart(), 0, length - 1) : 0;
            ElapsedMs = elapsedAt(Frame);
        } else {
            // An empty film stays on frame 0 rather than showing frame -1.
            Frame = std::max(length - 1, 0);
            Finished = true;
            ended = true;
        }
    }
    if (WarmUp == 2 || Frame != previous || moved) film_->ShowFrame(Frame);
    if (WarmUp > 0) --WarmUp;
    LastLeft = control_.GetLeft();
    LastTop = control_.GetTop();
    return ended;
}

} // namespace nuvo
