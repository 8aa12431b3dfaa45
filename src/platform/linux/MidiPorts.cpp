// MIDI output on Linux: the built-in FluidSynth synthesizer as port 0, the
// ALSA sequencer's writable ports after it.
//
// The synthesizer has no audio driver of its own and no file player: it is a
// source of the audio device, rendered with fluid_synth_write_float whenever
// the device renders, on one core, and its samples are converted to 16-bit
// here (its own 16-bit writer dithers with rand(), which would make two runs
// differ). Its log shows errors only.
#include "platform/MidiOut.h"

#include <alsa/asoundlib.h>
#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

namespace nuvo::platform {

namespace {

void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

void quietLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
        // Without a sequencer device ALSA would print its own complaint.
        snd_lib_error_set_handler(&quietAlsa);
    });
}

bool readable(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

int16_t toSample(float v) {
    const float scaled = v * 32768.0f;
    if (!(scaled > -32768.0f)) return -32768; // also NaN
    if (scaled >= 32767.0f) return 32767;
    return static_cast<int16_t>(std::lrintf(scaled));
}

// ---- The synthesizer ----

class FluidPort final : public IMidiPort, public IAudioSource {
public:
    FluidPort(IAudioDevice& audio, fluid_settings_t* settings, fluid_synth_t* synth)
        : audio_(audio), settings_(settings), synth_(synth) {
        audio_.AddSource(this);
    }
    ~FluidPort() override {
        audio_.RemoveSource(this);
        delete_fluid_synth(synth_);
        delete_fluid_settings(settings_);
    }

    void ShortMessage(const uint8_t* b, size_t length) override {
        if (length == 0) return;
        const int ch = b[0] & 0x0F;
        const int d1 = length > 1 ? b[1] & 0x7F : 0;
        const int d2 = length > 2 ? b[2] & 0x7F : 0;
        switch (b[0] & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(synth_, ch, d1);
            break;
        case 0x90:
            if (d2 == 0) fluid_synth_noteoff(synth_, ch, d1);
            else fluid_synth_noteon(synth_, ch, d1, d2);
            break;
        case 0xA0:
            fluid_synth_key_pressure(synth_, ch, d1, d2);
            break;
        case 0xB0:
            fluid_synth_cc(synth_, ch, d1, d2);
            break;
        case 0xC0:
            fluid_synth_program_change(synth_, ch, d1);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(synth_, ch, d1);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(synth_, ch, d1 | (d2 << 7));
            break;
        default:
            break;
        }
    }

    void LongMessage(const uint8_t* b, size_t length, std::function<void()> done) override {
        // The synthesizer takes the bytes between F0 and F7.
        if (length >= 2 && b[0] == 0xF0) {
            const size_t end = b[length - 1] == 0xF7 ? length - 1 : length;
            if (end > 1)
                fluid_synth_sysex(synth_, reinterpret_cast<const char*>(b + 1), static_cast<int>(end - 1), nullptr,
                                  nullptr, nullptr, 0);
        }
        if (done) done();
    }

    void Reset() override { fluid_synth_system_reset(synth_); }

    void Render(int16_t* out, size_t frames) override {
        left_.resize(frames);
        right_.resize(frames);
        fluid_synth_write_float(synth_, static_cast<int>(frames), left_.data(), 0, 1, right_.data(), 0, 1);
        for (size_t i = 0; i < frames; ++i) {
            out[2 * i] = toSample(left_[i]);
            out[2 * i + 1] = toSample(right_[i]);
        }
    }

private:
    IAudioDevice& audio_;
    fluid_settings_t* settings_;
    fluid_synth_t* synth_;
    std::vector<float> left_, right_;
};

// ---- ALSA sequencer ports ----

struct AlsaAddress {
    int client = 0;
    int port = 0;
};

class AlsaPort final : public IMidiPort {
public:
    AlsaPort(snd_seq_t* seq, int ownPort, snd_midi_event_t* encoder)
        : seq_(seq), ownPort_(ownPort), encoder_(encoder) {}
    ~AlsaPort() override {
        snd_midi_event_free(encoder_);
        snd_seq_close(seq_);
    }

    void ShortMessage(const uint8_t* b, size_t length) override {
        snd_midi_event_reset_encode(encoder_);
        snd_seq_event_t ev;
        snd_seq_ev_clear(&ev);
        if (snd_midi_event_encode(encoder_, b, static_cast<long>(length), &ev) <= 0 || ev.type == SND_SEQ_EVENT_NONE)
            return;
        send(ev);
    }

    void LongMessage(const uint8_t* b, size_t length, std::function<void()> done) override {
        std::vector<uint8_t> bytes(b, b + length);
        if (!bytes.empty()) {
            snd_seq_event_t ev;
            snd_seq_ev_clear(&ev);
            snd_seq_ev_set_sysex(&ev, static_cast<unsigned>(bytes.size()), bytes.data());
            send(ev);
        }
        if (done) done();
    }

    void Reset() override {
        for (uint8_t ch = 0; ch < 16; ++ch) {
            const uint8_t off[] = {static_cast<uint8_t>(0xB0 | ch), 123, 0};
            const uint8_t controllers[] = {static_cast<uint8_t>(0xB0 | ch), 121, 0};
            ShortMessage(off, 3);
            ShortMessage(controllers, 3);
        }
    }

    bool SlowSystemExclusive() const override { return true; }

private:
    void send(snd_seq_event_t& ev) {
        snd_seq_ev_set_source(&ev, ownPort_);
        snd_seq_ev_set_subs(&ev);
        snd_seq_ev_set_direct(&ev);
        snd_seq_event_output_direct(seq_, &ev);
    }

    snd_seq_t* seq_;
    int ownPort_;
    snd_midi_event_t* encoder_;
};

std::vector<std::pair<MidiPortInfo, AlsaAddress>> alsaPorts() {
    std::vector<std::pair<MidiPortInfo, AlsaAddress>> out;
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) return out;
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    snd_seq_client_info_malloc(&client);
    snd_seq_port_info_malloc(&port);
    const int self = snd_seq_client_id(seq);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        if (id == SND_SEQ_CLIENT_SYSTEM || id == self) continue;
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(seq, port) >= 0) {
            const unsigned caps = snd_seq_port_info_get_capability(port);
            const unsigned wanted = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
            if ((caps & wanted) != wanted || (caps & SND_SEQ_PORT_CAP_NO_EXPORT)) continue;
            if (!(snd_seq_port_info_get_type(port) & SND_SEQ_PORT_TYPE_MIDI_GENERIC)) continue;
            MidiPortInfo info;
            info.name = std::string(snd_seq_client_info_get_name(client)) + ":" + snd_seq_port_info_get_name(port);
            info.technology = 1;
            out.push_back({info, AlsaAddress{id, snd_seq_port_info_get_port(port)}});
        }
    }
    snd_seq_port_info_free(port);
    snd_seq_client_info_free(client);
    snd_seq_close(seq);
    return out;
}

