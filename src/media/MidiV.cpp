#include "media/MidiV.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace nuvo {

namespace {

uint32_t be32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}
uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// A variable-length number of at most 4 bytes; false when it runs past the
// end or is longer.
bool readNumber(const uint8_t* p, size_t length, size_t& pos, uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= length) return false;
        const uint8_t b = p[pos++];
        value = value << 7 | (b & 0x7F);
        if (!(b & 0x80)) return true;
    }
    return false;
}

TMidiKind channelKind(uint8_t status, uint8_t velocity) {
    switch (status & 0xF0) {
    case 0x80:
        return TMidiKind::NoteOff;
    case 0x90:
        return velocity == 0 ? TMidiKind::NoteOff : TMidiKind::NoteOn;
    case 0xA0:
        return TMidiKind::PolyPressure;
    case 0xB0:
        return TMidiKind::Control;
    case 0xC0:
        return TMidiKind::Program;
    case 0xD0:
        return TMidiKind::ChannelPressure;
    default:
        return TMidiKind::PitchBend;
    }
}

TMidiKind metaKind(uint8_t type, size_t length) {
    switch (type) {
    case 0x2F:
        return TMidiKind::EndOfTrack;
    case 0x51:
        return length >= 3 ? TMidiKind::Tempo : TMidiKind::Meta;
    case 0x03:
        return TMidiKind::TrackName;
    case 0x58:
        return TMidiKind::TimeSignature;
    default:
        return TMidiKind::Meta;
    }
}

// Milliseconds per tick as a fraction: the numerator of one tick at the
// current tempo over a denominator fixed for the file.
struct TickScale {
    bool valid = false;
    bool smpte = false;
    int64_t perTick = 0; // numerator of one tick
    int64_t denominator = 1;
};

TickScale scaleOf(int32_t division, int32_t tempo) {
    TickScale s;
    if (division == 0) return s;
    if (division < 0) {
        // SMPTE: the frame rate negated in the high byte, ticks per frame in
        // the low one; -29 is the 29.97 drop-frame rate.
        const int fps = -static_cast<int8_t>(static_cast<uint8_t>((division >> 8) & 0xFF));
        const int ticksPerFrame = division & 0xFF;
        if (fps <= 0 || ticksPerFrame == 0) return s;
        s.smpte = true;
        if (fps == 29) {
            s.perTick = 1001;
            s.denominator = int64_t{30} * ticksPerFrame;
        } else {
            s.perTick = 1000;
            s.denominator = int64_t{fps} * ticksPerFrame;
        }
    } else {
        s.perTick = tempo;
        s.denominator = int64_t{division} * 1000;
    }
    s.valid = true;
    return s;
}

int32_t roundedMs(__int128 numerator, int64_t denominator) {
    const __int128 q = numerator / denominator, r = numerator % denominator;
    __int128 ms = q;
    if (2 * r > denominator || (2 * r == denominator && (q & 1))) ++ms;
    return ms > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(ms);
}

} // namespace

int32_t TMidiMsgEvent::TempoValue() const {
    if (Data.size() < 5) return 0;
    return Data[2] << 16 | Data[3] << 8 | Data[4];
}

const char* midiKindName(TMidiKind kind) {
    switch (kind) {
    case TMidiKind::NoteOff:
        return "note-off";
    case TMidiKind::NoteOn:
        return "note-on";
    case TMidiKind::PolyPressure:
        return "poly-pressure";
    case TMidiKind::Control:
        return "control";
    case TMidiKind::Program:
        return "program";
    case TMidiKind::ChannelPressure:
        return "channel-pressure";
    case TMidiKind::PitchBend:
        return "pitch-bend";
    case TMidiKind::SysEx:
        return "sysex";
    case TMidiKind::Tempo:
        return "tempo";
    case TMidiKind::TrackName:
        return "track-name";
    case TMidiKind::EndOfTrack:
        return "end-of-track";
    case TMidiKind::TimeSignature:
        return "time-signature";
    case TMidiKind::Meta:
        return "meta";
    }
    return "meta";
}

void TMidiV::clear() {
    Format = TrackCount = Division = 0;
    Tempo = 500000;
    LengthMs = 0;
    LastTick = 0;
    VolumeInserted = false;
    TrackNames.clear();
    Events.clear();
}

bool TMidiV::LoadFromStream(TStream& stream) {
    clear();
    const int64_t available = stream.size() - stream.position();
    if (available <= 0 || available > kMaxFileBytes) return false;
    std::vector<uint8_t> bytes(static_cast<size_t>(available));
    const int64_t got = stream.read(bytes.data(), available);
    bytes.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
    return LoadFromBytes(bytes.data(), bytes.size());
}

