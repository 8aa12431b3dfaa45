// What the media tests share: MIDI fixtures from the text form, a port that
// records what it is sent with the device clock, and small WAV helpers.
#pragma once

#include "media/MidiText.h"
#include "platform/Audio.h"
#include "platform/MidiOut.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nuvo::test {

// "format 1 tracks N division D" and the event lines ("TICK TRACK HEX..."
// is enough: the time and kind columns are put in here).
inline std::vector<uint8_t> midiFile(const std::string& header, const std::vector<std::string>& events) {
    std::string text = header + "\n";
    for (const std::string& e : events)
        text += "0 " + e.substr(0, e.find(' ', e.find(' ') + 1)) + " x" + e.substr(e.find(' ', e.find(' ') + 1)) + "\n";
    return buildMidiFile(text);
}

struct RecordedMessage {
    uint64_t ms;
    std::vector<uint8_t> bytes;
    bool operator==(const RecordedMessage&) const = default;
};

// Ports whose every port records into one shared list; port 1 says it
// needs time after system-exclusive messages, as ALSA ports do.
class RecordingPorts final : public platform::IMidiPorts {
public:
    explicit RecordingPorts(platform::IAudioDevice& clock) : clock_(clock) {}

    std::vector<platform::MidiPortInfo> List() override {
        return {platform::MidiPortInfo{"Recorder", 7, 16, 16}, platform::MidiPortInfo{"Slow", 1, 0, 0}};
    }
    std::unique_ptr<platform::IMidiPort> Open(int index, std::string& error) override {
        if (index > 1) {
            error = "no such port";
            return nullptr;
        }
        ++opened;
        return std::make_unique<Port>(*this, index == 1);
    }

    std::vector<RecordedMessage> messages;
    int opened = 0;
    int resets = 0;

private:
    class Port final : public platform::IMidiPort {
    public:
        Port(RecordingPorts& owner, bool slow) : owner_(owner), slow_(slow) {}
        void ShortMessage(const uint8_t* b, size_t n) override { record(b, n); }
        void LongMessage(const uint8_t* b, size_t n, std::function<void()> done) override {
            record(b, n);
            if (done) done();
        }
        void Reset() override { ++owner_.resets; }
        bool SlowSystemExclusive() const override { return slow_; }

    private:
        void record(const uint8_t* b, size_t n) {
            owner_.messages.push_back({owner_.clock_.ClockMs(), std::vector<uint8_t>(b, b + n)});
        }
        RecordingPorts& owner_;
        bool slow_;
    };

    platform::IAudioDevice& clock_;
};

// A device on the virtual clock that also counts the real time asked for.
class CountingDevice final : public platform::IAudioDevice {
public:
    CountingDevice() : inner_(platform::createVirtualAudioDevice("")) {}
    bool Open() override { return inner_->Open(); }
    uint64_t ClockMs() override { return inner_->ClockMs(); }
    void Queue(platform::AudioBlock* b) override { inner_->Queue(b); }
    void Reset() override { inner_->Reset(); }
    void AddSource(platform::IAudioSource* s) override { inner_->AddSource(s); }
    void RemoveSource(platform::IAudioSource* s) override { inner_->RemoveSource(s); }
    std::unique_ptr<platform::IAudioJob> AddJob(uint32_t ms, std::function<void()> run) override {
        return inner_->AddJob(ms, std::move(run));
    }
    void Sleep(uint32_t ms) override { slept += ms; }
    void AdvanceTo(uint64_t ms) { inner_->AdvanceTo(ms); }

    uint64_t slept = 0;

private:
    std::unique_ptr<platform::IVirtualAudioDevice> inner_;
};

// The 16-bit samples of a 44-byte-header WAV file (interleaved).
std::vector<int16_t> wavSamples(const std::string& bytes);
// Root mean square of the stereo frames in [fromMs, toMs).
double rmsBetween(const std::vector<int16_t>& samples, double fromMs, double toMs);
// The hexadecimal SHA-256 of bytes.
std::string sha256Hex(const std::string& bytes);

} // namespace nuvo::test