std::unique_ptr<IMidiPort> openAlsa(const AlsaAddress& to, std::string& error) {
    snd_seq_t* seq = nullptr;
    int rc = snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0);
    if (rc < 0) {
        error = std::string("the ALSA sequencer cannot be opened (") + snd_strerror(rc) + ")";
        return nullptr;
    }
    snd_seq_set_client_name(seq, "nuvoplayer");
    const int own = snd_seq_create_simple_port(seq, "out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                               SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    snd_midi_event_t* encoder = nullptr;
    if (own < 0 || (rc = snd_seq_connect_to(seq, own, to.client, to.port)) < 0 ||
        snd_midi_event_new(256, &encoder) < 0) {
        error = std::string("the ALSA port cannot be connected (") + snd_strerror(own < 0 ? own : rc) + ")";
        snd_seq_close(seq);
        return nullptr;
    }
    return std::make_unique<AlsaPort>(seq, own, encoder);
}

// ---- The list ----

class LinuxMidiPorts final : public IMidiPorts {
public:
    explicit LinuxMidiPorts(MidiPortsSetup setup) : setup_(std::move(setup)) { quietLibraries(); }

    std::vector<MidiPortInfo> List() override {
        std::lock_guard lock(mutex_);
        refresh();
        std::vector<MidiPortInfo> out;
        out.push_back(synthInfo());
        for (const auto& p : alsa_)
            out.push_back(p.first);
        return out;
    }

    std::unique_ptr<IMidiPort> Open(int index, std::string& error) override {
        if (index <= 0) return openSynth(error);
        std::lock_guard lock(mutex_);
        if (!listed_) refresh();
        if (static_cast<size_t>(index) > alsa_.size()) {
            error = "there is no MIDI port " + std::to_string(index);
            return nullptr;
        }
        return openAlsa(alsa_[static_cast<size_t>(index) - 1].second, error);
    }

private:
    static MidiPortInfo synthInfo() {
        MidiPortInfo info;
        info.name = "FluidSynth";
        info.technology = 7;
        info.voices = 256;
        info.notes = 256;
        return info;
    }

    void refresh() {
        listed_ = true;
        alsa_.clear();
        if (setup_.alsa) alsa_ = alsaPorts();
    }

