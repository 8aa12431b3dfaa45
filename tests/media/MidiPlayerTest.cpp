// The MIDI player on a recording port and the virtual clock: when each
// message goes out, seeking, repeat, the end, loops, the master volume, the
// reset and a reopened port.
#include "MediaTestSupport.h"
#include "media/MidiPlayV.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace nuvo {
namespace {

using test::RecordedMessage;
using Bytes = std::vector<uint8_t>;

// Program 5 and channel volume 100 at 0, pan at 250, notes at 500 and 1000
// (off at 750 and 1250), end at 1500 (division 480, tempo 500000).
const std::vector<std::string> kSong = {
    "0 0 C0 05",      "0 0 B0 07 64",    "240 0 B0 0A 20",  "480 0 90 3C 64",
    "720 0 80 3C 40", "960 0 90 3E 64",  "1200 0 80 3E 40", "1440 0 FF 2F",
};

struct Rig {
    test::CountingDevice device;
    test::RecordingPorts ports{device};
    TMidiPlayV player{device, &ports};
    uint64_t now = 0;

    explicit Rig(const std::vector<std::string>& song = kSong, int port = -1) {
        const Bytes file = test::midiFile("format 0 tracks 1 division 480", song);
        EXPECT_TRUE(player.LoadMidi(file.data(), file.size()));
        EXPECT_TRUE(player.OpenDevice(port));
    }
    void run(uint64_t ms) {
        now += ms;
        device.AdvanceTo(now);
    }
    // The messages since the last call.
    std::vector<RecordedMessage> take() {
        std::vector<RecordedMessage> out = std::move(ports.messages);
        ports.messages.clear();
        return out;
    }
};

std::vector<RecordedMessage> allNotesOff(uint64_t ms) {
    std::vector<RecordedMessage> out;
    for (uint8_t ch = 0; ch < 16; ++ch)
        out.push_back({ms, {static_cast<uint8_t>(0xB0 | ch), 123, 0}});
    return out;
}

std::vector<RecordedMessage> notesOnly(const std::vector<RecordedMessage>& m) {
    std::vector<RecordedMessage> out;
    for (const RecordedMessage& r : m)
        if ((r.bytes[0] & 0xF0) == 0x80 || (r.bytes[0] & 0xF0) == 0x90) out.push_back(r);
    return out;
}

TEST(MidiPlayer, SendsEachEventInTheRoundAfterItsTime) {
    Rig rig;
    rig.player.PlayFrom(0, 0);
    rig.run(1600);
    // An event goes out in the first 10 ms round whose position has passed
    // its time.
    const std::vector<RecordedMessage> expected = {
        {10, {0xC0, 0x05}},       {10, {0xB0, 0x07, 0x64}}, {260, {0xB0, 0x0A, 0x20}}, {510, {0x90, 0x3C, 0x64}},
        {760, {0x80, 0x3C, 0x40}}, {1010, {0x90, 0x3E, 0x64}}, {1260, {0x80, 0x3E, 0x40}},
    };
    EXPECT_EQ(rig.take(), expected);
    EXPECT_TRUE(rig.player.IsEnd());
    EXPECT_FALSE(rig.player.IsPlaying()) << "the end pauses the timer";

    // A song that ended plays again from the start.
    rig.player.PlayFrom(0, 0);
    EXPECT_TRUE(rig.player.IsPlaying());
    rig.run(1600);
    const std::vector<RecordedMessage> again = rig.take();
    ASSERT_EQ(again.size(), 16 + expected.size()) << "all notes off (going back), then the song";
    EXPECT_EQ(notesOnly(again).front(), (RecordedMessage{1600 + 510, {0x90, 0x3C, 0x64}}));
}

TEST(MidiPlayer, SeekingBackSilencesAndChasesControllersButNotNotes) {
    Rig rig;
    rig.player.PlayFrom(0, 0);
    rig.run(1100);
    rig.take();
    rig.player.PlayFrom(0, 600); // back, between the first note's on and off
    std::vector<RecordedMessage> expected = allNotesOff(1100);
    expected.push_back({1100, {0xC0, 0x05}});
    expected.push_back({1100, {0xB0, 0x07, 0x64}});
    expected.push_back({1100, {0xB0, 0x0A, 0x20}});
    EXPECT_EQ(rig.take(), expected);
    EXPECT_EQ(rig.player.GetPosition(), 250) << "at the last chased event";
    // The note-on at 500 is chased past, as are all notes; playing goes on
    // from the event at or before 600: the note-on at 500 sounds again.
    rig.run(300);
    EXPECT_EQ(notesOnly(rig.take()), (std::vector<RecordedMessage>{{1360, {0x90, 0x3C, 0x64}}}));
}

TEST(MidiPlayer, RepeatStartsOverAfterTheLastEvent) {
    Rig rig;
    rig.player.SetRepeat(true);
    rig.player.PlayFrom(0, 0);
    rig.run(3100);
    const std::vector<RecordedMessage> all = rig.take();
    // The end of track at 1500 goes at 1510; then all notes off and the
    // first events again in the same round, their time being 0 again.
    const std::vector<RecordedMessage> notes = notesOnly(all);
    ASSERT_EQ(notes.size(), 8u);
    EXPECT_EQ(notes[4].ms, 1510u + 510u);
    EXPECT_FALSE(rig.player.IsEnd());
    EXPECT_TRUE(rig.player.IsPlaying());
    const auto off = std::find(all.begin(), all.end(), RecordedMessage{1510, {0xB0, 123, 0}});
    EXPECT_NE(off, all.end());
}

TEST(MidiPlayer, LoopPointsJumpOnceUnlessRearmed) {
    struct Case {
        bool rearmAll;
        int32_t from, to;
        size_t notes; // note messages in 5 s
    };
    // Event indexes of kSong: 0 program, 1 volume, 2 pan, 3 on, 4 off, 5 on,
    // 6 off, 7 end.
    const Case cases[] = {
        {false, 5, 3, 6},  // after the first note's off: once more from it
        // Rearmed each time: a loop for ever, 260 ms a turn from 760 on.
        {true, 5, 3, 2 + 17 + 16},
        {false, 5, 42, 4}, // outside the list: ignored
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        Rig rig;
        rig.player.AddLoop(c.from, c.to, c.rearmAll);
        rig.player.PlayFrom(0, 0);
        rig.run(5000);
        EXPECT_EQ(notesOnly(rig.take()).size(), c.notes);
        EXPECT_EQ(rig.player.LoopsPassed() > 0, c.to < 8);
    }
}

TEST(MidiPlayer, MasterVolumeScalesChannelVolumeAndIsResentWhilePlaying) {
    // No volume in the file: every channel starts at 127.
    Rig rig({"0 0 C0 05", "480 0 90 3C 64", "960 0 80 3C 40"});
    rig.player.SetControllerScale(7, -5000 / 100 + 100);
    rig.player.PlayFrom(0, 0);
    rig.run(600);
    std::vector<RecordedMessage> volumes;
    for (const RecordedMessage& m : rig.take())
        if ((m.bytes[0] & 0xF0) == 0xB0 && m.bytes[1] == 7) volumes.push_back(m);
    ASSERT_EQ(volumes.size(), 16u);
    for (const RecordedMessage& m : volumes)
        EXPECT_EQ(m.bytes[2], 63) << "127 at 50 %";

    // A new scale while playing goes out at once on every channel, from
    // the channels' last values, clamped to 127.
    rig.player.SetControllerScale(7, 300);
    const std::vector<RecordedMessage> resent = rig.take();
    ASSERT_EQ(resent.size(), 16u);
    for (uint8_t ch = 0; ch < 16; ++ch)
        EXPECT_EQ(resent[ch], (RecordedMessage{600, {static_cast<uint8_t>(0xB0 | ch), 7, 127}}));
    rig.player.Stop();
    rig.take();
    rig.player.SetControllerScale(7, 100);
    EXPECT_TRUE(rig.take().empty()) << "not resent while stopped";
}

TEST(MidiPlayer, ResetIsOneLongMessageAndPendingOnesAreFreed) {
    Rig rig;
    rig.player.SendReset();
    EXPECT_EQ(rig.take(), (std::vector<RecordedMessage>{{0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}}}));
    EXPECT_EQ(rig.player.PendingLongMessages(), 0) << "the port reported it done";
}

