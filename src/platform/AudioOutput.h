// What every audio device shares: the queue of blocks and the pulled
// sources rendered into output frames, and jobs that run on threads of their
// own (the desktop devices and tests; the virtual clock runs its jobs itself).
#pragma once

#include "platform/Audio.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace nuvo::platform {

// Adds src to dst sample by sample, saturating to -32768..32767.
void addSaturated(int16_t* dst, const int16_t* src, size_t samples);

// The blocks and sources of a device; thread-safe.
class TAudioOutput {
public:
    void Queue(AudioBlock* block);
    void Reset();
    void AddSource(IAudioSource* source);
    void RemoveSource(IAudioSource* source);
    // Writes `frames` frames: the queued blocks in order (each marked done
    // when its last frame is taken; silence once none is left), plus every
    // source.
    void Render(int16_t* out, size_t frames);
    // Takes `frames` frames from the queue without rendering anything (a
    // silent device that keeps time).
    void Consume(size_t frames);

private:
    void takeBlocks(int16_t* out, size_t frames);

    std::mutex mutex_;
    std::deque<AudioBlock*> queue_;
    size_t offset_ = 0; // frames of the front block already played
    std::vector<IAudioSource*> sources_;
    std::vector<int16_t> scratch_;
};

// A job on a thread of its own: waits intervalMs, runs while active.
class TThreadJob final : public IAudioJob {
public:
    TThreadJob(uint32_t intervalMs, std::function<void()> run);
    ~TThreadJob() override;
    void SetActive(bool active) override;
    void WaitIdle() override;

private:
    void loop();

    const uint32_t interval_;
    std::function<void()> run_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    bool active_ = false;
    bool restart_ = false;
    bool running_ = false;
    bool stop_ = false;
    std::thread thread_;
};

// Real time in milliseconds since an arbitrary start.
uint64_t steadyMs();

} // namespace nuvo::platform
