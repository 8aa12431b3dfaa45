// The desktop audio device: SDL's default output, 44100 Hz 16-bit stereo
// (SDL converts when the hardware wants another format), filled from a
// callback on SDL's audio thread. A watcher thread checks the device every
// few milliseconds: when SDL reports it gone (unplugged, the sound server
// restarted) it is closed and reopened; while no device is open the watcher
// itself consumes the output in real time, silently, so queued blocks finish
// on time and the jobs see the same clock.
#include "platform/AudioOutput.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace nuvo::platform {

namespace {

// How often the watcher looks at the device (and feeds the silent output).
constexpr uint32_t kWatchMs = 10;
// How long a lost device rests before it is opened again.
constexpr uint64_t kRetryMs = 2000;

class SdlAudioDevice final : public IAudioDevice {
public:
    SdlAudioDevice() = default;

    ~SdlAudioDevice() override {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        if (watcher_.joinable()) watcher_.join();
        closeSdl();
        if (sdlStarted_) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            if (SDL_WasInit(0) == 0) SDL_Quit();
        }
    }

    bool Open() override {
        std::lock_guard lock(openMutex_);
        if (!opened_) {
            opened_ = true;
            sdlStarted_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
            if (sdlStarted_) openSdl();
            silentFrom_ = steadyMs();
            silentFrames_ = 0;
            watcher_ = std::thread([this] { watch(); });
        }
        return device_ != 0;
    }

    uint64_t ClockMs() override { return steadyMs(); }

    void Queue(AudioBlock* block) override {
        Open();
        output_.Queue(block);
    }
    void Reset() override { output_.Reset(); }
    void AddSource(IAudioSource* source) override {
        Open();
        output_.AddSource(source);
    }
    void RemoveSource(IAudioSource* source) override { output_.RemoveSource(source); }

    std::unique_ptr<IAudioJob> AddJob(uint32_t intervalMs, std::function<void()> run) override {
        return std::make_unique<TThreadJob>(intervalMs, std::move(run));
    }

    void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

private:
    static void SDLCALL callback(void* self, Uint8* stream, int len) {
        static_cast<SdlAudioDevice*>(self)->output_.Render(reinterpret_cast<int16_t*>(stream),
                                                           static_cast<size_t>(len) / kAudioFrameBytes);
    }

    // Called with openMutex_ held (or from the watcher, which owns the device
    // once started).
    void openSdl() {
        SDL_AudioSpec want{};
        want.freq = kAudioRate;
        want.format = AUDIO_S16SYS;
        want.channels = kAudioChannels;
        want.samples = 1024;
        want.callback = &SdlAudioDevice::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (id == 0) {
            lostAt_ = steadyMs();
            return;
        }
        SDL_PauseAudioDevice(id, 0);
        device_ = id;
    }

    void closeSdl() {
        const SDL_AudioDeviceID id = device_.exchange(0);
        if (id != 0) SDL_CloseAudioDevice(id);
    }

    void watch() {
        std::unique_lock lock(mutex_);
        std::vector<int16_t> none;
        while (!wake_.wait_for(lock, std::chrono::milliseconds(kWatchMs), [this] { return stop_; })) {
            if (device_ != 0 && SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) {
                // Gone: carry on silently from now, try again later.
                closeSdl();
                lostAt_ = steadyMs();
                silentFrom_ = lostAt_;
                silentFrames_ = 0;
            }
            if (device_ == 0 && sdlStarted_ && steadyMs() - lostAt_ >= kRetryMs) {
                std::lock_guard open(openMutex_);
                openSdl();
                if (device_ != 0) continue;
            }
            if (device_ == 0) consumeSilently();
        }
    }

    // Plays into nothing what real time says has played since the silence began.
    void consumeSilently() {
        const uint64_t due = audioFrameAt(steadyMs() - silentFrom_);
        if (due <= silentFrames_) return;
        size_t n = static_cast<size_t>(due - silentFrames_);
        silentFrames_ = due;
        constexpr size_t kChunk = 4096;
        scratch_.resize(kChunk * kAudioChannels);
        while (n > 0) {
            const size_t part = std::min(n, kChunk);
            output_.Render(scratch_.data(), part);
            n -= part;
        }
    }

    TAudioOutput output_;
    std::mutex openMutex_;
    bool opened_ = false;
    bool sdlStarted_ = false;
    std::atomic<SDL_AudioDeviceID> device_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread watcher_;
    uint64_t lostAt_ = 0;
    uint64_t silentFrom_ = 0;
    uint64_t silentFrames_ = 0;
    std::vector<int16_t> scratch_;
};

} // namespace

std::unique_ptr<IAudioDevice> createSdlAudioDevice() { return std::make_unique<SdlAudioDevice>(); }

} // namespace nuvo::platform
