// TNuvoMotion: a film animation driving one control (the control's Motion).
// The film itself (tracks, frames, what a frame sets on the control) is the
// film manager's; the motion only keeps time: it lets the film settle on the
// control for two ticks, then advances 60 frames per second by the frame
// time, follows the control when someone else moves it, loops or ends, and
// shows a frame whenever it changed.
#pragma once

#include <cstdint>
#include <memory>

namespace nuvo {

class TNuvoControl;

// What a motion asks of the film it plays (bound to the same control).
class IMotionFilm {
public:
    virtual ~IMotionFilm() = default;
    // Frames in the film (60 per second).
    virtual int32_t Length() const = 0;
    // The frame a repeating film starts again from.
    virtual int32_t LoopStart() const = 0;
    // Whether the film moves the control (its positions are then relative
    // to the origin).
    virtual bool HasPositionTracks() const = 0;
    virtual void SetOrigin(int32_t x, int32_t y) = 0;
    // Added to the priorities the film gives the control.
    virtual void SetBasePriority(int32_t priority) = 0;
    // Brings the control to a frame.
    virtual void ShowFrame(int32_t frame) = 0;
};

class TNuvoMotion {
public:
    // Milliseconds per film frame.
    static constexpr double kFrameMs = 16.666666666666668;

    // The control owns the motion and outlives it.
    TNuvoMotion(TNuvoControl& control, std::unique_ptr<IMotionFilm> film);
    TNuvoMotion(const TNuvoMotion&) = delete;
    TNuvoMotion& operator=(const TNuvoMotion&) = delete;

    // One tick of frameMs milliseconds; true on the tick at which the film
    // ends (never for a repeating film, nor again after the end).
    bool Advance(int32_t frameMs);
    // From the start again, settling first as after loading.
    void Restart();

    IMotionFilm& Film() { return *film_; }

    int32_t ElapsedMs = 0;
    // 2 after loading: the first tick places the film, the second waits, and
    // only then does time run.
    int32_t WarmUp = 2;
    bool Finished = false;
    int32_t Frame = 0;
    // Where the control stood after the last tick.
    int32_t LastLeft = 0;
    int32_t LastTop = 0;

private:
    TNuvoControl& control_;
    std::unique_ptr<IMotionFilm> film_;
};

} // namespace nuvo
