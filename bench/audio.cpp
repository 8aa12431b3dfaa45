// The sound paths against their baselines, measured alternately in the same
// process; the figures are minima over rounds.
//
//  1. The mixer: 8 stereo 44.1 kHz 16-bit buffers at volume 200 mixed into
//     one 500 ms block (TWavOut::MixBlock: read, scale, saturating add),
//     against SDL_MixAudioFormat doing the same 8 mixes (volume 100 of 128)
//     and against memcpy of the 8 sources; each mix kernel alone too.
//  2. MIDI: a dense three-minute song through TMidiPlayV, the timer rounds
//     and the built-in synthesizer on the virtual clock, against FluidSynth
//     rendering the same length with no events, and against FluidSynth fed
//     the same events directly at their sample positions.
//
// NUVO_BENCH_AUDIO_ROUNDS sets the rounds of the MIDI pair (default 3).
#include "base/Stream.h"
#include "media/MidiPlayV.h"
#include "media/MidiText.h"
#include "media/MixKernels.h"
#include "media/WavOut.h"
#include "platform/Audio.h"
#include "platform/MidiOut.h"

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace nuvo;
using Clock = std::chrono::steady_clock;

namespace {

double secondsOf(const std::function<void()>& f) {
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs the contenders in turn, `rounds` times, each round `iterations`
// calls; gives each one's smallest time per call.
std::vector<double> alternate(const std::vector<std::function<void()>>& contenders, int rounds, int iterations) {
    std::vector<double> best(contenders.size(), 1e30);
    for (int r = 0; r < rounds; ++r)
        for (size_t i = 0; i < contenders.size(); ++i) {
            const double t = secondsOf([&] {
                for (int k = 0; k < iterations; ++k)
                    contenders[i]();
            });
            best[i] = std::min(best[i], t / iterations);
        }
    return best;
}

// ---- 1. The mixer ----

constexpr size_t kBlockBytes = 88200; // 500 ms
constexpr size_t kBlockSamples = kBlockBytes / 2;
constexpr int kBuffers = 8;

void benchMixer() {
    std::mt19937 rng(7);
    // Ten seconds of noise per buffer, so blocks come from ever new memory.
    constexpr size_t kSourceSamples = 441000 * 2;
    std::vector<std::vector<int16_t>> sources(kBuffers, std::vector<int16_t>(kSourceSamples));
    for (auto& s : sources)
        for (auto& v : s)
            v = static_cast<int16_t>(rng());

    auto device = platform::createVirtualAudioDevice("");
    TWavOut mixer(*device, 500);
    for (const auto& s : sources) {
        std::vector<uint8_t> bytes(s.size() * 2);
        std::memcpy(bytes.data(), s.data(), bytes.size());
        TWavBuffer* b = mixer.AddBuffer(TWaveFormat{}, std::make_unique<TKvMemoryStream>(std::move(bytes)));
        b->SetVolume(200);
        b->SetLoop(true, 0);
        b->Play();
    }
    std::vector<int16_t> block(kBlockSamples);
    std::vector<int16_t> sdlBlock(kBlockSamples);
    std::vector<std::vector<int16_t>> copies(kBuffers, std::vector<int16_t>(kBlockSamples));
    size_t offset = 0;
    const auto nextOffset = [&] {
        offset += kBlockSamples;
        if (offset + kBlockSamples > kSourceSamples) offset = 0;
    };

    const std::vector<std::function<void()>> contenders = {
        [&] {
            mixer.MixBlock(block.data());
            benchmark::DoNotOptimize(block.data());
        },
        [&] {
            std::memset(sdlBlock.data(), 0, kBlockBytes);
            for (const auto& s : sources)
                SDL_MixAudioFormat(reinterpret_cast<Uint8*>(sdlBlock.data()),
                                   reinterpret_cast<const Uint8*>(s.data() + offset), AUDIO_S16LSB, kBlockBytes,
                                   200 * SDL_MIX_MAXVOLUME / 256);
            benchmark::DoNotOptimize(sdlBlock.data());
            nextOffset();
        },
        [&] {
            for (int i = 0; i < kBuffers; ++i)
                std::memcpy(copies[static_cast<size_t>(i)].data(), sources[static_cast<size_t>(i)].data() + offset,
                            kBlockBytes);
            benchmark::DoNotOptimize(copies.data());
            nextOffset();
        },
    };
    const std::vector<double> t = alternate(contenders, 300, 10);
    std::printf("mixer: 8 buffers at volume 200 into one 500 ms block (kernel %s)\n",
                mixKernelName(activeMixKernel()));
    std::printf("  TWavOut::MixBlock        %8.1f us\n", t[0] * 1e6);
    std::printf("  SDL_MixAudioFormat x 8   %8.1f us   ours / SDL    = %.2f\n", t[1] * 1e6, t[0] / t[1]);
    std::printf("  memcpy of the sources    %8.1f us   ours / memcpy = %.2f\n", t[2] * 1e6, t[0] / t[2]);

    // Each kernel alone on the same adds.
    std::vector<std::function<void()>> kernels;
    std::vector<TMixKernel> names;
    for (TMixKernel k : {TMixKernel::Plain, TMixKernel::Sse2, TMixKernel::Avx2}) {
        if (!mixKernelSupported(k)) continue;
        names.push_back(k);
        kernels.push_back([&, k] {
            std::memset(block.data(), 0, kBlockBytes);
            for (const auto& s : sources)
                mixSamplesWith(k, block.data(), s.data(), kBlockSamples, 200);
            benchmark::DoNotOptimize(block.data());
        });
    }
    const std::vector<double> k = alternate(kernels, 300, 10);
    for (size_t i = 0; i < k.size(); ++i)
        std::printf("  kernel %-5s (8 adds)    %8.1f us   / SDL = %.2f\n", mixKernelName(names[i]), k[i] * 1e6,
                    k[i] / t[1]);
}

// ---- 2. MIDI ----

// Three minutes at 120 beats per minute: eight instruments playing a
// sixteenth note each per step, chords on two of them, controllers and
// pitch bends every eighth note, drums.
std::string denseSong() {
    std::string text = "format 1 tracks 10 division 480\n0 0 0 tempo FF 51 07 A1 20\n";
    std::mt19937 rng(11);
    const int programs[] = {0, 48, 33, 25, 73, 61, 4, 89};
    // Events of a track must come in tick order: gather, then sort.
    std::vector<std::pair<int64_t, std::string>> events;
    char line[128];
    const auto add = [&](int64_t tick, int track, const char* bytes) {
        std::snprintf(line, sizeof line, "0 %lld %d x %s\n", static_cast<long long>(tick), track, bytes);
        events.push_back({tick, line});
    };
    char bytes[32];
    const int64_t steps = 180 * 8; // sixteenths in three minutes
    for (int ch = 0; ch < 8; ++ch) {
        const int track = ch + 1;
        events.clear();
        std::snprintf(bytes, sizeof bytes, "%02X %02X", 0xC0 | ch, programs[ch]);
        add(0, track, bytes);
        for (int64_t s = 0; s < steps; ++s) {
            const int64_t tick = s * 120;
            const int notes = ch < 2 ? 3 : 1;
            const int base = 48 + static_cast<int>(rng() % 24);
            for (int n = 0; n < notes; ++n) {
                const int key = base + n * 4;
                std::snprintf(bytes, sizeof bytes, "%02X %02X %02X", 0x90 | ch, key, 60 + static_cast<int>(rng() % 60));
                add(tick, track, bytes);
                std::snprintf(bytes, sizeof bytes, "%02X %02X 40", 0x80 | ch, key);
                add(tick + 200, track, bytes);
            }
            if (s % 2 == 0) {
                std::snprintf(bytes, sizeof bytes, "%02X 0B %02X", 0xB0 | ch, 60 + static_cast<int>(rng() % 67));
                add(tick + 1, track, bytes);
                std::snprintf(bytes, sizeof bytes, "%02X 00 %02X", 0xE0 | ch, 56 + static_cast<int>(rng() % 16));
                add(tick + 2, track, bytes);
            }
        }
        std::stable_sort(events.begin(), events.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& e : events)
            text += e.second;
    }
    events.clear();
    for (int64_t s = 0; s < steps; ++s) {
        const int64_t tick = s * 120;
        const int drum = s % 4 == 0 ? 36 : s % 4 == 2 ? 38 : 42;
        std::snprintf(bytes, sizeof bytes, "99 %02X 64", drum);
        add(tick, 9, bytes);
        std::snprintf(bytes, sizeof bytes, "89 %02X 00", drum);
        add(tick + 60, 9, bytes);
    }
    for (const auto& e : events)
        text += e.second;
    return text;
}

constexpr uint64_t kSongMs = 180000;

double playThroughPlayer(const std::vector<uint8_t>& file) {
    return secondsOf([&] {
        auto device = platform::createVirtualAudioDevice("");
        platform::MidiPortsSetup setup;
        setup.audio = device.get();
        setup.soundFont = platform::kSmallSoundFont;
        auto ports = platform::createMidiPorts(setup);
        TMidiPlayV player(*device, ports.get());
        player.LoadMidi(file.data(), file.size());
        if (!player.OpenDevice(-1)) std::abort();
        player.SendReset();
        player.PlayFrom(0, 0);
        for (uint64_t t = 16; t <= kSongMs; t += 16)
            device->AdvanceTo(t);
        player.CloseDevice();
    });
}

struct Synth {
    fluid_settings_t* settings;
    fluid_synth_t* synth;
    Synth() {
        settings = new_fluid_settings();
        fluid_settings_setnum(settings, "synth.sample-rate", 44100);
        fluid_settings_setint(settings, "synth.cpu-cores", 1);
        fluid_settings_setint(settings, "synth.lock-memory", 0);
        fluid_settings_setnum(settings, "synth.gain", 0.5);
        synth = new_fluid_synth(settings);
        if (fluid_synth_sfload(synth, platform::kSmallSoundFont, 1) == FLUID_FAILED) std::abort();
    }
    ~Synth() {
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
    }
};

// Renders in the device's chunks (up to 4096 frames), converting to 16-bit
// as the port does, feeding events (frame, bytes) as they come due.
double renderDirect(const std::vector<std::pair<uint64_t, std::vector<uint8_t>>>& events) {
    return secondsOf([&] {
        Synth s;
        std::vector<float> l(4096), r(4096);
        std::vector<int16_t> out(8192);
        const uint64_t total = platform::audioFrameAt(kSongMs);
        size_t next = 0;
        for (uint64_t done = 0; done < total;) {
            while (next < events.size() && events[next].first <= done) {
                const auto& b = events[next++].second;
                const int ch = b[0] & 15;
                switch (b[0] & 0xF0) {
                case 0x80:
                    fluid_synth_noteoff(s.synth, ch, b[1]);
                    break;
                case 0x90:
                    fluid_synth_noteon(s.synth, ch, b[1], b[2]);
                    break;
                case 0xB0:
                    fluid_synth_cc(s.synth, ch, b[1], b[2]);
                    break;
                case 0xC0:
                    fluid_synth_program_change(s.synth, ch, b[1]);
                    break;
                case 0xE0:
                    fluid_synth_pitch_bend(s.synth, ch, b[1] | b[2] << 7);
                    break;
                }
            }
            uint64_t n = std::min<uint64_t>(4096, total - done);
            if (next < events.size()) n = std::min(n, std::max<uint64_t>(events[next].first - done, 1));
            fluid_synth_write_float(s.synth, static_cast<int>(n), l.data(), 0, 1, r.data(), 0, 1);
            for (uint64_t i = 0; i < n; ++i) {
                out[2 * i] = static_cast<int16_t>(std::clamp(std::lrintf(l[i] * 32768.0f), -32768L, 32767L));
                out[2 * i + 1] = static_cast<int16_t>(std::clamp(std::lrintf(r[i] * 32768.0f), -32768L, 32767L));
            }
            benchmark::DoNotOptimize(out.data());
            done += n;
        }
    });
}

void benchMidi() {
    const std::vector<uint8_t> file = buildMidiFile(denseSong());
    TMidiV parsed;
    parsed.LoadFromBytes(file.data(), file.size());
    std::vector<std::pair<uint64_t, std::vector<uint8_t>>> events;
    size_t notes = 0;
    for (const TMidiMsgEvent& e : parsed.Events)
        if (e.Route == TMidiRoute::Short) {
            events.push_back({platform::audioFrameAt(static_cast<uint64_t>(e.Time)), e.Data});
            notes += e.Kind == TMidiKind::NoteOn;
        }
    const char* r = std::getenv("NUVO_BENCH_AUDIO_ROUNDS");
    const int rounds = r ? std::max(1, std::atoi(r)) : 3;
    double player = 1e30, idle = 1e30, direct = 1e30;
    for (int i = 0; i < rounds; ++i) {
        player = std::min(player, playThroughPlayer(file));
        idle = std::min(idle, renderDirect({}));
        direct = std::min(direct, renderDirect(events));
    }
    std::printf("MIDI: a dense three-minute song (%zu events, %zu notes), 180 s of output\n", parsed.Events.size(),
                notes);
    std::printf("  TMidiPlayV + FluidSynth            %7.3f s\n", player);
    std::printf("  FluidSynth, no events              %7.3f s   ours / idle   = %.2f\n", idle, player / idle);
    std::printf("  FluidSynth fed the same events     %7.3f s   ours / direct = %.2f\n", direct, player / direct);
}

} // namespace

int main() {
    benchMixer();
    benchMidi();
    return 0;
}