TEST(MidiPlayer, AReopenedPortGetsEverythingFromTheFirstEvent) {
    Rig rig;
    rig.player.PlayFrom(0, 0);
    rig.run(1100);
    const int32_t at = rig.player.GetPosition();
    rig.player.Stop();
    rig.player.CloseDevice();
    ASSERT_TRUE(rig.player.OpenDevice(-1));
    rig.take();
    rig.player.PlayFrom(0, at);
    const std::vector<RecordedMessage> chased = rig.take();
    // Without the reopening nothing would be chased: the position is ahead.
    ASSERT_GE(chased.size(), 3u);
    EXPECT_EQ(chased[0], (RecordedMessage{1100, {0xC0, 0x05}}));
    EXPECT_EQ(chased[1], (RecordedMessage{1100, {0xB0, 0x07, 0x64}}));
    EXPECT_EQ(rig.ports.opened, 2);
}

TEST(MidiPlayer, TheChaseWaitsForSlowPortsOnlyAndNotLong) {
    std::vector<std::string> song;
    for (int i = 0; i < 40; ++i)
        song.push_back(std::to_string(i) + " 0 F0 7E 7F 09 01 F7");
    song.push_back("960 0 90 3C 64");
    for (const auto& [port, wait] : {std::pair{-1, 0}, std::pair{1, 250}}) {
        Rig rig(song, port);
        rig.device.slept = 0;
        rig.player.PlayFrom(0, 1000);
        EXPECT_EQ(rig.device.slept, static_cast<uint64_t>(wait)) << port;
        EXPECT_EQ(rig.take().size(), 40u) << "every system-exclusive message, and nothing else";
    }
}

TEST(MidiPlayer, AnEmptySongEndsAtOnce) {
    Rig rig(std::vector<std::string>{});
    rig.player.PlayFrom(0, 0);
    rig.run(30);
    EXPECT_TRUE(rig.player.IsEnd());
    EXPECT_FALSE(rig.player.IsPlaying());
    EXPECT_TRUE(rig.take().empty());

    test::CountingDevice device;
    TMidiPlayV player(device, nullptr);
    const Bytes junk = {'n', 'o', 't', ' ', 'M', 'I', 'D', 'I'};
    EXPECT_FALSE(player.LoadMidi(junk.data(), junk.size()));
    EXPECT_FALSE(player.OpenDevice(-1));
    player.PlayFrom(0, 0);
    device.AdvanceTo(30);
    EXPECT_TRUE(player.IsEnd());
}

} // namespace
} // namespace nuvo
