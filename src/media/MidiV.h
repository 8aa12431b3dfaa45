// TMidiV: a Standard MIDI File read into one list of events of all tracks,
// ordered by time, each with its time in milliseconds.
//
// The reader trusts nothing in the file: a variable-length number has at
// most 4 bytes; a track is read within its chunk (its length cut to what the
// file holds); a meta or system-exclusive event ends running status; a data
// byte without a running status, or a status byte F1..FE other than F7 and
// FF, ends the track; every length is checked against the chunk before
// anything is allocated; files over 16 MiB are refused. Ticks and their sums
// are 64-bit; times are saturated to 32 bits.
#pragma once

#include "base/Stream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace nuvo {

enum class TMidiKind : uint8_t {
    NoteOff,
    NoteOn,
    PolyPressure,
    Control,
    Program,
    ChannelPressure,
    PitchBend,
    SysEx,
    Tempo,
    TrackName,
    EndOfTrack,
    TimeSignature,
    Meta,
};

// How an event is sent: a short channel message, a long system-exclusive
// message, or not at all (meta events).
enum class TMidiRoute : uint8_t { Short, Long, None };

struct TMidiMsgEvent {
    int64_t Tick = 0;
    // Milliseconds from the start, computed after loading.
    int32_t Time = 0;
    TMidiKind Kind = TMidiKind::Meta;
    TMidiRoute Route = TMidiRoute::None;
    // The track it came from; -1 for an event the player inserted.
    int32_t Track = 0;
    // The status byte, then the data. Meta events: FF, the type, the data.
    // System exclusive: F0 (or F7) and the bytes that followed the length.
    std::vector<uint8_t> Data;

    int32_t Length() const { return static_cast<int32_t>(Data.size()); }
    int Channel() const { return Data.empty() ? 0 : Data[0] & 0x0F; }
    // A tempo event's microseconds per quarter note.
    int32_t TempoValue() const;
};

// Names of the kinds as the text form writes them ("note-on", "sysex"...).
const char* midiKindName(TMidiKind kind);

class TMidiV {
public:
    // Files larger than this are not read.
    static constexpr int64_t kMaxFileBytes = 16 * 1024 * 1024;

    virtual ~TMidiV() = default;

    // Reads the file from the stream's current position. False when nothing
    // could be read (no "MThd", a division of 0, a file too large); the event
    // list is then empty.
    virtual bool LoadFromStream(TStream& stream);
    bool LoadFromBytes(const uint8_t* data, size_t size);

    int32_t Format = 0;
    int32_t TrackCount = 0;
    // Ticks per quarter note; negative SMPTE form when the high bit is set
    // (the frame rate negated in the high byte, ticks per frame in the low).
    int32_t Division = 0;
    int32_t Tempo = 500000;
    int32_t LengthMs = 0;
    // The largest tick any track reached.
    int64_t LastTick = 0;
    std::vector<std::string> TrackNames;
    std::vector<TMidiMsgEvent> Events;

    // The file sets no channel volume (controller 7): 16 events setting it
    // to 127 were put before the first note.
    bool VolumeInserted = false;

protected:
    void clear();

private:
    void readTrack(const uint8_t* p, size_t length, int32_t track);
    void computeTimes();
};

} // namespace nuvo
