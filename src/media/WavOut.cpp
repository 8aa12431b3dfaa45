#include "media/WavOut.h"

#include "media/MixKernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace nuvo {

namespace {

constexpr size_t kInitialPool = 4;

int64_t roundedDiv(int64_t a, int64_t b) { return (a + b / 2) / b; }

} // namespace

// ---- TWavBuffer ----

TWavBuffer::TWavBuffer(TWavOut& owner, const TWaveFormat& format, std::unique_ptr<TStream> source, size_t blockBytes)
    : owner_(owner), format_(format), source_(std::move(source)) {
    sourceSize_ = source_ ? std::max<int64_t>(source_->size(), 0) : 0;
    scratch_.resize((blockBytes + 1) / 2);
    converted_.resize(blockBytes / 2);
}

int64_t TWavBuffer::frameBytes() const {
    const int64_t bytes = int64_t{format_.Channels} * (format_.BitsPerSample / 8);
    return bytes > 0 ? bytes : 1;
}

size_t TWavBuffer::bytesPerBlock(size_t blockBytes) const {
    const TWaveFormat& f = format_;
    const bool pcm = f.FormatTag == 1 && (f.BitsPerSample == 8 || f.BitsPerSample == 16) &&
                     (f.Channels == 1 || f.Channels == 2) && (f.SamplesPerSec == 44100 || f.SamplesPerSec == 22050);
    if (!pcm) return 0;
    const size_t outFrames = blockBytes / platform::kAudioFrameBytes;
    const size_t repeat = f.SamplesPerSec == 44100 ? 1 : 2;
    return outFrames / repeat * f.Channels * (f.BitsPerSample / 8);
}

bool TWavBuffer::mixInto(int16_t* block, size_t frames, uint64_t now) {
    const size_t want = bytesPerBlock(frames * platform::kAudioFrameBytes);
    if (want == 0) {
        // A format the mixer cannot play is silent, and over at once: a title
        // waiting for it to end goes on.
        atEnd_ = true;
        lastFill_ = now;
        return false;
    }
    const int64_t align = frameBytes();
    uint8_t* const bytes = reinterpret_cast<uint8_t*>(scratch_.data());
    source_->seek(readPos_, SeekOrigin::Begin);
    size_t got = 0;
    bool looped = false;
    while (got < want) {
        const int64_t n = source_->read(bytes + got, static_cast<int64_t>(want - got));
        if (n > 0) {
            got += static_cast<size_t>(n);
            looped = false;
            continue;
        }
        // The end of the data: a cut-off frame is dropped, so a loop goes on
        // on a frame boundary.
        got -= got % static_cast<size_t>(align);
        if (!loop_ || looped) break; // a loop that yields nothing ends
        source_->seek(loopStart_, SeekOrigin::Begin);
        looped = true;
    }
    got -= got % static_cast<size_t>(align);
    readPos_ = source_->position();
    // A loop whose data ran out exactly at the block's end goes on from its
    // start next time rather than stopping there.
    if (loop_ && readPos_ >= sourceSize_ && loopStart_ < sourceSize_) readPos_ = loopStart_;
    atEnd_ = readPos_ >= sourceSize_;
    lastFill_ = now;
    if (got == 0) return false;

    const bool eight = format_.BitsPerSample == 8;
    // The output's own format goes straight in.
    if (!eight && format_.Channels == 2 && format_.SamplesPerSec == 44100) {
        mixSamples(block, scratch_.data(), got / 2, volume_);
        return true;
    }
    // Anything else becomes 16-bit stereo 44100 Hz by repeating frames.
    const bool mono = format_.Channels == 1;
    const size_t repeat = format_.SamplesPerSec == 44100 ? 1 : 2;
    const size_t inFrames = got / static_cast<size_t>(align);
    int16_t* out = converted_.data();
    for (size_t f = 0; f < inFrames; ++f) {
        int16_t l, r;
        if (eight) {
            const uint8_t* p = bytes + f * static_cast<size_t>(align);
            l = static_cast<int16_t>((p[0] - 128) * 256);
            r = mono ? l : static_cast<int16_t>((p[1] - 128) * 256);
        } else {
            const uint8_t* p = bytes + f * static_cast<size_t>(align);
            l = static_cast<int16_t>(p[0] | p[1] << 8);
            r = mono ? l : static_cast<int16_t>(p[2] | p[3] << 8);
        }
        for (size_t k = 0; k < repeat; ++k) {
            *out++ = l;
            *out++ = r;
        }
    }
    mixSamples(block, converted_.data(), static_cast<size_t>(out - converted_.data()), volume_);
    return true;
}

