// The audio device on the virtual clock. Nothing runs on a thread: time
// moves only in AdvanceTo, which runs the jobs at their due times and renders
// the output up to each, so the samples of a run depend only on what the run
// did, never on the machine's speed.
#include "platform/AudioOutput.h"
#include "platform/FileSystem.h"
#include "platform/WavHeader.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

namespace nuvo::platform {

namespace {

struct JobState {
    uint32_t interval = 1;
    std::function<void()> run;
    bool active = false;
    bool removed = false;
    bool running = false;
    uint64_t due = 0;
    // Bumped when the job is (re)activated, so a run that reactivates its own
    // job keeps the new due time.
    uint64_t generation = 0;
};

class VirtualAudioDevice;

class VirtualJob final : public IAudioJob {
public:
    VirtualJob(VirtualAudioDevice& device, std::shared_ptr<JobState> state)
        : device_(device), state_(std::move(state)) {}
    ~VirtualJob() override;
    void SetActive(bool active) override;
    void WaitIdle() override {}

private:
    VirtualAudioDevice& device_;
    std::shared_ptr<JobState> state_;
};

class VirtualAudioDevice final : public IVirtualAudioDevice {
public:
    // The file is made at once, so a path that cannot be written fails
    // before anything plays.
    explicit VirtualAudioDevice(const std::string& wavPath) : wavPath_(wavPath) { openWav(); }

    bool Open() override { return true; }
    uint64_t ClockMs() override { return now_; }
    void Queue(AudioBlock* block) override { output_.Queue(block); }
    void Reset() override { output_.Reset(); }
    void AddSource(IAudioSource* source) override { output_.AddSource(source); }
    void RemoveSource(IAudioSource* source) override { output_.RemoveSource(source); }
    void Sleep(uint32_t) override {}

    std::unique_ptr<IAudioJob> AddJob(uint32_t intervalMs, std::function<void()> run) override {
        auto state = std::make_shared<JobState>();
        state->interval = std::max<uint32_t>(intervalMs, 1);
        state->run = std::move(run);
        jobs_.push_back(state);
        return std::make_unique<VirtualJob>(*this, state);
    }

    void AdvanceTo(uint64_t ms) override {
        for (;;) {
            std::shared_ptr<JobState> next;
            for (const auto& j : jobs_)
                if (j->active && !j->removed && j->due <= ms && (!next || j->due < next->due)) next = j;
            if (!next) break;
            renderTo(next->due);
            now_ = std::max(now_, next->due);
            const uint64_t generation = next->generation;
            next->running = true;
            next->run();
            next->running = false;
            if (next->active && next->generation == generation) next->due += next->interval;
            std::erase_if(jobs_, [](const auto& j) { return j->removed; });
        }
        renderTo(ms);
        now_ = std::max(now_, ms);
    }

    void FinishWav() override {
        if (wavPath_.empty()) return;
        openWav();
        const uint64_t bytes = file_->Written() - 44;
        const auto header = makeWavHeader(
            static_cast<uint32_t>(std::min<uint64_t>(bytes, std::numeric_limits<uint32_t>::max())), kAudioChannels,
            kAudioRate, 16);
        file_->WriteAt(0, header.data(), header.size());
        file_->Commit();
        file_.reset();
        wavPath_.clear();
    }

    void activate(JobState& job, bool active) {
        if (job.active == active) return;
        job.active = active;
        if (active) {
            job.due = now_ + job.interval;
            ++job.generation;
        }
    }

private:
    void openWav() {
        if (file_ || wavPath_.empty()) return;
        file_.emplace(wavPath_);
        const auto header = makeWavHeader(0, kAudioChannels, kAudioRate, 16);
        file_->Write(header.data(), header.size());
    }

    void renderTo(uint64_t ms) {
        const uint64_t target = audioFrameAt(ms);
        while (rendered_ < target) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(target - rendered_, kChunkFrames));
            chunk_.resize(n * kAudioChannels);
            output_.Render(chunk_.data(), n);
            if (!wavPath_.empty()) {
                openWav();
                file_->Write(chunk_.data(), n * kAudioFrameBytes);
            }
            rendered_ += n;
        }
    }

    static constexpr uint64_t kChunkFrames = 4096;

    std::string wavPath_;
    std::optional<TAtomicFileWriter> file_;
    TAudioOutput output_;
    std::vector<std::shared_ptr<JobState>> jobs_;
    std::vector<int16_t> chunk_;
    uint64_t now_ = 0;
    uint64_t rendered_ = 0;
};

VirtualJob::~VirtualJob() {
    state_->active = false;
    state_->removed = true;
}

void VirtualJob::SetActive(bool active) { device_.activate(*state_, active); }

} // namespace

std::unique_ptr<IVirtualAudioDevice> createVirtualAudioDevice(const std::string& wavPath) {
    return std::make_unique<VirtualAudioDevice>(wavPath);
}

} // namespace nuvo::platform
