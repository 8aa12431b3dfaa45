#include "platform/AudioOutput.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nuvo::platform {

void addSaturated(int16_t* dst, const int16_t* src, size_t samples) {
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + 8 <= samples; i += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_adds_epi16(a, b));
    }
#endif
    for (; i < samples; ++i)
        dst[i] = static_cast<int16_t>(std::clamp(int32_t{dst[i]} + int32_t{src[i]}, -32768, 32767));
}

void TAudioOutput::Queue(AudioBlock* block) {
    std::lock_guard lock(mutex_);
    if (block->frames == 0) {
        block->done = true;
        return;
    }
    queue_.push_back(block);
}

void TAudioOutput::Reset() {
    std::lock_guard lock(mutex_);
    for (AudioBlock* b : queue_)
        b->done = true;
    queue_.clear();
    offset_ = 0;
}

void TAudioOutput::AddSource(IAudioSource* source) {
    std::lock_guard lock(mutex_);
    if (std::find(sources_.begin(), sources_.end(), source) == sources_.end()) sources_.push_back(source);
}

void TAudioOutput::RemoveSource(IAudioSource* source) {
    std::lock_guard lock(mutex_);
    sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

void TAudioOutput::takeBlocks(int16_t* out, size_t frames) {
    while (frames > 0 && !queue_.empty()) {
        AudioBlock* b = queue_.front();
        const size_t n = std::min(frames, b->frames - offset_);
        if (out) {
            std::memcpy(out, b->samples + offset_ * kAudioChannels, n * kAudioFrameBytes);
            out += n * kAudioChannels;
        }
        offset_ += n;
        frames -= n;
        if (offset_ == b->frames) {
            queue_.pop_front();
            offset_ = 0;
            b->done = true;
        }
    }
    if (out && frames > 0) std::memset(out, 0, frames * kAudioFrameBytes);
}

void TAudioOutput::Render(int16_t* out, size_t frames) {
    std::lock_guard lock(mutex_);
    takeBlocks(out, frames);
    if (sources_.empty()) return;
    scratch_.resize(frames * kAudioChannels);
    for (IAudioSource* s : sources_) {
        s->Render(scratch_.data(), frames);
        addSaturated(out, scratch_.data(), frames * kAudioChannels);
    }
}

void TAudioOutput::Consume(size_t frames) {
    std::lock_guard lock(mutex_);
    takeBlocks(nullptr, frames);
}

// ---- Jobs on threads ----

TThreadJob::TThreadJob(uint32_t intervalMs, std::function<void()> run)
    : interval_(std::max<uint32_t>(intervalMs, 1)), run_(std::move(run)), thread_([this] { loop(); }) {}

TThreadJob::~TThreadJob() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void TThreadJob::SetActive(bool active) {
    {
        std::lock_guard lock(mutex_);
        if (active == active_) return;
        active_ = active;
        restart_ = active;
    }
    wake_.notify_all();
}

void TThreadJob::WaitIdle() {
    if (std::this_thread::get_id() == thread_.get_id()) return;
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !running_; });
}

void TThreadJob::loop() {
    std::unique_lock lock(mutex_);
    auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(interval_);
    while (!stop_) {
        if (!active_) {
            wake_.wait(lock, [this] { return stop_ || active_; });
            continue;
        }
        if (restart_) {
            restart_ = false;
            due = std::chrono::steady_clock::now() + std::chrono::milliseconds(interval_);
        }
        if (wake_.wait_until(lock, due, [this] { return stop_ || !active_ || restart_; })) continue;
        // The next round keeps the rhythm; after a long stall it starts afresh.
        const auto now = std::chrono::steady_clock::now();
        due += std::chrono::milliseconds(interval_);
        if (due < now) due = now + std::chrono::milliseconds(interval_);
        running_ = true;
        lock.unlock();
        run_();
        lock.lock();
        running_ = false;
        idle_.notify_all();
    }
}

uint64_t steadyMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace nuvo::platform