void TWavBuffer::Play() {
    std::lock_guard lock(owner_.lock_);
    started_ = true;
    paused_ = false;
    atEnd_ = false;
    if (std::find(owner_.active_.begin(), owner_.active_.end(), this) == owner_.active_.end())
        owner_.active_.push_back(this);
}

void TWavBuffer::Pause() {
    std::lock_guard lock(owner_.lock_);
    paused_ = true;
    std::erase(owner_.active_, this);
}

void TWavBuffer::SetPosition(int64_t bytes) {
    std::lock_guard lock(owner_.lock_);
    bytes = std::clamp<int64_t>(bytes, 0, sourceSize_);
    readPos_ = bytes - bytes % frameBytes();
    atEnd_ = readPos_ >= sourceSize_;
}

void TWavBuffer::SetVolume(int32_t volume) {
    std::lock_guard lock(owner_.lock_);
    volume_ = std::clamp(volume, 0, 256);
}

void TWavBuffer::SetLoop(bool loop, int64_t loopStartBytes) {
    std::lock_guard lock(owner_.lock_);
    loop_ = loop;
    loopStartBytes = std::max<int64_t>(loopStartBytes, 0);
    loopStart_ = loopStartBytes - loopStartBytes % frameBytes();
}

bool TWavBuffer::IsFinished() {
    std::lock_guard lock(owner_.lock_);
    const uint64_t now = owner_.device_.ClockMs();
    return atEnd_ && now > lastFill_ && now - lastFill_ > static_cast<uint64_t>(2 * owner_.delayMs_ + 10);
}

int64_t TWavBuffer::GetPosition() {
    std::lock_guard lock(owner_.lock_);
    const uint64_t now = owner_.device_.ClockMs();
    const int64_t elapsed = now > lastFill_ ? static_cast<int64_t>(now - lastFill_) : 0;
    const int64_t d = owner_.delayMs_;
    if (elapsed >= 2 * d) return readPos_;
    const int64_t perSecond =
        int64_t{format_.BitsPerSample} * format_.Channels * static_cast<int64_t>(format_.SamplesPerSec);
    const int64_t queued = roundedDiv(perSecond * d, 8000);
    const int64_t played = roundedDiv(perSecond * elapsed, 8000);
    return std::clamp<int64_t>(readPos_ - queued + played, 0, sourceSize_);
}

bool TWavBuffer::AtEnd() {
    std::lock_guard lock(owner_.lock_);
    return atEnd_;
}
bool TWavBuffer::Started() {
    std::lock_guard lock(owner_.lock_);
    return started_;
}
bool TWavBuffer::Paused() {
    std::lock_guard lock(owner_.lock_);
    return paused_;
}
int32_t TWavBuffer::Volume() {
    std::lock_guard lock(owner_.lock_);
    return volume_;
}
int64_t TWavBuffer::ReadPos() {
    std::lock_guard lock(owner_.lock_);
    return readPos_;
}

// ---- TWavOut ----

TWavOut::TWavOut(platform::IAudioDevice& device, int32_t delayMs)
    : device_(device), delayMs_(delayMs),
      blockBytes_(static_cast<size_t>(delayMs) * 176400 / 1000 / platform::kAudioFrameBytes *
                  platform::kAudioFrameBytes) {}

TWavOut::~TWavOut() { Close(); }

bool TWavOut::Open(bool useDevice) {
    {
        std::lock_guard lock(lock_);
        if (open_) return false;
        open_ = true;
        useDevice_ = useDevice;
        while (pool_.size() < kInitialPool)
            pool_.push_back(std::make_unique<TMemData>());
        for (auto& m : pool_)
            m->Data.resize(blockBytes_ / 2);
    }
    const bool opened = !useDevice || device_.Open();
    job_ = device_.AddJob(std::max<uint32_t>(PumpIntervalMs(), 1), [this] { Pump(); });
    job_->SetActive(true);
    return opened;
}

