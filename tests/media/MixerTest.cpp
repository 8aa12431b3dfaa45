// The wave mixer through `nuvotool audio mix` on the virtual clock: block
// size and pump rhythm, each conversion, loops, clipping, volume, the tail
// kept before a sound counts as finished; and its position estimate.
#include "MediaTestSupport.h"
#include "media/WavFile.h"
#include "media/WavOut.h"
#include "platform/Audio.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace nuvo {
namespace {

using Samples = std::vector<int16_t>;

TWaveFormat formatOf(int channels, int rate, int bits) {
    TWaveFormat f;
    f.Channels = static_cast<uint16_t>(channels);
    f.SamplesPerSec = static_cast<uint32_t>(rate);
    f.BitsPerSample = static_cast<uint16_t>(bits);
    f.BlockAlign = static_cast<uint16_t>(channels * bits / 8);
    f.AvgBytesPerSec = f.SamplesPerSec * f.BlockAlign;
    return f;
}

std::string wav16(int channels, int rate, const Samples& s) {
    const auto bytes = wavBytes(formatOf(channels, rate, 16), reinterpret_cast<const uint8_t*>(s.data()), s.size() * 2);
    return std::string(bytes.begin(), bytes.end());
}

std::string wav8(int channels, int rate, const std::vector<uint8_t>& s) {
    const auto bytes = wavBytes(formatOf(channels, rate, 8), s.data(), s.size());
    return std::string(bytes.begin(), bytes.end());
}

struct Mix {
    Samples out; // interleaved stereo of OUT.wav
    std::string blocks;
    std::string err;
    int code;
};

// Runs audio mix on the sources (name -> file bytes) with the options.
Mix mix(const std::vector<std::pair<std::string, std::string>>& files, std::vector<std::string> args) {
    test::TempDir dir;
    for (const auto& [name, bytes] : files)
        dir.write(name, bytes);
    std::vector<std::string> all = {"audio", "mix", "out.wav", "--blocks", "blocks.txt"};
    all.insert(all.end(), args.begin(), args.end());
    const test::ProgramRun r = test::runProgram(NUVOTOOL_PATH, all, dir.str());
    Mix m{{}, {}, r.err, r.code};
    if (r.code == 0) {
        m.out = test::wavSamples(test::readFile(dir.path() / "out.wav"));
        m.blocks = test::readFile(dir.path() / "blocks.txt");
    }
    return m;
}

// The first frame of output at a time (the first at or after it).
size_t frameAt(uint64_t ms) { return static_cast<size_t>(platform::audioFrameAt(ms)); }

TEST(Mixer, BlocksOfDelayLengthComeTwoAheadEveryQuarterDelay) {
    Samples ramp(44100 * 2);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<int16_t>(i * 7);
    const Mix m = mix({{"a.wav", wav16(2, 44100, ramp)}}, {"--delay", "100", "a.wav"});
    ASSERT_EQ(m.code, 0) << m.err;
    // D = 100: 17640-byte blocks, a pump every 25 ms; two at the first, then
    // one as each finishes playing. One second of sound is ten blocks.
    std::string expected = "25 17640\n25 17640\n";
    for (int t = 125; t <= 825; t += 100)
        expected += std::to_string(t) + " 17640\n";
    EXPECT_EQ(m.blocks, expected);
    // The sound comes out whole and unchanged from the first pump on.
    ASSERT_GE(m.out.size(), 2 * frameAt(25) + ramp.size());
    EXPECT_TRUE(std::all_of(m.out.begin(), m.out.begin() + 2 * frameAt(25), [](int16_t v) { return v == 0; }));
    EXPECT_TRUE(std::equal(ramp.begin(), ramp.end(), m.out.begin() + 2 * frameAt(25)));
    // The last data was read at 825; the mix ends when the sound counts as
    // finished, more than 2 × D + 10 ms later.
    EXPECT_EQ(m.out.size(), 2 * frameAt(825 + 211));
}

TEST(Mixer, ConvertsByRepeatingFrames) {
    struct Case {
        const char* what;
        std::string file;
        Samples firstFrames; // of the output, from the first pump on
    };
    const std::vector<uint8_t> bytes8 = {0, 64, 128, 255};
    const Samples s16 = {100, -200, 300, -400};
    const Case cases[] = {
        {"mono 22050 8-bit: each sample four times", wav8(1, 22050, bytes8),
         {-32768, -32768, -32768, -32768, -16384, -16384, -16384, -16384, 0, 0, 0, 0, 32512, 32512, 32512, 32512}},
        {"stereo 22050 8-bit: each frame twice", wav8(2, 22050, bytes8),
         {-32768, -16384, -32768, -16384, 0, 32512, 0, 32512}},
        {"mono 44100 8-bit: each sample to both sides", wav8(1, 44100, bytes8),
         {-32768, -32768, -16384, -16384, 0, 0, 32512, 32512}},
        {"stereo 44100 8-bit", wav8(2, 44100, bytes8), {-32768, -16384, 0, 32512}},
        {"mono 22050 16-bit", wav16(1, 22050, s16),
         {100, 100, 100, 100, -200, -200, -200, -200, 300, 300, 300, 300, -400, -400, -400, -400}},
        {"stereo 22050 16-bit", wav16(2, 22050, s16), {100, -200, 100, -200, 300, -400, 300, -400}},
        {"mono 44100 16-bit", wav16(1, 44100, s16), {100, 100, -200, -200, 300, 300, -400, -400}},
        {"48000 Hz: silent", wav16(2, 48000, s16), {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Mix m = mix({{"a.wav", c.file}}, {"--delay", "100", "a.wav"});
        ASSERT_EQ(m.code, 0) << m.err;
        const size_t start = 2 * frameAt(25);
        ASSERT_GE(m.out.size(), start + c.firstFrames.size() + 2);
        EXPECT_EQ(Samples(m.out.begin() + start, m.out.begin() + start + c.firstFrames.size()), c.firstFrames);
        EXPECT_EQ(m.out[start + c.firstFrames.size()], 0) << "nothing after the data";
    }
}

TEST(Mixer, FullScaleSoundsClipAndVolumeShiftsArithmetically) {
    const Samples loud(4410 * 2, 32767), low(4410 * 2, -32768);
    const Samples small = {-1, -3, 1000, -1000, 255, -255};
    struct Case {
        const char* what;
        std::vector<std::string> sources;
        Samples first;
    };
    const Case cases[] = {
        {"two full-scale sounds clip at the top", {"loud.wav", "loud.wav"}, {32767, 32767}},
        {"and at the bottom", {"low.wav", "low.wav"}, {-32768, -32768}},
        {"volume 128 halves, rounding down", {"small.wav,volume=128"}, {-1, -2, 500, -500, 127, -128}},
        {"volume 255 leaves samples as they are", {"small.wav,volume=255"}, {-1, -3, 1000, -1000, 255, -255}},
        {"volume 0 is silence", {"small.wav,volume=0"}, {0, 0, 0, 0, 0, 0}},
        {"a later sound waits for the pump after its time", {"small.wav,at=60"}, {0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args = {"--delay", "200"};
        args.insert(args.end(), c.sources.begin(), c.sources.end());
        const Mix m = mix({{"loud.wav", wav16(2, 44100, loud)},
                           {"low.wav", wav16(2, 44100, low)},
                           {"small.wav", wav16(2, 44100, small)}},
                          args);
        ASSERT_EQ(m.code, 0) << m.err;
        const size_t start = 2 * frameAt(50);
        ASSERT_GE(m.out.size(), start + c.first.size());
        EXPECT_EQ(Samples(m.out.begin() + start, m.out.begin() + start + c.first.size()), c.first);
    }
}

TEST(Mixer, LoopsGoOnFromTheirStartWithoutAGap) {
    // 1000 frames of a ramp, looping from frame 250 (byte 1000); a loop
    // start inside a frame (1003) moves back to it; a cut-off frame at the
    // end is dropped so the loop stays on frame boundaries.
    Samples ramp(2000);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<int16_t>(i);
    std::string cut = wav16(2, 44100, ramp);
    cut += std::string("\x01\x02", 2); // half a frame more
    cut[40] = static_cast<char>(ramp.size() * 2 + 2 - 256 * ((ramp.size() * 2 + 2) / 256));
    cut[41] = static_cast<char>((ramp.size() * 2 + 2) / 256);
    for (const char* loop : {"1000", "1003"}) {
        SCOPED_TRACE(loop);
        const Mix m = mix({{"ramp.wav", cut}}, {"--delay", "100", "--length", "400", std::string("ramp.wav,loop=") + loop});
        ASSERT_EQ(m.code, 0) << m.err;
        Samples expected(ramp);
        while (expected.size() < 2 * 4410 * 3)
            expected.insert(expected.end(), ramp.begin() + 500, ramp.end());
        expected.resize(2 * 4410 * 3);
        const size_t start = 2 * frameAt(25);
        ASSERT_GE(m.out.size(), start + expected.size());
        EXPECT_EQ(Samples(m.out.begin() + start, m.out.begin() + start + expected.size()), expected);
    }
}

TEST(Mixer, RefusesWhatItCannotMix) {
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"missing.wav"}, 1},
        {{"text.wav"}, 1},
        {{"a.wav,loop=0"}, 2},           // loops for ever without --length
        {{"a.wav,pitch=2"}, 2},          // no such field
        {{"--delay", "150", "a.wav"}, 2}, // steps of 100
        {{"a.wav,volume=300"}, 2},
    };
    for (const auto& [args, code] : cases) {
        SCOPED_TRACE(testing::PrintToString(args));
        const Mix m = mix({{"a.wav", wav16(2, 44100, {1, 2})}, {"text.wav", "RIFF....WAVEjunk"}}, args);
        EXPECT_EQ(m.code, code) << m.err;
        EXPECT_EQ(m.err.rfind("nuvotool: ", 0), 0u) << m.err;
    }
}

TEST(Mixer, PositionIsTheReadPositionLessWhatIsQueuedPlusWhatPlayed) {
    auto device = platform::createVirtualAudioDevice("");
    TWavOut out(*device, 100);
    ASSERT_TRUE(out.Open(true));
    EXPECT_EQ(out.BlockBytes(), 17640u);
    EXPECT_EQ(out.PoolSize(), 4u);
    TWavBuffer* b = out.AddBuffer(formatOf(2, 44100, 16), std::make_unique<TKvMemoryStream>(std::vector<uint8_t>(176400)));
    b->SetPosition(1003);
    EXPECT_EQ(b->ReadPos(), 1000) << "on a frame's start";
    b->SetPosition(0);
    b->Play();
    device->AdvanceTo(25);
    EXPECT_EQ(b->ReadPos(), 35280) << "two blocks read";
    // 100 ms of bytes (17640) still queued, then what played since the read.
    EXPECT_EQ(b->GetPosition(), 35280 - 17640);
    device->AdvanceTo(75);
    EXPECT_EQ(b->GetPosition(), 35280 - 17640 + 8820);
    device->AdvanceTo(124);
    EXPECT_EQ(b->GetPosition(), 35280 - 17640 + 17464);
    EXPECT_FALSE(b->IsFinished());
    out.Close();
    EXPECT_FALSE(out.IsOpen());
}

} // namespace
} // namespace nuvo
