// The frame loop's clocks. TimeCounter (the program clock of timers, waits
// and trace lines) and FrameDelta (the last frame's length) advance by the
// time measured between two frames; a gap above 300 ms (a blocked main
// thread, a suspended machine, a window being dragged) is dropped, so the
// program clock never jumps. The frame-rate window counts presentations
// over two-second spans.
//
// Only the main thread touches a TFrameClock: the pacing thread hands its
// frames over and never measures for the clocks itself, so both drivers
// measure from the same reference, the time of the last frame, whichever
// of them ran it.
#pragma once

#include <cstdint>

namespace nuvo {

struct TProgramContext;
class TScreenManager;

class TFrameClock {
public:
    static constexpr uint32_t kMaxGapMs = 300;
    static constexpr uint32_t kRateWindowMs = 2000;

    explicit TFrameClock(TProgramContext& context) : context_(context) {}

    // Makes now the reference without counting anything (activation).
    void Restart(uint32_t nowMs) { LastFrameTime = nowMs; }
    // The time since the last frame: false when above 300 ms (the reference
    // moves to now and the clocks stay); otherwise TimeCounter and FrameDelta
    // take it, the reference moves to now, and a frame is to run.
    bool Advance(uint32_t nowMs);
    // Milliseconds since the last frame (wrapping like the system timer).
    uint32_t SinceLastFrame(uint32_t nowMs) const { return nowMs - LastFrameTime; }

    // After a frame: every two seconds the screen manager's presentations
    // become its FramesPerSecond and its count starts again.
    void CountRate(uint32_t nowMs, TScreenManager* screen);

    // System time (ms) of the last frame, and where the rate window began.
    uint32_t LastFrameTime = 0;
    uint32_t FpsWindowStart = 0;

private:
    TProgramContext& context_;
};

} // namespace nuvo
