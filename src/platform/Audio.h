// The audio device: one output of 44100 Hz, 16-bit, stereo for the whole
// program. Two kinds of sound reach it and are summed with saturation:
// blocks queued one after another (the wave mixer's output blocks, each done
// once its last frame has played) and sources pulled whenever output is
// rendered (the MIDI synthesizer, voices). The device also runs the periodic
// jobs of the sound code (the MIDI timer, the mixer's pump): on the desktop
// each is a thread of its own; on the virtual clock they run at their due
// times in time order with the output rendered up to each, so a headless run
// plays the same samples every time.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace nuvo::platform {

inline constexpr int kAudioRate = 44100;
inline constexpr int kAudioChannels = 2;
// One frame: a left and a right 16-bit sample.
inline constexpr int kAudioFrameBytes = 4;

// The first frame at or after a time in milliseconds.
constexpr uint64_t audioFrameAt(uint64_t ms) { return (ms * kAudioRate + 999) / 1000; }

// A block of output. The caller owns it and its samples, which must stay
// unchanged until done is set.
struct AudioBlock {
    const int16_t* samples = nullptr; // interleaved left, right
    size_t frames = 0;
    // Set by the device (from any thread) once the last frame has played or
    // the block was dropped by Reset.
    std::atomic<bool> done{false};
};

// Sound pulled at render time.
class IAudioSource {
public:
    virtual ~IAudioSource() = default;
    // Writes exactly `frames` stereo frames to out (zeros for silence). Never
    // called twice at once for one source.
    virtual void Render(int16_t* out, size_t frames) = 0;
};

// A periodic job of the device; it starts inactive.
class IAudioJob {
public:
    // Ends the job; a run in progress finishes first. Never from inside a run.
    virtual ~IAudioJob() = default;
    // Runs happen only while active; becoming active starts a whole interval.
    // Callable from inside a run.
    virtual void SetActive(bool active) = 0;
    // Returns once no run is in progress (at once from inside the run).
    virtual void WaitIdle() = 0;
};

class IAudioDevice {
public:
    virtual ~IAudioDevice() = default;
    // Opens the output; later calls answer the same. False when no sound
    // output could be opened: a silent device then consumes the output in
    // real time, so queued blocks still finish on time.
    virtual bool Open() = 0;
    // The device clock in milliseconds (never going back). On the virtual
    // clock: the virtual time, and inside a job the job's due time.
    virtual uint64_t ClockMs() = 0;
    // Queues a block behind the others. Opens the device when needed.
    virtual void Queue(AudioBlock* block) = 0;
    // Drops every queued block (each is marked done).
    virtual void Reset() = 0;
    // Sources are borrowed; after RemoveSource returns the source is not
    // being rendered and never will be again. Adding opens the device.
    virtual void AddSource(IAudioSource* source) = 0;
    virtual void RemoveSource(IAudioSource* source) = 0;
    // A job run every intervalMs milliseconds while active.
    virtual std::unique_ptr<IAudioJob> AddJob(uint32_t intervalMs, std::function<void()> run) = 0;
    // Gives the processor away for about ms milliseconds of real time; the
    // virtual clock returns at once.
    virtual void Sleep(uint32_t ms) = 0;
};

// The device on the virtual clock: nothing runs by itself; AdvanceTo moves
// time. What it plays is kept, when a WAV file was named, for FinishWav.
class IVirtualAudioDevice : public IAudioDevice {
public:
    // Runs every job due up to ms (in time order, ties in the order the jobs
    // were added), each after the output has been rendered up to its time,
    // then renders up to ms.
    virtual void AdvanceTo(uint64_t ms) = 0;
    // Writes everything played so far as a WAV file (44.1 kHz, 16-bit,
    // stereo; one frame per 1/44100 s from time 0, silence where nothing
    // played), atomically. Raises ENuvoError when it cannot. Does nothing
    // when no file was named.
    virtual void FinishWav() = 0;
};

// wavPath empty: the output is rendered and dropped.
std::unique_ptr<IVirtualAudioDevice> createVirtualAudioDevice(const std::string& wavPath);

// The desktop device on SDL2 (platform/sdl): SDL's default output with a
// callback, reopened when SDL reports it gone; the silent device of ours
// while none opens.
std::unique_ptr<IAudioDevice> createSdlAudioDevice();

} // namespace nuvo::platform
