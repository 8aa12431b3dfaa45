// The pacing thread: it wakes about every 15 ms and hands a frame to the
// main thread, synchronously (it waits until the main thread has taken the
// frame, or it is told to stop or to pause). It never runs a frame and never
// touches the clocks; the main thread measures every frame itself
// (FrameClock.h). Its purpose is to keep frames coming while the main
// thread waits somewhere other than its own loop, such as inside an open
// dialog: every such wait takes the requests (TakeRequest) and runs them.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace nuvo {

class TLoopThread {
public:
    static constexpr int kPeriodMs = 15;

    // waker, when given, is called on the pacing thread right after a frame
    // is requested, to end a wait of the main thread early; it must be safe
    // to call from any thread.
    explicit TLoopThread(std::function<void()> waker = {});
    ~TLoopThread();
    TLoopThread(const TLoopThread&) = delete;
    TLoopThread& operator=(const TLoopThread&) = delete;

    // Starts the thread (suspended when Suspend came first).
    void Start();
    // While suspended the thread requests nothing; a request it is waiting on
    // is withdrawn.
    void Suspend();
    void Resume();
    bool Suspended() const;
    // Stops the thread and waits for it (the destructor does it too).
    void Terminate();

    // Main thread: takes the pending request, releasing the thread; false
    // when none is pending.
    bool TakeRequest();
    // Requests made so far.
    uint64_t RequestCount() const;

private:
    void run();

    std::function<void()> waker_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::thread thread_;
    bool stop_ = false;
    bool suspended_ = false;
    bool requested_ = false;
    uint64_t requests_ = 0;
};

} // namespace nuvo
