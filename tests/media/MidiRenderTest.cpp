// MIDI played end to end through `nuvotool midi render`: the player, the
// built-in synthesizer with the small General MIDI soundfont and the
// virtual clock. A note sounds in the timer round after its time, runs are
// byte for byte the same, and the demo's music renders to the digest in
// tests/golden/demo/bgm.sha256 (NUVO_UPDATE_GOLDEN=1 rewrites it and the
// loudness envelope beside it; listen to the WAV before committing).
#include "MediaTestSupport.h"
#include "platform/MidiOut.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace nuvo {
namespace {

namespace fs = std::filesystem;

test::ProgramRun tool(const std::vector<std::string>& args, const test::TempDir& dir) {
    return test::runProgram(NUVOTOOL_PATH, args, dir.str());
}

const std::string kNoteAt500 = "format 0 tracks 1 division 480\n"
                               "0 0 0 program C0 00\n"
                               "0 480 0 note-on 90 45 7F\n"
                               "0 960 0 note-off 80 45 40\n";

TEST(MidiRender, ANoteSoundsInTheRoundAfterItsTimeAndRunsRepeat) {
    test::TempDir dir;
    dir.write("note.mid.txt", kNoteAt500);
    ASSERT_EQ(tool({"midi", "build", "note.mid.txt", "note.mid"}, dir).code, 0);
    std::string first;
    for (const char* out : {"a.wav", "b.wav"}) {
        const test::ProgramRun r =
            tool({"midi", "render", "note.mid", out, "--soundfont", platform::kSmallSoundFont}, dir);
        ASSERT_EQ(r.code, 0) << r.err;
        const std::string bytes = test::readFile(dir.path() / out);
        if (first.empty()) first = bytes;
        else EXPECT_TRUE(bytes == first) << "two runs differ";
    }
    const std::vector<int16_t> s = test::wavSamples(first);
    // Until one second after the player saw the end (the round after 1000 ms).
    EXPECT_EQ(s.size(), 2 * platform::audioFrameAt(2010));
    size_t onset = 0;
    while (onset < s.size() && std::abs(s[onset]) < 64)
        ++onset;
    const double onsetMs = double(onset / 2) / 44.1;
    EXPECT_GE(onsetMs, 510.0) << "silence before the round after 500 ms";
    EXPECT_LE(onsetMs, 530.0);
    EXPECT_GT(test::rmsBetween(s, 550, 950), 300.0) << "the note sounds";
    EXPECT_LT(test::rmsBetween(s, 1900, 2000), 10.0) << "and has died away";
}

TEST(MidiRender, VolumeStartAndLogFollowTheOptions) {
    test::TempDir dir;
    dir.write("note.mid.txt", kNoteAt500);
    ASSERT_EQ(tool({"midi", "build", "note.mid.txt", "note.mid"}, dir).code, 0);
    const test::ProgramRun r = tool({"midi", "render", "note.mid", "out.wav", "--soundfont", platform::kSmallSoundFont,
                                     "--volume", "-5000", "--from", "600", "--length", "300", "--log", "log.txt"},
                                    dir);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(test::wavSamples(test::readFile(dir.path() / "out.wav")).size(), 2 * platform::audioFrameAt(300));
    // The reset, the chased program and channel volumes (put in before the
    // first note, at half of 127), then in the first round the note at or
    // before 600.
    std::istringstream log(test::readFile(dir.path() / "log.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);)
        lines.push_back(line);
    ASSERT_GE(lines.size(), 19u);
    EXPECT_EQ(lines[0], "0 F0 7E 7F 09 01 F7");
    EXPECT_EQ(lines[1], "0 C0 00");
    EXPECT_EQ(lines[2], "0 B0 07 3F");
    EXPECT_EQ(lines[17], "0 BF 07 3F");
    EXPECT_EQ(lines[18], "10 90 45 7F");
}

TEST(MidiRender, FailuresAreOneLine) {
    test::TempDir dir;
    dir.write("junk.mid", "MThx");
    dir.write("note.mid.txt", kNoteAt500);
    ASSERT_EQ(tool({"midi", "build", "note.mid.txt", "note.mid"}, dir).code, 0);
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"midi", "render", "junk.mid", "o.wav"}, 1},
        {{"midi", "render", "note.mid", "o.wav", "--soundfont", "/nonexistent/x.sf2"}, 1},
        {{"midi", "render", "note.mid", "o.wav", "--repeat"}, 2},
        {{"midi", "render", "note.mid", "o.wav", "--volume", "10"}, 2},
        {{"midi", "render", "note.mid", "/nonexistent/dir/o.wav"}, 1},
        {{"midi", "dump", "junk.mid"}, 1},
        {{"midi", "build", "junk.mid", "o.mid"}, 1},
    };
    for (const auto& [args, code] : cases) {
        SCOPED_TRACE(testing::PrintToString(args));
        const test::ProgramRun r = tool(args, dir);
        EXPECT_EQ(r.code, code) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("nuvotool: ", 0), 0u) << r.err;
        if (code == 1) {
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        }
    }
    EXPECT_FALSE(fs::exists(dir.path() / "o.wav")) << "nothing left behind";
}

