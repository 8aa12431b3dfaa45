#include "shell/LoopThread.h"

#include <chrono>

namespace nuvo {

using Clock = std::chrono::steady_clock;

TLoopThread::TLoopThread(std::function<void()> waker) : waker_(std::move(waker)) {}

TLoopThread::~TLoopThread() { Terminate(); }

void TLoopThread::Start() {
    std::lock_guard lock(mutex_);
    if (thread_.joinable() || stop_) return;
    thread_ = std::thread([this] { run(); });
}

void TLoopThread::Suspend() {
    std::lock_guard lock(mutex_);
    suspended_ = true;
    requested_ = false;
    cv_.notify_all();
}

void TLoopThread::Resume() {
    std::lock_guard lock(mutex_);
    suspended_ = false;
    cv_.notify_all();
}

bool TLoopThread::Suspended() const {
    std::lock_guard lock(mutex_);
    return suspended_;
}

void TLoopThread::Terminate() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        requested_ = false;
        cv_.notify_all();
    }
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool TLoopThread::TakeRequest() {
    std::lock_guard lock(mutex_);
    if (!requested_) return false;
    requested_ = false;
    cv_.notify_all();
    return true;
}

uint64_t TLoopThread::RequestCount() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void TLoopThread::run() {
    std::unique_lock lock(mutex_);
    // The next wake-up is one period after the last one, however long the
    // main thread took to take the frame; a late wake-up starts afresh.
    auto next = Clock::now() + std::chrono::milliseconds(kPeriodMs);
    while (!stop_) {
        cv_.wait_until(lock, next, [this] { return stop_; });
        if (stop_) break;
        if (suspended_) {
            cv_.wait(lock, [this] { return stop_ || !suspended_; });
            next = Clock::now() + std::chrono::milliseconds(kPeriodMs);
            continue;
        }
        requested_ = true;
        ++requests_;
        if (waker_) {
            lock.unlock();
            waker_();
            lock.lock();
        }
        cv_.wait(lock, [this] { return stop_ || suspended_ || !requested_; });
        const auto now = Clock::now();
        next += std::chrono::milliseconds(kPeriodMs);
        if (next <= now) next = now + std::chrono::milliseconds(1);
    }
}

} // namespace nuvo