void TWavOut::Close() {
    if (!open_) return;
    // The pump first: it takes the lock for its whole round.
    job_.reset();
    {
        std::lock_guard lock(lock_);
        if (useDevice_) device_.Reset();
        active_.clear();
        buffers_.clear();
        for (TWavPrimary* b : std::vector<TWavPrimary*>(queue_))
            if (!b->Prepared) releaseBlock(b);
    }
    // What the device still holds comes back once played (at once after the
    // reset); a device that never gives it back does not hold the close up
    // for more than a second.
    for (int tries = 0; tries < 100; ++tries) {
        {
            std::lock_guard lock(lock_);
            removeDoneBlocks();
            if (queue_.empty()) break;
        }
        device_.Sleep(10);
    }
    std::lock_guard lock(lock_);
    queue_.clear();
    for (auto& m : pool_)
        m->User = nullptr;
    open_ = false;
}

TWavBuffer* TWavOut::AddBuffer(const TWaveFormat& format, std::unique_ptr<TStream> source) {
    std::lock_guard lock(lock_);
    buffers_.push_back(std::unique_ptr<TWavBuffer>(new TWavBuffer(*this, format, std::move(source), blockBytes_)));
    return buffers_.back().get();
}

void TWavOut::RemoveBuffer(TWavBuffer* buffer) {
    std::lock_guard lock(lock_);
    std::erase(active_, buffer);
    std::erase_if(buffers_, [buffer](const auto& b) { return b.get() == buffer; });
}

TWavOut::TMemData* TWavOut::takeMemory() {
    for (auto& m : pool_)
        if (!m->User) return m.get();
    pool_.push_back(std::make_unique<TMemData>());
    pool_.back()->Data.resize(blockBytes_ / 2);
    return pool_.back().get();
}

void TWavOut::releaseBlock(TWavPrimary* block) {
    std::erase(queue_, block);
    block->Memory->User = nullptr;
}

void TWavOut::removeDoneBlocks() {
    for (TWavPrimary* b : std::vector<TWavPrimary*>(queue_))
        if (!useDevice_ || !b->Prepared || b->Header.done) releaseBlock(b);
}

bool TWavOut::mixBlock(int16_t* block) {
    std::memset(block, 0, blockBytes_);
    const uint64_t now = device_.ClockMs();
    const size_t frames = blockBytes_ / platform::kAudioFrameBytes;
    bool mixed = false;
    // In the order the buffers were made; only those playing, not at their end.
    for (const auto& b : buffers_) {
        TWavBuffer* buffer = b.get();
        if (!buffer->started_ || buffer->paused_ || buffer->atEnd_ || buffer->sourceSize_ == 0) continue;
        if (std::find(active_.begin(), active_.end(), buffer) == active_.end()) continue;
        mixed = buffer->mixInto(block, frames, now) || mixed;
    }
    return mixed;
}

void TWavOut::Pump() {
    std::lock_guard lock(lock_);
    if (!open_) return;
    removeDoneBlocks();
    for (int round = 0; round < 2; ++round) {
        if (queue_.size() > 1 || active_.empty()) break;
        TMemData* memory = takeMemory();
        TWavPrimary* block = &memory->Block;
        memory->User = block;
        block->Memory = memory;
        block->Written = false;
        block->Prepared = useDevice_;
        block->Header.samples = memory->Data.data();
        block->Header.frames = blockBytes_ / platform::kAudioFrameBytes;
        block->Header.done = false;
        if (!mixBlock(memory->Data.data())) {
            memory->User = nullptr;
            continue;
        }
        block->Written = true;
        queue_.push_back(block);
        if (block->Prepared) device_.Queue(&block->Header);
        if (BlockHook) BlockHook(reinterpret_cast<const uint8_t*>(memory->Data.data()), blockBytes_);
    }
}

bool TWavOut::MixBlock(int16_t* block) {
    std::lock_guard lock(lock_);
    return mixBlock(block);
}

size_t TWavOut::QueuedBlocks() {
    std::lock_guard lock(lock_);
    return queue_.size();
}

size_t TWavOut::PoolSize() {
    std::lock_guard lock(lock_);
    return pool_.size();
}

} // namespace nuvo
