// nuvotool midi: MIDI files as text and back, rendered through the player's
// own MIDI player on the virtual clock, and the list of ports.
#include "Command.h"

#include "base/Cp932.h"
#include "base/Stream.h"
#include "media/MidiPlayV.h"
#include "media/MidiPortChoice.h"
#include "media/MidiText.h"
#include "platform/FileSystem.h"
#include "platform/MidiOut.h"

#include <optional>

namespace nuvotool {
namespace {

const char* kDumpDetails =
    "Prints\n"
    "  format F tracks N division D length MS events N\n"
    "and one line per event in playing order:\n"
    "  TIME TICK TRACK KIND HEX...\n"
    "TIME in milliseconds, TRACK '-' for the channel volumes the player puts\n"
    "before the first note of a file that sets none, KIND one of note-off,\n"
    "note-on, poly-pressure, control, program, channel-pressure, pitch-bend,\n"
    "sysex, tempo, track-name, end-of-track, time-signature, meta, and the\n"
    "event's bytes (status first; meta events FF, type, data; system exclusive\n"
    "F0 or F7 and the bytes after the length).\n";

const char* kBuildDetails =
    "Reads the form 'midi dump' prints (TIME, KIND and '-' events are ignored;\n"
    "blank lines and lines starting with '#' too) and writes a standard MIDI\n"
    "file of format 0 or 1 without running status, each track ending with an\n"
    "end-of-track event. OUT is written under a temporary name, then renamed.\n";

const char* kRenderDetails =
    "Plays FILE through the player's MIDI player and the built-in synthesizer\n"
    "on the virtual clock and writes what was heard (44.1 kHz, 16-bit, stereo)\n"
    "until one second after the song's end, or for --length MS from the start.\n"
    "  --soundfont SF   the soundfont (else Debian's default-GM.sf2, else\n"
    "                   TimGM6mb.sf2)\n"
    "  --volume V       master volume in hundredths of a decibel, -10000..0, as\n"
    "                   the MIDI item sets it (channel volumes at V / 100 + 100 %)\n"
    "  --from MS        start there (controllers and programs chased)\n"
    "  --repeat         start again at the end (needs --length)\n"
    "  --log FILE       every message the synthesizer got: 'TIME_MS HEX...'\n";

std::vector<uint8_t> readInput(const std::string& path) {
    try {
        return nuvo::readWholeFile(path);
    } catch (const std::exception& e) {
        throw EToolError(fileMessage(path, "cannot read", errorText(e)));
    }
}

void writeOutput(const std::string& path, const void* data, size_t size) {
    try {
        nuvo::platform::writeFileAtomic(path, data, size);
    } catch (const std::exception& e) {
        throw EToolError(fileMessage(path, "cannot write", errorText(e)));
    }
}

nuvo::TMidiV loadMidi(const std::string& path) {
    const std::vector<uint8_t> bytes = readInput(path);
    nuvo::TMidiV midi;
    if (!midi.LoadFromBytes(bytes.data(), bytes.size()))
        throw EToolError(fileMessage(path, "not a readable standard MIDI file"));
    return midi;
}

int runDump(Invocation& call) {
    call.out += nuvo::dumpMidiText(loadMidi(call.arg(0)));
    return 0;
}

int runBuild(Invocation& call) {
    const std::vector<uint8_t> source = readInput(call.arg(0));
    std::vector<uint8_t> file;
    try {
        file = nuvo::buildMidiFile(std::string(source.begin(), source.end()));
    } catch (const nuvo::EMidiTextError& e) {
        return failFile(call.arg(0), e.what());
    }
    writeOutput(call.arg(1), file.data(), file.size());
    return 0;
}

int runRender(Invocation& call) {
    const std::string& input = call.arg(0);
    const std::string& output = call.arg(1);
    const int64_t volume = call.line.Integer("--volume", -10000, 0, 0);
    const int64_t from = call.line.Integer("--from", 0, INT32_MAX, 0);
    const int64_t length = call.line.Integer("--length", 1, 24LL * 3600 * 1000, -1);
    const bool repeat = call.line.Has("--repeat");
    if (repeat && length < 0) throw nuvo::cli::EUsageError("--repeat needs --length MS (the song never ends)");
    const std::vector<uint8_t> bytes = readInput(input);

    auto audio = nuvo::platform::createVirtualAudioDevice(output);
    nuvo::platform::MidiPortsSetup setup;
    setup.audio = audio.get();
    setup.soundFont = nuvo::platform::chooseSoundFont(call.line.Value("--soundfont", ""), "");
    // An unreadable soundfont is told by the failure below.
    setup.report = [](const std::string&) {};
    std::unique_ptr<nuvo::platform::IMidiPorts> ports = nuvo::platform::createMidiPorts(setup);
    nuvo::platform::TMidiLog log;
    const std::optional<std::string> logPath = call.line.Value("--log");
    if (logPath) ports = nuvo::platform::loggingMidiPorts(std::move(ports), *audio, log);

    {
        nuvo::TMidiPlayV player(*audio, ports.get());
        if (!player.LoadMidi(bytes.data(), bytes.size()))
            return failFile(input, "not a readable standard MIDI file");
        if (!player.OpenDevice(-1)) return failFile(input, "cannot be played", player.LastError);
        player.SendReset();
        player.SetControllerScale(7, static_cast<int>(volume / 100 + 100));
        player.SetRepeat(repeat);
        player.PlayFrom(0, static_cast<int32_t>(from));
        // Frames of 10 ms, as a player's would come, until the end.
        uint64_t now = 0;
        int64_t endAt = length;
        for (;;) {
            now += 10;
            if (endAt >= 0 && now >= static_cast<uint64_t>(endAt)) {
                audio->AdvanceTo(static_cast<uint64_t>(endAt));
                break;
            }
            audio->AdvanceTo(now);
            if (length < 0 && endAt < 0 && player.IsEnd()) endAt = static_cast<int64_t>(now) + 1000;
        }
        player.CloseDevice();
    }
    ports.reset();
    try {
        audio->FinishWav();
    } catch (const std::exception& e) {
        return failFile(output, "cannot write", errorText(e));
    }
    if (logPath) {
        const std::string text = log.Text();
        writeOutput(*logPath, text.data(), text.size());
    }
    return 0;
}

int runPorts(Invocation& call) {
    nuvo::platform::MidiPortsSetup setup;
    setup.alsa = true;
    auto ports = nuvo::platform::createMidiPorts(setup);
    const nuvo::TMidiPortChoice choice(ports.get());
    for (const std::string& name : choice.Names())
        call.out += nuvo::sjisToUtf8(name) + "\n";
    return 0;
}

const NuvoGroup group({"midi", "MIDI files: dump, build, render; the MIDI ports", "",
                       {
                           {"dump", "FILE.mid", "print a MIDI file as text, one line per event", kDumpDetails, {}, 1, 1,
                            &runDump},
                           {"build", "SRC OUT.mid", "build a MIDI file from its text form", kBuildDetails, {}, 2, 2,
                            &runBuild},
                           {"render", "FILE.mid OUT.wav [--soundfont SF] [--volume V] [--from MS] [--repeat] "
                                      "[--length MS] [--log FILE]",
                            "play a MIDI file on the virtual clock into a WAV file", kRenderDetails,
                            {{"--soundfont", Arity::Value},
                             {"--volume", Arity::Value},
                             {"--from", Arity::Value},
                             {"--repeat"},
                             {"--length", Arity::Value},
                             {"--log", Arity::Value}},
                            2, 2, &runRender},
                           {"ports", "", "list the MIDI ports as @MidiPorts does, one per line", "", {}, 0, 0,
                            &runPorts},
                       }});

} // namespace
} // namespace nuvotool
