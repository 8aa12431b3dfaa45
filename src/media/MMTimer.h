// TMMTimer: a callback every Interval milliseconds while Enabled and not
// Paused. It runs as a job of the audio device (a thread of its own on the
// desktop, the virtual clock's due times headless); WaitIdle returns once
// the callback is not running (the Idle event).
#pragma once

#include "platform/Audio.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace nuvo {

class TMMTimer {
public:
    TMMTimer(platform::IAudioDevice& device, uint32_t interval, std::function<void()> callback);
    ~TMMTimer();
    TMMTimer(const TMMTimer&) = delete;
    TMMTimer& operator=(const TMMTimer&) = delete;

    uint32_t Interval() const { return interval_; }
    bool Enabled() const { return enabled_; }
    bool Paused() const { return paused_; }
    // Both may be called from inside the callback.
    void SetEnabled(bool enabled);
    void SetPaused(bool paused);
    void WaitIdle();

private:
    void apply();

    uint32_t interval_;
    std::atomic<bool> enabled_{false};
    std::atomic<bool> paused_{false};
    std::mutex mutex_;
    std::unique_ptr<platform::IAudioJob> job_;
};

} // namespace nuvo
