#include "media/MidiText.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <sstream>

namespace nuvo {

namespace {

// Tracks beyond this are refused (the header holds 16 bits).
constexpr int64_t kMaxTracks = 65535;
// Beyond what the deltas of a file the reader takes (16 MiB of 28-bit
// deltas at most) can add up to.
constexpr int64_t kMaxTick = int64_t{1} << 53;

[[noreturn]] void bad(size_t line, const std::string& what) {
    throw EMidiTextError("line " + std::to_string(line) + ": " + what);
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    std::string w;
    while (in >> w)
        out.push_back(w);
    return out;
}

bool integer(const std::string& text, int64_t& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [ptr, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && ptr == last;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void putNumber(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t bytes[5];
    int n = 0;
    bytes[n++] = v & 0x7F;
    while ((v >>= 7) != 0)
        bytes[n++] = static_cast<uint8_t>(0x80 | (v & 0x7F));
    while (n > 0)
        out.push_back(bytes[--n]);
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 3; i >= 0; --i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

struct Event {
    int64_t tick;
    std::vector<uint8_t> bytes;
};

// The bytes of one event as the file holds them after the delta.
void encode(std::vector<uint8_t>& out, const std::vector<uint8_t>& b) {
    if (b[0] == 0xFF) {
        out.insert(out.end(), b.begin(), b.begin() + 2);
        putNumber(out, static_cast<uint32_t>(b.size() - 2));
        out.insert(out.end(), b.begin() + 2, b.end());
    } else if (b[0] == 0xF0 || b[0] == 0xF7) {
        out.push_back(b[0]);
        putNumber(out, static_cast<uint32_t>(b.size() - 1));
        out.insert(out.end(), b.begin() + 1, b.end());
    } else {
        out.insert(out.end(), b.begin(), b.end());
    }
}

void checkBytes(size_t line, const std::vector<uint8_t>& b) {
    if (b.empty()) bad(line, "an event needs its bytes");
    const uint8_t s = b[0];
    if (s < 0x80) bad(line, "an event's bytes start with a status byte (80 to EF, F0, F7 or FF)");
    if (s < 0xF0) {
        const size_t want = (s & 0xF0) == 0xC0 || (s & 0xF0) == 0xD0 ? 2 : 3;
        if (b.size() != want) bad(line, "this channel message takes " + std::to_string(want - 1) + " data bytes");
        for (size_t i = 1; i < b.size(); ++i)
            if (b[i] & 0x80) bad(line, "a data byte of a channel message is below 80");
    } else if (s == 0xFF) {
        if (b.size() < 2) bad(line, "a meta event needs its type byte");
    } else if (s != 0xF0 && s != 0xF7) {
        bad(line, "status bytes F1 to FE other than F7 have no place in a file");
    }
    if (b.size() > (1u << 28)) bad(line, "an event too long for a file");
}

} // namespace

std::string dumpMidiText(const TMidiV& midi) {
    std::string out = "format " + std::to_string(midi.Format) + " tracks " + std::to_string(midi.TrackCount) +
                      " division " + std::to_string(midi.Division) + " length " + std::to_string(midi.LengthMs) +
                      " events " + std::to_string(midi.Events.size()) + "\n";
    char hex[4];
    for (const TMidiMsgEvent& e : midi.Events) {
        out += std::to_string(e.Time) + " " + std::to_string(e.Tick) + " " +
               (e.Track < 0 ? std::string("-") : std::to_string(e.Track)) + " " + midiKindName(e.Kind);
        for (const uint8_t b : e.Data) {
            std::snprintf(hex, sizeof hex, " %02X", b);
            out += hex;
        }
        out += "\n";
    }
    return out;
}

std::vector<uint8_t> buildMidiFile(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    size_t number = 0;
    bool header = false;
    int64_t format = 1, tracks = 0, division = 480;
    std::map<int64_t, std::vector<Event>> byTrack;
    while (std::getline(in, line)) {
        ++number;
        const std::vector<std::string> w = words(line);
        if (w.empty() || w[0][0] == '#') continue;
        if (!header) {
            if (w[0] != "format") bad(number, "the first line is \"format F tracks N division D ...\"");
            for (size_t i = 0; i + 1 < w.size(); i += 2) {
                int64_t v = 0;
                if (!integer(w[i + 1], v)) bad(number, "\"" + w[i] + "\" takes a whole number");
                if (w[i] == "format") format = v;
                else if (w[i] == "tracks") tracks = v;
                else if (w[i] == "division") division = v;
            }
            if (format < 0 || format > 65535) bad(number, "the format is a 16-bit number");
            if (tracks < 0 || tracks > kMaxTracks) bad(number, "the track count is 0 to 65535");
            if (division < -32768 || division > 32767 || division == 0)
                bad(number, "the division is a 16-bit number other than 0");
            header = true;
            continue;
        }
        if (w.size() < 5) bad(number, "an event line is \"TIME TICK TRACK KIND HEX...\"");
        if (w[2] == "-") continue; // put in by the player, not in the file
        int64_t tick = 0, track = 0;
        if (!integer(w[1], tick) || tick < 0 || tick > kMaxTick) bad(number, "the tick is a whole number from 0");
        if (!integer(w[2], track) || track < 0 || track >= kMaxTracks)
            bad(number, "the track is a number from 0 to 65534, or -");
        Event e{tick, {}};
        for (size_t i = 4; i < w.size(); ++i) {
            const std::string& h = w[i];
            if (h.size() != 2 || hexDigit(h[0]) < 0 || hexDigit(h[1]) < 0)
                bad(number, "\"" + h + "\" is not a byte in hexadecimal");
            e.bytes.push_back(static_cast<uint8_t>(hexDigit(h[0]) << 4 | hexDigit(h[1])));
        }
        checkBytes(number, e.bytes);
        std::vector<Event>& list = byTrack[track];
        const int64_t previous = list.empty() ? 0 : list.back().tick;
        if (tick < previous) bad(number, "a track's ticks never go back");
        // A file's delta holds 28 bits.
        if (tick - previous > 0x0FFFFFFF) bad(number, "a track's events are less than 268435456 ticks apart");
        list.push_back(std::move(e));
    }
    if (!header) throw EMidiTextError("line 1: the first line is \"format F tracks N division D ...\"");
    if (!byTrack.empty()) tracks = std::max(tracks, byTrack.rbegin()->first + 1);
    // Format 0 holds one track; everything else is written as format 1.
    format = format == 0 && tracks <= 1 ? 0 : 1;

    std::vector<uint8_t> out = {'M', 'T', 'h', 'd'};
    put32(out, 6);
    put16(out, static_cast<uint16_t>(format));
    put16(out, static_cast<uint16_t>(tracks));
    put16(out, static_cast<uint16_t>(static_cast<int16_t>(division)));
    for (int64_t t = 0; t < tracks; ++t) {
        std::vector<uint8_t> body;
        int64_t previous = 0;
        bool ended = false;
        const auto found = byTrack.find(t);
        if (found != byTrack.end()) {
            for (const Event& e : found->second) {
                if (ended) break; // nothing after the end of a track is read
                const int64_t delta = e.tick - previous;
                putNumber(body, static_cast<uint32_t>(delta));
                previous = e.tick;
                encode(body, e.bytes);
                ended = e.bytes[0] == 0xFF && e.bytes[1] == 0x2F;
            }
        }
        if (!ended) body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        put32(out, static_cast<uint32_t>(body.size()));
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

} // namespace nuvo
