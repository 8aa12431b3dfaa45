// The audio devices: the virtual clock runs its jobs in time order with the
// output rendered up to each and writes the same WAV every time; on the
// desktop SDL's dummy driver and our silent stand-in (no driver at all)
// both finish queued sound on time, and the mixer and the MIDI player run
// on them in real time.
#include "MediaTestSupport.h"
#include "media/MidiPlayV.h"
#include "media/WavOut.h"
#include "platform/Audio.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace nuvo {
namespace {

using namespace std::chrono;

// A source that counts the frames asked of it and plays a constant.
struct CountingSource final : platform::IAudioSource {
    uint64_t frames = 0;
    int16_t value = 0;
    void Render(int16_t* out, size_t n) override {
        for (size_t i = 0; i < 2 * n; ++i)
            out[i] = value;
        frames += n;
    }
};

TEST(VirtualAudio, JobsRunInTimeOrderWithTheOutputRenderedUpToEach) {
    auto device = platform::createVirtualAudioDevice("");
    CountingSource source;
    device->AddSource(&source);
    std::vector<std::pair<char, uint64_t>> runs;
    std::unique_ptr<platform::IAudioJob> a, b;
    a = device->AddJob(10, [&] {
        runs.push_back({'a', device->ClockMs()});
        EXPECT_EQ(source.frames, platform::audioFrameAt(device->ClockMs()));
    });
    b = device->AddJob(25, [&] {
        runs.push_back({'b', device->ClockMs()});
        if (device->ClockMs() == 55) b->SetActive(false); // from inside its own run
    });
    a->SetActive(true);
    device->AdvanceTo(5);
    b->SetActive(true); // its first run a whole interval later: 30
    device->AdvanceTo(102);
    const std::vector<std::pair<char, uint64_t>> expected = {{'a', 10}, {'a', 20}, {'a', 30}, {'b', 30},
                                                             {'a', 40}, {'a', 50}, {'b', 55}, {'a', 60},
                                                             {'a', 70}, {'a', 80}, {'a', 90}, {'a', 100}};
    EXPECT_EQ(runs, expected);
    EXPECT_EQ(source.frames, platform::audioFrameAt(102));
    device->RemoveSource(&source);
}

TEST(VirtualAudio, BlocksPlayInTurnAndTheWavHoldsEveryFrame) {
    test::TempDir dir;
    const std::string path = (dir.path() / "out.wav").string();
    std::string first;
    for (int run = 0; run < 2; ++run) {
        auto device = platform::createVirtualAudioDevice(path);
        std::vector<int16_t> one(2 * 441, 1000), two(2 * 441, -1000);
        platform::AudioBlock a, b;
        a.samples = one.data();
        a.frames = 441;
        b.samples = two.data();
        b.frames = 441;
        device->AdvanceTo(3);
        device->Queue(&a);
        device->Queue(&b);
        device->AdvanceTo(12);
        EXPECT_FALSE(a.done) << "441 frames from frame 133 end at 13 ms";
        device->AdvanceTo(14);
        EXPECT_TRUE(a.done);
        EXPECT_FALSE(b.done);
        device->AdvanceTo(40);
        EXPECT_TRUE(b.done);
        if (run == 0) {
            EXPECT_FALSE(std::filesystem::exists(path)) << "written only at the end";
        }
        device->FinishWav();
        const std::string bytes = test::readFile(path);
        const std::vector<int16_t> s = test::wavSamples(bytes);
        ASSERT_EQ(s.size(), 2 * platform::audioFrameAt(40));
        const size_t start = 2 * platform::audioFrameAt(3);
        EXPECT_EQ(s[start - 1], 0);
        EXPECT_EQ(s[start], 1000);
        EXPECT_EQ(s[start + 2 * 441 - 1], 1000);
        EXPECT_EQ(s[start + 2 * 441], -1000);
        EXPECT_EQ(s[start + 4 * 441], 0);
        if (run == 0) first = bytes;
        else EXPECT_EQ(bytes, first) << "the same run writes the same file";
    }
}

// A 200 ms block queued on a real-time device comes back done between 150
// and 2000 ms later.
void expectBlockOnTime(platform::IAudioDevice& device) {
    std::vector<int16_t> samples(2 * 8820, 0);
    platform::AudioBlock block;
    block.samples = samples.data();
    block.frames = 8820;
    const auto start = steady_clock::now();
    device.Queue(&block);
    while (!block.done && steady_clock::now() - start < seconds(5))
        std::this_thread::sleep_for(milliseconds(2));
    const auto took = duration_cast<milliseconds>(steady_clock::now() - start).count();
    EXPECT_TRUE(block.done);
    EXPECT_GE(took, 150);
    EXPECT_LE(took, 2000);
}

TEST(SdlAudio, TheDummyDriverPlaysBlocksOnTime) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto device = platform::createSdlAudioDevice();
    EXPECT_TRUE(device->Open());
    expectBlockOnTime(*device);
}

TEST(SdlAudio, WithoutAnyDeviceTheSilentOneKeepsTime) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    auto device = platform::createSdlAudioDevice();
    EXPECT_FALSE(device->Open());
    expectBlockOnTime(*device);
}

TEST(SdlAudio, TheMixerFinishesSoundsOnTheSilentDevice) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    auto device = platform::createSdlAudioDevice();
    TWavOut out(*device, 100);
    EXPECT_FALSE(out.Open(true)) << "no device, said so";
    TWaveFormat format;
    TWavBuffer* b = out.AddBuffer(format, std::make_unique<TKvMemoryStream>(std::vector<uint8_t>(17640 * 3)));
    const auto start = steady_clock::now();
    b->Play();
    while (!b->IsFinished() && steady_clock::now() - start < seconds(5))
        std::this_thread::sleep_for(milliseconds(5));
    const auto took = duration_cast<milliseconds>(steady_clock::now() - start).count();
    EXPECT_TRUE(b->IsFinished());
    // 300 ms of sound, read by about 225 ms, finished 210 ms after that.
    EXPECT_GE(took, 250);
    EXPECT_LE(took, 2500);
    out.Close();
}

TEST(SdlAudio, TheMidiPlayerPlaysASongThroughTheSynthesizerInRealTime) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto device = platform::createSdlAudioDevice();
    platform::MidiPortsSetup setup;
    setup.audio = device.get();
    setup.soundFont = platform::kSmallSoundFont;
    auto ports = platform::createMidiPorts(setup);
    TMidiPlayV player(*device, ports.get());
    const auto file = test::midiFile("format 0 tracks 1 division 480",
                                     {"0 0 C0 00", "0 0 90 3C 64", "288 0 80 3C 40", "288 0 FF 2F"});
    ASSERT_TRUE(player.LoadMidi(file.data(), file.size()));
    ASSERT_TRUE(player.OpenDevice(-1)) << player.LastError;
    player.SendReset();
    const auto start = steady_clock::now();
    player.PlayFrom(0, 0);
    EXPECT_TRUE(player.IsPlaying());
    while (!player.IsEnd() && steady_clock::now() - start < seconds(5))
        std::this_thread::sleep_for(milliseconds(5));
    const auto took = duration_cast<milliseconds>(steady_clock::now() - start).count();
    EXPECT_TRUE(player.IsEnd());
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_GE(took, 290) << "the song is 300 ms long";
    EXPECT_LE(took, 2500);
    player.CloseDevice();
}

} // namespace
} // namespace nuvo

// SDL's audio start-up reaches D-Bus, whose library keeps what it allocated
// until the process ends; not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
