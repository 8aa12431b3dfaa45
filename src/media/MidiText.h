// The text form of a MIDI file, for people and for test fixtures:
//
//   format F tracks N division D length MS events N
//   TIME TICK TRACK KIND HEX...
//
// one line per event in playing order: its time in milliseconds, its tick,
// the track it came from ("-" for events the player inserted), its kind
// (note-off, note-on, poly-pressure, control, program, channel-pressure,
// pitch-bend, sysex, tempo, track-name, end-of-track, time-signature, meta)
// and its bytes in hexadecimal (status first; meta events FF, type, data;
// system exclusive F0 or F7 and the bytes after the length).
//
// Building reads the same form back: the header's format, track count and
// division, and per event the tick, the track and the bytes (the time, the
// kind and inserted events are ignored; blank lines and lines starting with
// "#" too). It writes a file of format 0 (when the header says 0 and there
// is one track) or 1, without running status, each track ending with an
// end-of-track event.
#pragma once

#include "media/MidiV.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace nuvo {

std::string dumpMidiText(const TMidiV& midi);

// A source that does not follow the form: the message names the line.
class EMidiTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::vector<uint8_t> buildMidiFile(const std::string& text);

} // namespace nuvo
