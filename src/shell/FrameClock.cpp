#include "shell/FrameClock.h"

#include "engine/ProgramContext.h"
#include "render/ScreenManager.h"

namespace nuvo {

bool TFrameClock::Advance(uint32_t nowMs) {
    const uint32_t diff = nowMs - LastFrameTime;
    LastFrameTime = nowMs;
    if (diff > kMaxGapMs) return false;
    // The program clock is a 32-bit count that wraps after 24 days.
    context_.TimeCounter = static_cast<int32_t>(static_cast<uint32_t>(context_.TimeCounter) + diff);
    context_.FrameDelta = static_cast<int32_t>(diff);
    return true;
}

void TFrameClock::CountRate(uint32_t nowMs, TScreenManager* screen) {
    const uint32_t span = nowMs - FpsWindowStart;
    if (span < kRateWindowMs) return;
    // Presentations per second over the window.
    if (screen) {
        screen->FramesPerSecond = static_cast<double>(screen->PresentCount) * 1000.0 / span;
        screen->PresentCount = 0;
    }
    FpsWindowStart = nowMs;
}

} // namespace nuvo
