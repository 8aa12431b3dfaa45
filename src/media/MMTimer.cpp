#include "media/MMTimer.h"

namespace nuvo {

TMMTimer::TMMTimer(platform::IAudioDevice& device, uint32_t interval, std::function<void()> callback)
    : interval_(interval), job_(device.AddJob(interval, std::move(callback))) {}

TMMTimer::~TMMTimer() {
    enabled_ = false;
    apply();
    job_.reset();
}

void TMMTimer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    apply();
}

void TMMTimer::SetPaused(bool paused) {
    paused_ = paused;
    apply();
}

void TMMTimer::WaitIdle() { job_->WaitIdle(); }

void TMMTimer::apply() {
    std::lock_guard lock(mutex_);
    job_->SetActive(enabled_ && !paused_);
}

} // namespace nuvo