bool TMidiV::LoadFromBytes(const uint8_t* data, size_t size) {
    clear();
    if (size > static_cast<size_t>(kMaxFileBytes) || size < 14 || std::memcmp(data, "MThd", 4) != 0) return false;
    const uint32_t headerLength = be32(data + 4);
    Format = be16(data + 8);
    TrackCount = be16(data + 10);
    Division = static_cast<int16_t>(be16(data + 12));
    if (!scaleOf(Division, Tempo).valid) return false;
    size_t pos = headerLength >= 6 && headerLength <= size - 8 ? 8 + size_t{headerLength} : 14;
    TrackNames.assign(static_cast<size_t>(TrackCount), std::string());
    for (int32_t track = 0; track < TrackCount && pos + 8 <= size; ++track) {
        const bool isTrack = std::memcmp(data + pos, "MTrk", 4) == 0;
        const size_t length = std::min<size_t>(be32(data + pos + 4), size - pos - 8);
        pos += 8;
        if (isTrack) readTrack(data + pos, length, track);
        pos += length;
    }
    std::stable_sort(Events.begin(), Events.end(),
                     [](const TMidiMsgEvent& a, const TMidiMsgEvent& b) { return a.Tick < b.Tick; });
    computeTimes();
    // Without any channel volume in the file every channel starts at full
    // volume, so the master volume has a value to scale.
    const bool hasVolume = std::any_of(Events.begin(), Events.end(), [](const TMidiMsgEvent& e) {
        return e.Kind == TMidiKind::Control && e.Data.size() >= 3 && e.Data[1] == 7;
    });
    if (!hasVolume) {
        const auto firstNote = std::find_if(Events.begin(), Events.end(), [](const TMidiMsgEvent& e) {
            return e.Kind == TMidiKind::NoteOn || e.Kind == TMidiKind::NoteOff;
        });
        if (firstNote != Events.end()) {
            std::vector<TMidiMsgEvent> volume(16);
            for (int ch = 0; ch < 16; ++ch) {
                TMidiMsgEvent& e = volume[static_cast<size_t>(ch)];
                e.Tick = firstNote->Tick;
                e.Time = firstNote->Time;
                e.Kind = TMidiKind::Control;
                e.Route = TMidiRoute::Short;
                e.Track = -1;
                e.Data = {static_cast<uint8_t>(0xB0 | ch), 7, 127};
            }
            Events.insert(firstNote, volume.begin(), volume.end());
            VolumeInserted = true;
        }
    }
    LengthMs = Events.empty() ? 0 : Events.back().Time;
    return true;
}

void TMidiV::readTrack(const uint8_t* p, size_t length, int32_t track) {
    size_t pos = 0;
    int64_t tick = 0;
    uint8_t running = 0;
    while (pos < length) {
        uint32_t delta = 0;
        if (!readNumber(p, length, pos, delta) || pos >= length) break;
        tick += delta;
        uint8_t status = p[pos];
        if (status & 0x80) ++pos;
        else if (running) status = running;
        else break; // data without a status to run on
        TMidiMsgEvent e;
        e.Tick = tick;
        e.Track = track;
        if (status < 0xF0) {
            const size_t count = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
            if (length - pos < count) break;
            if ((p[pos] & 0x80) || (count == 2 && (p[pos + 1] & 0x80))) break;
            e.Data.assign({status});
            e.Data.insert(e.Data.end(), p + pos, p + pos + count);
            pos += count;
            running = status;
            e.Kind = channelKind(status, count == 2 ? e.Data[2] : 1);
            e.Route = TMidiRoute::Short;
        } else if (status == 0xF0 || status == 0xF7) {
            uint32_t n = 0;
            if (!readNumber(p, length, pos, n) || n > length - pos) break;
            e.Data.assign({status});
            e.Data.insert(e.Data.end(), p + pos, p + pos + n);
            pos += n;
            running = 0;
            e.Kind = TMidiKind::SysEx;
            e.Route = TMidiRoute::Long;
        } else if (status == 0xFF) {
            if (pos >= length) break;
            const uint8_t type = p[pos++];
            uint32_t n = 0;
            if (!readNumber(p, length, pos, n) || n > length - pos) break;
            e.Data.assign({status, type});
            e.Data.insert(e.Data.end(), p + pos, p + pos + n);
            pos += n;
            running = 0;
            e.Kind = metaKind(type, n);
            e.Route = TMidiRoute::None;
            if (e.Kind == TMidiKind::TrackName && static_cast<size_t>(track) < TrackNames.size())
                TrackNames[static_cast<size_t>(track)].assign(e.Data.begin() + 2, e.Data.end());
        } else {
            break; // F1..F6, F8..FE have no place in a file
        }
        const bool end = e.Kind == TMidiKind::EndOfTrack;
        Events.push_back(std::move(e));
        if (end) break;
    }
    LastTick = std::max(LastTick, tick);
}

void TMidiV::computeTimes() {
    TickScale scale = scaleOf(Division, Tempo);
    __int128 sum = 0;
    int64_t previous = 0;
    for (TMidiMsgEvent& e : Events) {
        // The gap before an event is timed at the tempo in force before it.
        sum += static_cast<__int128>(scale.perTick) * (e.Tick - previous);
        previous = e.Tick;
        e.Time = roundedMs(sum, scale.denominator);
        if (e.Kind == TMidiKind::Tempo && !scale.smpte) {
            const int32_t tempo = e.TempoValue();
            if (tempo > 0) {
                Tempo = tempo;
                scale.perTick = tempo;
            }
        }
    }
}

} // namespace nuvo
