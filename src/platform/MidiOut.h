// MIDI output ports. Port 0 is the built-in synthesizer ("FluidSynth"),
// which renders into the audio device; on the desktop every writable ALSA
// sequencer port follows, named "client:port name". Index -1 (the MIDI
// mapper) opens port 0.
#pragma once

#include "platform/Audio.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace nuvo::platform {

class IMidiPort {
public:
    // Closes the port; whatever still sounds is cut.
    virtual ~IMidiPort() = default;
    // A channel message: status and one or two data bytes.
    virtual void ShortMessage(const uint8_t* bytes, size_t length) = 0;
    // A system-exclusive message, F0 ... F7 (or a bare F7 escape's bytes).
    // The bytes are copied; `done` is called (perhaps before the call
    // returns) once the port is through with them.
    virtual void LongMessage(const uint8_t* bytes, size_t length, std::function<void()> done) = 0;
    // Silences the port: every note off, controllers reset.
    virtual void Reset() = 0;
    // A receiver behind the port needs time after a system-exclusive
    // message (hardware on an ALSA port); the synthesizer does not.
    virtual bool SlowSystemExclusive() const { return false; }
};

struct MidiPortInfo {
    std::string name; // UTF-8
    // What the port is: 7 a software synthesizer, 1 an output port.
    int technology = 1;
    int voices = 0;
    int notes = 0;
};

class IMidiPorts {
public:
    virtual ~IMidiPorts() = default;
    // Every port, in index order.
    virtual std::vector<MidiPortInfo> List() = 0;
    // Opens port index (-1: port 0). Null when it cannot, with the reason in
    // error.
    virtual std::unique_ptr<IMidiPort> Open(int index, std::string& error) = 0;
};

struct MidiPortsSetup {
    // Where the synthesizer plays; borrowed.
    IAudioDevice* audio = nullptr;
    // The soundfont the synthesizer loads when opened (chooseSoundFont).
    std::string soundFont;
    // List the ALSA sequencer's ports too (the desktop; a headless run lists
    // only the synthesizer, so it is the same on every machine).
    bool alsa = false;
    // One line for a person (UTF-8), such as an unreadable soundfont.
    std::function<void(const std::string&)> report;
};

// The Linux ports (platform/linux).
std::unique_ptr<IMidiPorts> createMidiPorts(const MidiPortsSetup& setup);

// Where Debian keeps General MIDI soundfonts.
inline constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";
inline constexpr const char* kSmallSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// The soundfont to use: the one given on the command line, else the one in
// the settings, else Debian's default General MIDI soundfont when readable,
// else the small one of the timgm6mb-soundfont package.
std::string chooseSoundFont(const std::string& option, const std::string& setting);

// Every message the ports receive, one line "TIME_MS HEX..." each, the time
// read from the audio device's clock.
class TMidiLog {
public:
    void Add(uint64_t ms, const uint8_t* bytes, size_t length);
    std::string Text() const;

private:
    mutable std::mutex mutex_;
    std::string text_;
};

// Ports that pass everything on to `inner` and log each message; the clock
// and the log are borrowed.
std::unique_ptr<IMidiPorts> loggingMidiPorts(std::unique_ptr<IMidiPorts> inner, IAudioDevice& clock, TMidiLog& log);

} // namespace nuvo::platform
