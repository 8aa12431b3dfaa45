// Reading standard MIDI files: times, running status, the kinds of events,
// the channel volumes put in for files without any, and files that break
// the rules.
#include "MediaTestSupport.h"
#include "media/MidiText.h"
#include "media/MidiV.h"

#include <gtest/gtest.h>

#include <climits>

namespace nuvo {
namespace {

using Bytes = std::vector<uint8_t>;

// A file with the given division whose tracks hold exactly these bytes
// (length fields computed, or forced with lengths).
Bytes smf(int division, const std::vector<Bytes>& tracks, int format = 1) {
    Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<uint8_t>(format), 0,
                 static_cast<uint8_t>(tracks.size()), static_cast<uint8_t>(division >> 8),
                 static_cast<uint8_t>(division)};
    for (const Bytes& t : tracks) {
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        const uint32_t n = static_cast<uint32_t>(t.size());
        out.insert(out.end(), {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                               static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
        out.insert(out.end(), t.begin(), t.end());
    }
    return out;
}

std::vector<std::pair<int64_t, int32_t>> ticksAndTimes(const TMidiV& m) {
    std::vector<std::pair<int64_t, int32_t>> out;
    for (const TMidiMsgEvent& e : m.Events)
        if (e.Track >= 0) out.push_back({e.Tick, e.Time});
    return out;
}

TEST(MidiRead, TimesFollowTheTempoExactly) {
    struct Case {
        const char* what;
        int division;
        Bytes track;
        std::vector<std::pair<int64_t, int32_t>> expected; // tick, ms of every event
    };
    const Case cases[] = {
        {"480 ticks at 500000 are 500 ms", 480,
         {0x00, 0xC0, 0x00, 0x83, 0x60, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00},
         {{0, 0}, {480, 500}, {480, 500}}},
        {"the gap before a tempo event goes at the old tempo", 480,
         {0x83, 0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x83, 0x60, 0x90, 0x3C, 0x40},
         {{480, 500}, {960, 1500}}},
        {"a tempo of 0 is ignored", 480,
         {0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00, 0x83, 0x60, 0x90, 0x3C, 0x40},
         {{0, 0}, {480, 500}}},
        // At 1920 ticks per quarter one tick is 0.26 ms: summed before
        // rounding, a run of one-tick steps keeps time.
        {"one-tick steps do not drift", 1920,
         {0x00, 0xE0, 0x00, 0x40, 0x01, 0xE0, 0x01, 0x40, 0x01, 0xE0, 0x02, 0x40, 0x01, 0xE0, 0x03, 0x40, 0x8E, 0x7D,
          0x90, 0x3C, 0x40},
         {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {1920, 500}}},
        // Division 1000, tempo 1000: one tick is a microsecond; 500 and 1500
        // of them are halves and go to the even neighbour.
        {"halves round to even", 1000,
         {0x00, 0xFF, 0x51, 0x03, 0x00, 0x03, 0xE8, 0x83, 0x74, 0x90, 0x3C, 0x40, 0x87, 0x68, 0x90, 0x3E, 0x40},
         {{0, 0}, {500, 0}, {1500, 2}}},
        // SMPTE 25 frames of 40 ticks: a tick is 1 ms whatever the tempo.
        {"SMPTE division", -(25 << 8) + 40,
         {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x87, 0x68, 0x90, 0x3C, 0x40},
         {{0, 0}, {1000, 1000}}},
        // 29.97 frames of 30 ticks: 900 ticks are 1001 ms.
        {"SMPTE drop-frame rate", -(29 << 8) + 30, {0x87, 0x04, 0x90, 0x3C, 0x40}, {{900, 1001}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TMidiV m;
        const Bytes file = smf(c.division & 0xFFFF, {c.track});
        ASSERT_TRUE(m.LoadFromBytes(file.data(), file.size()));
        EXPECT_EQ(ticksAndTimes(m), c.expected);
    }
}

TEST(MidiRead, TimesSaturateInsteadOfWrapping) {
    // Tempo 0xFFFFFF at one tick per quarter: each 28-bit delta is years.
    Bytes track = {0x00, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF};
    for (int i = 0; i < 8; ++i)
        track.insert(track.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x40});
    const Bytes file = smf(1, {track});
    TMidiV m;
    ASSERT_TRUE(m.LoadFromBytes(file.data(), file.size()));
    EXPECT_EQ(m.Events.back().Tick, int64_t{8} * 0x0FFFFFFF);
    EXPECT_EQ(m.Events.back().Time, INT32_MAX);
    EXPECT_EQ(m.LengthMs, INT32_MAX);
}

TEST(MidiRead, EventsAreReadAsTheyAreMeant) {
    // Running status, a note-on of velocity 0, system exclusive, meta events.
    const Bytes track = {0x00, 0x90, 0x3C, 0x40,                               // note-on
                         0x10, 0x3E, 0x40,                                     // running status: note-on
                         0x10, 0x3C, 0x00,                                     // running status, velocity 0
                         0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7,       // GM system on
                         0x00, 0xFF, 0x03, 0x02, 'P', 'f',                     // track name
                         0x00, 0xB0, 0x07, 0x64,                               // channel volume
                         0x00, 0xFF, 0x2F, 0x00,                               // end of track
                         0x00, 0x90, 0x40, 0x40};                              // after the end: not read
    const Bytes file = smf(480, {track});
    TMidiV m;
    ASSERT_TRUE(m.LoadFromBytes(file.data(), file.size()));
    const std::vector<std::pair<TMidiKind, Bytes>> expected = {
        {TMidiKind::NoteOn, {0x90, 0x3C, 0x40}},
        {TMidiKind::NoteOn, {0x90, 0x3E, 0x40}},
        {TMidiKind::NoteOff, {0x90, 0x3C, 0x00}},
        {TMidiKind::SysEx, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
        {TMidiKind::TrackName, {0xFF, 0x03, 'P', 'f'}},
        {TMidiKind::Control, {0xB0, 0x07, 0x64}},
        {TMidiKind::EndOfTrack, {0xFF, 0x2F}},
    };
    ASSERT_EQ(m.Events.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(m.Events[i].Kind, expected[i].first) << i;
        EXPECT_EQ(m.Events[i].Data, expected[i].second) << i;
    }
    EXPECT_EQ(m.Events[3].Route, TMidiRoute::Long);
    EXPECT_EQ(m.Events[4].Route, TMidiRoute::None);
    EXPECT_EQ(m.TrackNames.at(0), "Pf");
    EXPECT_FALSE(m.VolumeInserted) << "the file sets a channel volume";
}

TEST(MidiRead, TracksMergeStablyAndFormatsZeroAndOneReadAlike) {
    // Two tracks with events at the same ticks: track 0's come first.
    const Bytes t0 = {0x00, 0xB0, 0x07, 0x10, 0x83, 0x60, 0xB0, 0x07, 0x11};
    const Bytes t1 = {0x00, 0xB1, 0x07, 0x20, 0x83, 0x60, 0xB1, 0x07, 0x21};
    const Bytes two = smf(480, {t0, t1});
    TMidiV m;
    ASSERT_TRUE(m.LoadFromBytes(two.data(), two.size()));
    std::vector<int> values;
    for (const TMidiMsgEvent& e : m.Events)
        values.push_back(e.Data[2]);
    EXPECT_EQ(values, (std::vector<int>{0x10, 0x20, 0x11, 0x21}));

    // The same events in one track of format 0 give the same list.
    const Bytes merged = {0x00, 0xB0, 0x07, 0x10, 0x00, 0xB1, 0x07, 0x20, 0x83, 0x60,
                          0xB0, 0x07, 0x11, 0x00, 0xB1, 0x07, 0x21};
    const Bytes one = smf(480, {merged}, 0);
    TMidiV f0;
    ASSERT_TRUE(f0.LoadFromBytes(one.data(), one.size()));
    ASSERT_EQ(f0.Events.size(), m.Events.size());
    for (size_t i = 0; i < m.Events.size(); ++i) {
        EXPECT_EQ(f0.Events[i].Data, m.Events[i].Data);
        EXPECT_EQ(f0.Events[i].Time, m.Events[i].Time);
    }
}

TEST(MidiRead, ChannelVolumesGoRightBeforeTheFirstNote) {
    const Bytes track = {0x00, 0xC0, 0x05, 0x83, 0x60, 0x90, 0x3C, 0x40, 0x10, 0x80, 0x3C, 0x40};
    const Bytes file = smf(480, {track});
    TMidiV m;
    ASSERT_TRUE(m.LoadFromBytes(file.data(), file.size()));
    EXPECT_TRUE(m.VolumeInserted);
    ASSERT_EQ(m.Events.size(), 19u);
    EXPECT_EQ(m.Events[0].Kind, TMidiKind::Program);
    for (int ch = 0; ch < 16; ++ch) {
        const TMidiMsgEvent& e = m.Events[1 + static_cast<size_t>(ch)];
        EXPECT_EQ(e.Track, -1);
        EXPECT_EQ(e.Data, (Bytes{static_cast<uint8_t>(0xB0 | ch), 7, 127}));
        EXPECT_EQ(e.Time, 500) << "at the note's time";
    }
    EXPECT_EQ(m.Events[17].Kind, TMidiKind::NoteOn);
}

TEST(MidiRead, BrokenTracksEndWhereTheyBreak) {
    struct Case {
        const char* what;
        Bytes track;
        size_t events; // read before the break
    };
    const Case cases[] = {
        {"a data byte with no running status", {0x00, 0x3C, 0x40}, 0},
        {"a meta event ends running status", {0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x01, 0x00, 0x00, 0x3E, 0x40}, 2},
        {"system exclusive ends running status", {0x00, 0x90, 0x3C, 0x40, 0x00, 0xF0, 0x01, 0xF7, 0x00, 0x3E, 0x40}, 2},
        {"status F1", {0x00, 0x90, 0x3C, 0x40, 0x00, 0xF1, 0x00}, 1},
        {"status F8", {0x00, 0xF8, 0x00, 0x90, 0x3C, 0x40}, 0},
        {"a delta of five bytes", {0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 0x3C, 0x40}, 0},
        {"a meta length past the chunk", {0x00, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0x7F, 'a'}, 0},
        {"a system-exclusive length past the chunk", {0x00, 0xF0, 0x7F, 0x01}, 0},
        {"a channel message cut short", {0x00, 0x90, 0x3C}, 0},
        {"a data byte with its high bit set", {0x00, 0x90, 0x3C, 0xC0}, 0},
        {"an empty track", {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes file = smf(480, {c.track, {0x00, 0xC1, 0x01}});
        TMidiV m;
        ASSERT_TRUE(m.LoadFromBytes(file.data(), file.size()));
        size_t ofTrack0 = 0;
        bool track1 = false;
        for (const TMidiMsgEvent& e : m.Events) {
            ofTrack0 += e.Track == 0;
            track1 |= e.Track == 1;
        }
        EXPECT_EQ(ofTrack0, c.events);
        EXPECT_TRUE(track1) << "the next track is read all the same";
    }
}

TEST(MidiRead, BrokenFilesLoadNothingOrWhatTheyHold) {
    TMidiV m;
    const Bytes noHeader = {'R', 'I', 'F', 'F', 0, 0, 0, 6, 0, 1, 0, 1, 1, 0xE0};
    EXPECT_FALSE(m.LoadFromBytes(noHeader.data(), noHeader.size()));
    EXPECT_TRUE(m.Events.empty());

    const Bytes division0 = smf(0, {{0x00, 0x90, 0x3C, 0x40}});
    EXPECT_FALSE(m.LoadFromBytes(division0.data(), division0.size()));
    EXPECT_TRUE(m.Events.empty());

    // A chunk that is not a track is skipped; the next one is read.
    Bytes skipped = smf(480, {{0x00, 0x90, 0x3C, 0x40}, {0x00, 0x91, 0x3C, 0x40}});
    skipped[14] = 'X';
    ASSERT_TRUE(m.LoadFromBytes(skipped.data(), skipped.size()));
    ASSERT_EQ(m.Events.size(), 17u);
    EXPECT_EQ(m.Events.back().Data[0], 0x91);

    // A track length past the end of the file is cut to what is there.
    Bytes cut = smf(480, {{0x00, 0x90, 0x3C, 0x40}});
    cut[18] = 0x7F;
    ASSERT_TRUE(m.LoadFromBytes(cut.data(), cut.size()));
    EXPECT_EQ(m.Events.back().Data, (Bytes{0x90, 0x3C, 0x40}));

    // More tracks announced than present.
    Bytes missing = smf(480, {{0x00, 0x90, 0x3C, 0x40}});
    missing[11] = 200;
    EXPECT_TRUE(m.LoadFromBytes(missing.data(), missing.size()));

    // Over 16 MiB is refused before it is read.
    Bytes huge = smf(480, {{0x00, 0x90, 0x3C, 0x40}});
    huge.resize(TMidiV::kMaxFileBytes + 1);
    EXPECT_FALSE(m.LoadFromBytes(huge.data(), huge.size()));
    EXPECT_TRUE(m.Events.empty());
}

TEST(MidiText, DumpBuildDumpIsStable) {
    const std::string source = "format 1 tracks 2 division 96\n"
                               "# a comment\n"
                               "0 0 0 track-name FF 03 41 42\n"
                               "0 0 0 tempo FF 51 07 A1 20\n"
                               "0 0 1 program C1 30\n"
                               "0 0 1 sysex F0 7E 7F 09 01 F7\n"
                               "0 96 1 note-on 91 3C 64\n"
                               "0 96 - control B0 07 7F\n"
                               "0 144 1 pitch-bend E1 00 50\n"
                               "0 192 1 note-on 91 3C 00\n"
                               "0 200 1 meta FF 7F 02 01 02\n";
    const Bytes first = buildMidiFile(source);
    TMidiV a;
    ASSERT_TRUE(a.LoadFromBytes(first.data(), first.size()));
    const std::string dumped = dumpMidiText(a);
    EXPECT_EQ(dumped.substr(0, dumped.find('\n')), "format 1 tracks 2 division 96 length 1042 events 26");
    const Bytes second = buildMidiFile(dumped);
    EXPECT_EQ(second, first);
    TMidiV b;
    ASSERT_TRUE(b.LoadFromBytes(second.data(), second.size()));
    EXPECT_EQ(dumpMidiText(b), dumped);
    EXPECT_NE(dumped.find("\n1000 192 1 note-off 91 3C 00\n"), std::string::npos) << dumped;
    EXPECT_NE(dumped.find("\n500 96 - control BF 07 7F\n"), std::string::npos) << dumped;
}

TEST(MidiText, SourcesThatBreakTheFormAreRefusedWithTheirLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"0 0 0 x 90 3C 40\n", "line 1"},
        {"format 1 tracks 1 division 0\n", "line 1"},
        {"format 1 tracks 1 division 96\n0 0 0 x 90 3C\n", "line 2"},
        {"format 1 tracks 1 division 96\n\n0 0 0 x 3C 40\n", "line 3"},
        {"format 1 tracks 1 division 96\n0 0 0 x 90 3C 80\n", "line 2"},
        {"format 1 tracks 1 division 96\n0 10 0 x 90 3C 40\n0 5 0 x 80 3C 40\n", "line 3"},
        {"format 1 tracks 1 division 96\n0 0 0 x F4\n", "line 2"},
        {"format 1 tracks 1 division 96\n0 0 0 x 9\n", "line 2"},
        {"format 1 tracks 1 division 96\n0 -1 0 x 90 3C 40\n", "line 2"},
        {"format 1 tracks 1 division 96\n0 0 70000 x 90 3C 40\n", "line 2"},
    };
    for (const auto& [text, line] : cases) {
        SCOPED_TRACE(text);
        try {
            buildMidiFile(text);
            ADD_FAILURE() << "built";
        } catch (const EMidiTextError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(line + ":", 0), 0u) << e.what();
        }
    }
}

} // namespace
} // namespace nuvo
