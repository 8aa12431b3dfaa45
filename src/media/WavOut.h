// TWavOut, the software mixer of decoded sound: every D / 4 milliseconds a
// pump sums all playing buffers (TWavBuffer, one per sound) into an output
// block of D milliseconds (44100 Hz, 16-bit, stereo) and queues it on the
// audio device, never more than two blocks at once, so what is heard lags
// between D and 2 × D behind what was read.
//
// Sources are PCM streams of 44100 or 22050 Hz, mono or stereo, 8 or 16
// bits, turned into the output format by repeating frames (no
// interpolation); any other format is silent. Positions are bytes of the
// source, kept to whole frames (a position set, or a loop start, is moved
// back to a frame's start; a frame cut off at the end of the data is
// dropped).
//
// One lock guards the buffers and the queue; the pump holds it for its
// whole round. Buffer operations may come from any thread.
#pragma once

#include "base/Stream.h"
#include "platform/Audio.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace nuvo {

struct TWaveFormat {
    uint16_t FormatTag = 1; // 1: PCM
    uint16_t Channels = 2;
    uint32_t SamplesPerSec = 44100;
    uint32_t AvgBytesPerSec = 176400;
    uint16_t BlockAlign = 4;
    uint16_t BitsPerSample = 16;
};

class TWavOut;

class TWavBuffer {
public:
    void Play();
    void Pause();
    void SetPosition(int64_t bytes);
    // Linear volume 0..256 (256 full; below 255 each sample is scaled).
    void SetVolume(int32_t volume);
    void SetLoop(bool loop, int64_t loopStartBytes);
    // At its end, and more than 2 × D + 10 ms since the last data was read,
    // so the tail has been heard.
    bool IsFinished();
    // The byte of the source being heard now: the read position less what is
    // still queued, plus what has played since.
    int64_t GetPosition();

    // Read under the owner's lock.
    bool AtEnd();
    bool Started();
    bool Paused();
    int32_t Volume();
    int64_t ReadPos();
    const TWaveFormat& Format() const { return format_; }

private:
    friend class TWavOut;
    TWavBuffer(TWavOut& owner, const TWaveFormat& format, std::unique_ptr<TStream> source, size_t blockBytes);
    // The bytes one output block takes from this source; 0 when the format
    // cannot be played.
    size_t bytesPerBlock(size_t blockBytes) const;
    int64_t frameBytes() const;
    // Reads, converts and adds into block (frames of the output); false when
    // nothing was read.
    bool mixInto(int16_t* block, size_t frames, uint64_t now);

    TWavOut& owner_;
    TWaveFormat format_;
    std::unique_ptr<TStream> source_;
    int64_t sourceSize_ = 0;
    // The bytes read, kept in 16-bit storage so the output's own format can
    // be mixed from it directly.
    std::vector<int16_t> scratch_;
    std::vector<int16_t> converted_;
    bool atEnd_ = false;
    uint64_t lastFill_ = 0;
    int64_t readPos_ = 0;
    int32_t volume_ = 256;
    bool started_ = false;
    bool paused_ = false;
    bool loop_ = false;
    int64_t loopStart_ = 0;
};

class TWavOut {
public:
    // delayMs: the start-up setting DelayTime (100 to 500).
    TWavOut(platform::IAudioDevice& device, int32_t delayMs);
    ~TWavOut();
    TWavOut(const TWavOut&) = delete;
    TWavOut& operator=(const TWavOut&) = delete;

    // False when already open, or when useDevice and no sound device could
    // be opened; in that case the pump runs all the same on the device's
    // silent stand-in, so buffers still reach their end on time. Without
    // useDevice blocks are mixed and dropped at the next pump.
    bool Open(bool useDevice);
    void Close();
    bool IsOpen() const { return open_; }

    TWavBuffer* AddBuffer(const TWaveFormat& format, std::unique_ptr<TStream> source);
    void RemoveBuffer(TWavBuffer* buffer);

    int32_t DelayMs() const { return delayMs_; }
    // S = D × 176400 / 1000 bytes.
    size_t BlockBytes() const { return blockBytes_; }
    uint32_t PumpIntervalMs() const { return static_cast<uint32_t>(delayMs_ / 4); }
    // Called with each block handed to the device (its samples and bytes),
    // under the lock, on the pump's thread.
    std::function<void(const uint8_t* data, size_t bytes)> BlockHook;

    // One pump, as the mixing job runs it.
    void Pump();
    // Mixes one block (BlockBytes) of every playing buffer into block, as a
    // pump does; false when nothing was read.
    bool MixBlock(int16_t* block);
    size_t QueuedBlocks();
    size_t PoolSize();

private:
    friend class TWavBuffer;

    struct TMemData;
    struct TWavPrimary {
        platform::AudioBlock Header;
        TMemData* Memory = nullptr;
        bool Written = false;
        bool Prepared = false;
    };
    struct TMemData {
        std::vector<int16_t> Data;
        TWavPrimary* User = nullptr;
        TWavPrimary Block;
    };

    TMemData* takeMemory();
    void releaseBlock(TWavPrimary* block);
    void removeDoneBlocks();
    bool mixBlock(int16_t* block);

    platform::IAudioDevice& device_;
    const int32_t delayMs_;
    const size_t blockBytes_;
    std::mutex lock_;
    std::atomic<bool> open_{false};
    bool useDevice_ = false;
    std::vector<std::unique_ptr<TWavBuffer>> buffers_;
    std::vector<TWavBuffer*> active_;
    std::vector<TWavPrimary*> queue_;
    std::vector<std::unique_ptr<TMemData>> pool_;
    std::unique_ptr<platform::IAudioJob> job_;
};

} // namespace nuvo
