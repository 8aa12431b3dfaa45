// nuvotool audio: the player's wave mixer on the virtual clock.
#include "Command.h"

#include "base/Stream.h"
#include "media/WavFile.h"
#include "media/WavOut.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace nuvotool {
namespace {

const char* kMixDetails =
    "Mixes PCM WAV files through the player's mixer (the wave-out path) on the\n"
    "virtual clock and writes what the device played (44.1 kHz, 16-bit, stereo).\n"
    "Each SRC is FILE.wav[,at=MS][,loop=BYTES][,volume=0..256]: its data becomes\n"
    "a buffer in its own format (44100 or 22050 Hz, mono or stereo, 8 or 16\n"
    "bits play; other formats are silent), started at MS (0), looping from byte\n"
    "BYTES of its data when loop is given, at linear volume 0..256 (256).\n"
    "  --delay D       the buffering delay, 100 to 500 in steps of 100 (500)\n"
    "  --length MS     the length of OUT.wav; without it the mix ends when every\n"
    "                  sound has finished (needed when one loops)\n"
    "  --blocks FILE   one line 'TIME_MS BYTES' per block the mixer queued\n";

struct Source {
    std::string path;
    int64_t at = 0;
    bool loop = false;
    int64_t loopStart = 0;
    int32_t volume = 256;
};

int64_t number(const std::string& text, const std::string& what, int64_t low, int64_t high) {
    int64_t v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || ptr != text.data() + text.size() || v < low || v > high)
        throw nuvo::cli::EUsageError(what + " takes a whole number from " + std::to_string(low) + " to " +
                                     std::to_string(high) + ", not \"" + text + "\"");
    return v;
}

Source parseSource(const std::string& spec) {
    Source s;
    size_t start = 0;
    bool first = true;
    while (start <= spec.size()) {
        const size_t comma = std::min(spec.find(',', start), spec.size());
        const std::string part = spec.substr(start, comma - start);
        if (first) {
            s.path = part;
            first = false;
        } else {
            const size_t eq = part.find('=');
            const std::string key = part.substr(0, eq), value = eq == std::string::npos ? "" : part.substr(eq + 1);
            if (key == "at") s.at = number(value, "at=", 0, 24LL * 3600 * 1000);
            else if (key == "loop") {
                s.loop = true;
                s.loopStart = number(value, "loop=", 0, INT64_MAX / 2);
            } else if (key == "volume") s.volume = static_cast<int32_t>(number(value, "volume=", 0, 256));
            else throw nuvo::cli::EUsageError("\"" + part + "\" in \"" + spec + "\": a source takes at=, loop= and volume=");
        }
        if (comma == spec.size()) break;
        start = comma + 1;
    }
    if (s.path.empty()) throw nuvo::cli::EUsageError("a source names a WAV file first: \"" + spec + "\"");
    return s;
}

int runMix(Invocation& call) {
    const std::string output = call.arg(0);
    const int64_t delay = call.line.Integer("--delay", 100, 500, 500);
    if (delay % 100 != 0) throw nuvo::cli::EUsageError("--delay takes 100, 200, 300, 400 or 500");
    const int64_t length = call.line.Integer("--length", 1, 24LL * 3600 * 1000, -1);
    std::vector<Source> sources;
    for (size_t i = 1; i < call.args().size(); ++i)
        sources.push_back(parseSource(call.arg(i)));
    if (length < 0 && std::any_of(sources.begin(), sources.end(), [](const Source& s) { return s.loop; }))
        throw nuvo::cli::EUsageError("a looping source needs --length MS (it never ends)");

    std::vector<nuvo::TWavData> data;
    for (const Source& s : sources) {
        try {
            const std::vector<uint8_t> bytes = nuvo::readWholeFile(s.path);
            data.push_back(nuvo::readWavBytes(bytes.data(), bytes.size()));
        } catch (const std::exception& e) {
            return failFile(s.path, "not a readable PCM WAV file", errorText(e));
        }
    }

    auto device = nuvo::platform::createVirtualAudioDevice(output);
    std::string blocks;
    {
        nuvo::TWavOut mixer(*device, static_cast<int32_t>(delay));
        if (call.line.Has("--blocks"))
            mixer.BlockHook = [&](const uint8_t*, size_t bytes) {
                blocks += std::to_string(device->ClockMs()) + " " + std::to_string(bytes) + "\n";
            };
        mixer.Open(true);
        std::vector<nuvo::TWavBuffer*> buffers;
        for (size_t i = 0; i < sources.size(); ++i) {
            nuvo::TWavBuffer* b = mixer.AddBuffer(
                data[i].Format, std::make_unique<nuvo::TKvMemoryStream>(std::move(data[i].Data)));
            b->SetVolume(sources[i].volume);
            if (sources[i].loop) b->SetLoop(true, sources[i].loopStart);
            buffers.push_back(b);
        }
        // The sources in the order they start.
        std::vector<size_t> order(sources.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return sources[a].at < sources[b].at; });
        size_t next = 0;
        uint64_t now = 0;
        for (;;) {
            while (next < order.size() && static_cast<uint64_t>(sources[order[next]].at) <= now)
                buffers[order[next++]]->Play();
            if (length >= 0 && now >= static_cast<uint64_t>(length)) break;
            if (length < 0 && next == order.size() &&
                std::all_of(buffers.begin(), buffers.end(), [](nuvo::TWavBuffer* b) { return b->IsFinished(); }))
                break;
            uint64_t step = now + 1;
            if (next < order.size()) step = std::min<uint64_t>(step, static_cast<uint64_t>(sources[order[next]].at));
            if (length >= 0) step = std::min<uint64_t>(step, static_cast<uint64_t>(length));
            now = std::max(step, now + 1);
            device->AdvanceTo(now);
        }
        mixer.Close();
    }
    try {
        device->FinishWav();
        if (call.line.Has("--blocks"))
            nuvo::platform::writeFileAtomic(*call.line.Value("--blocks"), blocks.data(), blocks.size());
    } catch (const std::exception& e) {
        return fail(errorText(e));
    }
    return 0;
}

const NuvoGroup group({"audio", "the wave mixer on the virtual clock", "",
                       {
                           {"mix", "OUT.wav [--delay D] [--length MS] [--blocks FILE] SRC...",
                            "mix WAV files through the player's mixer into OUT.wav", kMixDetails,
                            {{"--delay", Arity::Value}, {"--length", Arity::Value}, {"--blocks", Arity::Value}}, 1,
                            -1, &runMix},
                       }});

} // namespace
} // namespace nuvotool