    std::unique_ptr<IMidiPort> openSynth(std::string& error) {
        if (!setup_.audio) {
            error = "no audio device for the synthesizer";
            return nullptr;
        }
        if (setup_.soundFont.empty() || !readable(setup_.soundFont)) {
            error = "the soundfont " + (setup_.soundFont.empty() ? std::string("(none)") : setup_.soundFont) +
                    " cannot be read";
            reportOnce("MIDI music stays silent: " + error +
                       " (--soundfont FILE or SoundFont= under [Sound] in game.ini names another)");
            return nullptr;
        }
        fluid_settings_t* settings = new_fluid_settings();
        if (!settings) {
            error = "the synthesizer cannot be made";
            return nullptr;
        }
        fluid_settings_setnum(settings, "synth.sample-rate", kAudioRate);
        fluid_settings_setint(settings, "synth.cpu-cores", 1);
        fluid_settings_setint(settings, "synth.lock-memory", 0);
        fluid_settings_setint(settings, "synth.dynamic-sample-loading", 0);
        fluid_settings_setint(settings, "synth.threadsafe-api", 1);
        // Its default (0.2) is well below what a General MIDI module sounds like.
        fluid_settings_setnum(settings, "synth.gain", 0.5);
        fluid_synth_t* synth = new_fluid_synth(settings);
        if (!synth) {
            delete_fluid_settings(settings);
            error = "the synthesizer cannot be made";
            return nullptr;
        }
        if (fluid_synth_sfload(synth, setup_.soundFont.c_str(), 1) == FLUID_FAILED) {
            delete_fluid_synth(synth);
            delete_fluid_settings(settings);
            error = "the soundfont " + setup_.soundFont + " cannot be loaded";
            reportOnce("MIDI music stays silent: " + error);
            return nullptr;
        }
        setup_.audio->Open();
        return std::make_unique<FluidPort>(*setup_.audio, settings, synth);
    }

    void reportOnce(const std::string& line) {
        if (reported_) return;
        reported_ = true;
        if (setup_.report) setup_.report(line);
        else std::fprintf(stderr, "%s\n", line.c_str());
    }

    MidiPortsSetup setup_;
    std::mutex mutex_;
    bool listed_ = false;
    bool reported_ = false;
    std::vector<std::pair<MidiPortInfo, AlsaAddress>> alsa_;
};

// ---- The log ----

class LoggingPort final : public IMidiPort {
public:
    LoggingPort(std::unique_ptr<IMidiPort> inner, IAudioDevice& clock, TMidiLog& log)
        : inner_(std::move(inner)), clock_(clock), log_(log) {}
    void ShortMessage(const uint8_t* b, size_t length) override {
        log_.Add(clock_.ClockMs(), b, length);
        inner_->ShortMessage(b, length);
    }
    void LongMessage(const uint8_t* b, size_t length, std::function<void()> done) override {
        log_.Add(clock_.ClockMs(), b, length);
        inner_->LongMessage(b, length, std::move(done));
    }
    void Reset() override { inner_->Reset(); }
    bool SlowSystemExclusive() const override { return inner_->SlowSystemExclusive(); }

private:
    std::unique_ptr<IMidiPort> inner_;
    IAudioDevice& clock_;
    TMidiLog& log_;
};

class LoggingPorts final : public IMidiPorts {
public:
    LoggingPorts(std::unique_ptr<IMidiPorts> inner, IAudioDevice& clock, TMidiLog& log)
        : inner_(std::move(inner)), clock_(clock), log_(log) {}
    std::vector<MidiPortInfo> List() override { return inner_->List(); }
    std::unique_ptr<IMidiPort> Open(int index, std::string& error) override {
        auto port = inner_->Open(index, error);
        if (!port) return nullptr;
        return std::make_unique<LoggingPort>(std::move(port), clock_, log_);
    }

private:
    std::unique_ptr<IMidiPorts> inner_;
    IAudioDevice& clock_;
    TMidiLog& log_;
};

} // namespace

std::unique_ptr<IMidiPorts> createMidiPorts(const MidiPortsSetup& setup) {
    return std::make_unique<LinuxMidiPorts>(setup);
}

std::string chooseSoundFont(const std::string& option, const std::string& setting) {
    if (!option.empty()) return option;
    if (!setting.empty()) return setting;
    if (readable(kDefaultSoundFont)) return kDefaultSoundFont;
    return kSmallSoundFont;
}

void TMidiLog::Add(uint64_t ms, const uint8_t* bytes, size_t length) {
    std::string line = std::to_string(ms);
    char hex[4];
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
        line += hex;
    }
    line += '\n';
    std::lock_guard lock(mutex_);
    text_ += line;
}

std::string TMidiLog::Text() const {
    std::lock_guard lock(mutex_);
    return text_;
}

std::unique_ptr<IMidiPorts> loggingMidiPorts(std::unique_ptr<IMidiPorts> inner, IAudioDevice& clock, TMidiLog& log) {
    return std::make_unique<LoggingPorts>(std::move(inner), clock, log);
}

} // namespace nuvo::platform