// Loudness per 100 ms, rounded.
std::vector<long> envelope(const std::vector<int16_t>& s) {
    std::vector<long> out;
    const double total = double(s.size() / 2) / 44.1;
    for (double t = 0; t < total; t += 100)
        out.push_back(std::lround(test::rmsBetween(s, t, t + 100)));
    return out;
}

TEST(MidiRender, TheDemoMusicSoundsAsRecorded) {
    test::TempDir dir;
    const fs::path golden = fs::path(NUVO_SOURCE_DIR) / "tests/golden/demo";
    ASSERT_EQ(tool({"midi", "build", NUVO_SOURCE_DIR "/demo/bgm.mid.txt", "bgm.mid"}, dir).code, 0);
    const test::ProgramRun r =
        tool({"midi", "render", "bgm.mid", "bgm.wav", "--soundfont", platform::kSmallSoundFont}, dir);
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string bytes = test::readFile(dir.path() / "bgm.wav");
    const std::vector<int16_t> s = test::wavSamples(bytes);
    const std::vector<long> actual = envelope(s);
    // Music, not silence: every 100 ms of the 19.2 s song is heard.
    for (size_t i = 0; i < 192 && i < actual.size(); ++i)
        EXPECT_GT(actual[i], 200) << "quiet at " << i * 100 << " ms";
    std::string envelopeText;
    for (long v : actual)
        envelopeText += std::to_string(v) + "\n";
    const std::string digest = test::sha256Hex(bytes);

    const char* update = std::getenv("NUVO_UPDATE_GOLDEN");
    if (update && *update && std::string(update) != "0") {
        std::ofstream(golden / "bgm.sha256") << digest << "  bgm.wav\n";
        std::ofstream(golden / "bgm.rms") << envelopeText;
        GTEST_SKIP() << "golden digest rewritten";
    }
    const std::string expected = test::readFile(golden / "bgm.sha256").substr(0, 64);
    if (digest == expected) return;
    // Show where it differs: the expected loudness beside the actual.
    std::vector<long> wanted;
    std::istringstream in(test::readFile(golden / "bgm.rms"));
    for (long v = 0; in >> v;)
        wanted.push_back(v);
    std::string report = "    ms  expected  actual\n";
    for (size_t i = 0; i < std::max(wanted.size(), actual.size()); ++i) {
        const std::string e = i < wanted.size() ? std::to_string(wanted[i]) : "-";
        const std::string a = i < actual.size() ? std::to_string(actual[i]) : "-";
        char line[64];
        std::snprintf(line, sizeof line, "%6zu  %8s  %6s%s\n", i * 100, e.c_str(), a.c_str(), e != a ? "  *" : "");
        report += line;
    }
    ADD_FAILURE() << "the demo music's WAV digest " << digest << " is not " << expected
                  << " (a changed synthesizer or soundfont?)\n"
                  << report;
}

} // namespace
} // namespace nuvo
