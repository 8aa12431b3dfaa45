#include "ArchiveBuilder.h"

#include "archive/VrFileCollection.h"
#include "archive/ZlibCodec.h"
#include "base/Error.h"
#include "base/KvRandom.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace nuvo;
using namespace nuvo::test;

namespace {

std::string load(TVrFileCollection& a, const std::string& name) {
    TKvMemoryStream m;
    a.LoadEntry(m, name);
    return std::string(m.bytes().begin(), m.bytes().end());
}

std::vector<RawEntry> sampleEntries(int version) {
    const bool flags = version >= 101;
    return {
        {sj("bg\\ソ表.png"), zlibOf("picture"), 0, 0x12345678, 7, 0},
        {"voice.wav", flags ? "RIFFdata" : zlibOf("RIFFdata"), uint8_t(flags ? 1 : 0), 0, 9, 1},
        {"empty.txt", "", uint8_t(flags ? 1 : 0), 0, 0, 0},
        {"", zlibOf("nameless"), 0, 0, 0, 0},
    };
}

} // namespace

TEST(ArchiveRead, EveryVersionReadsNamesOffsetsAndFlags) {
    for (int version : {0, 100, 101, 102}) {
        SCOPED_TRACE(version);
        TempDir dir;
        const auto entries = sampleEntries(version);
        dir.write("game.dat", rawArchive(version, entries));
        TVrFileCollection a;
        a.Open(dir.str() + "/game.dat");
        EXPECT_EQ(a.Version(), version);
        ASSERT_EQ(a.Count(), 5);
        EXPECT_EQ(a.At(4)->Name(), "\\EOF\\");
        for (int i = 0; i < 4; ++i) EXPECT_EQ(a.At(i)->Name(), entries[size_t(i)].name);
        EXPECT_EQ(load(a, sj("BG\\ソ表.PNG")), "picture");
        EXPECT_EQ(load(a, "VOICE.wav"), "RIFFdata");
        EXPECT_EQ(load(a, "empty.txt"), "");
        const TVrFile& voice = *a.FindItem("voice.wav");
        EXPECT_EQ(voice.Stored, version >= 101 ? 1 : 0);
        EXPECT_EQ(voice.Checksum, version >= 101 ? 9 : 0);
        EXPECT_EQ(voice.ChecksumUncompressed, version >= 102 ? 1 : 0);
        EXPECT_EQ(a.At(0)->FileTime, version >= 101 ? 0x12345678 : 0);
    }
}

TEST(ArchiveRead, ScrambledDirectoryMatchesKnownBytes) {
    // One entry "Ab" of 3 bytes in a version-100 archive: names and 32-bit
    // offsets XORed with the generator seeded 0x5C1E93A7.
    const std::string bytes = std::string("vf\x64\0\0\0\x01\0\0\0\x02\0\0\0\xe6\x88\xbf\x93\x1e\x5c\xf1\x75\xb7\x28", 24) + "xyz";
    TKvRandom key(0x5C1E93A7);
    EXPECT_EQ(uint32_t(key.Next()), 0x5C1E93A7u);
    EXPECT_EQ(uint32_t(key.Next()), 0x28B775EAu);
    TKvBigMemoryStream s;
    s.Write(bytes.data(), int64_t(bytes.size()));
    s.SetPosition(0);
    TVrFileCollection a;
    a.ReadDirectory(s);
    ASSERT_EQ(a.Count(), 2);
    EXPECT_EQ(a.At(0)->Name(), "Ab");
    EXPECT_EQ(a.At(0)->Offset, 24);
    EXPECT_EQ(a.At(0)->Size, 3);
    EXPECT_EQ(rawArchive(100, {{"Ab", "xyz"}}), bytes);
}

TEST(ArchiveRead, LaterDuplicateWinsAndCaseIsIgnored) {
    TempDir dir;
    dir.write("game.dat", rawArchive(102, {{"a.txt", "first", 1}, {"A.TXT", "second", 1}}));
    TVrFileCollection a;
    a.Open(dir.str() + "/game.dat");
    EXPECT_EQ(load(a, "a.txt"), "second");
}

TEST(ArchiveRead, SeparateDirectoryFile) {
    TempDir dir;
    const std::vector<RawEntry> entries = {{"x.txt", "XX", 1}, {"y.txt", "YYY", 1}};
    dir.write("data.pak", "XXYYY");
    dir.write("data.ext", rawDirectory(102, entries, 0));
    TVrFileCollection a;
    a.Open(dir.str() + "/data.pak");
    EXPECT_EQ(load(a, "y.txt"), "YYY");
    auto range = a.OpenEntryRange("x.txt");
    ASSERT_TRUE(range);
    EXPECT_EQ(range->size(), 2);
}

TEST(ArchiveRead, TrailerPlacesTheArchiveInsideAProgram) {
    const std::vector<RawEntry> entries = {{"nuvo.npb", "project", 1}};
    const std::string program(0x1000, '\x7f');
    const std::string body = rawArchive(102, entries);
    const std::string file = program + body + le32(0x1000) + "nv";
    for (const char* name : {"player", "Player.EXE", "game.bin"}) {
        SCOPED_TRACE(name);
        TempDir dir;
        dir.write(name, file);
        TVrFileCollection a;
        a.Open(dir.str() + "/" + name);
        const TVrFile* e = a.FindItem("nuvo.npb");
        ASSERT_TRUE(e);
        EXPECT_EQ(e->Offset, 0x1000 + int64_t(body.size()) - 7);
        EXPECT_EQ(load(a, "nuvo.npb"), "project");
    }
}

TEST(ArchiveRead, PlainArchiveEndingInNvIsNotTakenForATrailer) {
    TempDir dir;
    // The last stored entry happens to end in "nv" after a small Int.
    dir.write("game.dat", rawArchive(102, {{"a.txt", std::string("\x02\0\0\0nv", 6), 1}}));
    TVrFileCollection a;
    a.Open(dir.str() + "/game.dat");
    EXPECT_EQ(load(a, "a.txt"), std::string("\x02\0\0\0nv", 6));
    // A version-0 archive has no "vf" to tell it: the trailer reading fails and
    // the directory at byte 0 is used.
    dir.write("old.dat", rawArchive(0, {{"b.txt", zlibOf("bb")}, {"c", std::string("\x03\0\0\0nv", 6)}}));
    TVrFileCollection b;
    b.Open(dir.str() + "/old.dat");
    EXPECT_EQ(load(b, "b.txt"), "bb");
}

TEST(ArchiveRead, VolumesContinueTheFile) {
    TempDir dir;
    std::string big;
    for (int i = 0; i < 3000; ++i) big += char('a' + i % 26);
    const std::vector<RawEntry> entries = {{"head.bin", "H", 1}, {"big.bin", big, 1}, {"tail.txt", zlibOf("tail"), 0}};
    const std::string whole = rawArchive(102, entries);
    const size_t volume = 1024;
    ASSERT_GT(whole.size(), 2 * volume);
    for (size_t i = 0; i * volume < whole.size(); ++i) {
        char name[16];
        std::snprintf(name, sizeof name, i == 0 ? "game.dat" : "game.%.3d", int(i));
        dir.write(name, whole.substr(i * volume, volume));
    }
    TVrFileCollection a(volume);
    a.Open(dir.str() + "/game.dat");
    EXPECT_EQ(load(a, "big.bin"), big);
    EXPECT_EQ(load(a, "tail.txt"), "tail");
    auto range = a.OpenEntryRange("big.bin");
    ASSERT_TRUE(range);
    range->seek(1000, SeekOrigin::Begin);
    std::string part(1500, '\0');
    EXPECT_EQ(range->read(part.data(), 1500), 1500);
    EXPECT_EQ(part, big.substr(1000, 1500));
}

TEST(BigFileStream, WritesAndReadsAcrossVolumes) {
    TempDir dir;
    const std::string path = dir.str() + "/out.dat";
    std::string data(2500, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = char(i * 7);
    {
        TKvBigFileStream w(path, TKvBigFileStream::Mode::Create, 1000);
        EXPECT_EQ(w.Write(data.data(), 2500), 2500);
        EXPECT_EQ(w.VolumeCount(), 3);
    }
    EXPECT_EQ(readFile(dir.path() / "out.002").size(), 500u);
    TKvBigFileStream r(path, TKvBigFileStream::Mode::Read, 1000);
    EXPECT_EQ(r.GetSize(), 2500);
    r.SetPosition(999);
    char two[2];
    EXPECT_EQ(r.Read(two, 2), 2);
    EXPECT_EQ(std::string(two, 2), data.substr(999, 2));
    r.SetPosition(99999);
    EXPECT_EQ(r.GetPosition(), 2500);
    // Creating again removes the old volumes first.
    { TKvBigFileStream w(path, TKvBigFileStream::Mode::Create, 1000); }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.001"));
}

TEST(BuffBigStream, GivesBackUnreadBytesWhenReleased) {
    TKvBigMemoryStream s;
    std::string bytes(300000, 'q');
    s.Write(bytes.data(), int64_t(bytes.size()));
    s.SetPosition(10);
    {
        TKvBuffBigStream b(s);
        char c[5];
        EXPECT_EQ(b.ReadBuffer(c, 5), 5);
        EXPECT_GT(s.GetPosition(), 15);
    }
    EXPECT_EQ(s.GetPosition(), 15);
}

TEST(RangeStream, WindowClampsSeeksAndReads) {
    TempDir dir;
    dir.write("f", "0123456789");
    TFileRangeStream r(dir.str() + "/f", 4, 3);
    EXPECT_EQ(r.seek(0, SeekOrigin::End), 4);
    EXPECT_EQ(r.seek(-100, SeekOrigin::Current), 0);
    char buf[10] = {};
    EXPECT_EQ(r.read(buf, 10), 4);
    EXPECT_EQ(std::string(buf, 4), "3456");
    EXPECT_EQ(r.read(buf, 10), 0);
    EXPECT_EQ(r.write(buf, 1), 0);
    TFileRangeStream whole(dir.str() + "/f", -1, 2);
    EXPECT_EQ(whole.size(), 8);
}

TEST(ArchiveRead, HostileDirectoriesAreRefusedCleanly) {
    const std::string claimsBillions = "vf" + le32(102) + le32(2000000000) + std::string(90, 'x');
    const std::string truncatedName = "vf" + le32(101) + le32(1) + le32(50) + "abc";
    const std::string unknownVersion = "vf" + le32(7) + le32(0) + std::string(20, '\0');
    const std::string negativeCount = le32(-5) + std::string(40, '\0');
    const std::string truncatedTables = rawArchive(102, {{"a", "b", 1}}).substr(0, 20);
    for (const std::string& bytes : {claimsBillions, truncatedName, unknownVersion, negativeCount, truncatedTables}) {
        TKvBigMemoryStream s;
        s.Write(bytes.data(), int64_t(bytes.size()));
        s.SetPosition(0);
        TVrFileCollection a;
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_THROW(a.ReadDirectory(s), ENuvoError);
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
        EXPECT_EQ(a.Count(), 0);
    }
}

// A stream that gives out a budget of bytes in all and then reads as ended,
// like a file cut short while its directory is being read.
class DryingStream : public TKvBigMemoryStream {
public:
    int64_t budget = INT64_MAX;
    int64_t used = 0;
    int64_t Read(void* buffer, int64_t count) override {
        const int64_t got = TKvBigMemoryStream::Read(buffer, std::min(count, budget - used));
        used += got;
        return got;
    }
};

// A directory whose bytes run out while entries are being made leaves the
// collection as it was: the same entries, found as before, none of the new.
TEST(ArchiveRead, DirectoryCutShortWhileReadingChangesNothing) {
    std::vector<RawEntry> entries;
    for (int i = 0; i < 3000; ++i) entries.push_back({"event\\scene" + std::to_string(i) + ".nsb", "x", 1});
    const std::string bytes = rawDirectory(102, entries, 0);
    DryingStream whole;
    whole.Write(bytes.data(), int64_t(bytes.size()));
    whole.SetPosition(0);
    TVrFileCollection probe;
    probe.ReadDirectory(whole);
    ASSERT_EQ(probe.Count(), 3001);
    // Reading goes over the directory more than once and reads ahead, so
    // cuts all over the bytes it takes: each either gives the whole directory
    // or refuses it with nothing changed, and cuts late in the reading refuse.
    int lateRefusals = 0;
    for (int64_t cut = 0; cut < whole.used; cut += 4999) {
        SCOPED_TRACE(cut);
        TVrFileCollection a;
        a.AddEntry("Keep.txt");
        a.AddEntry("event\\scene0.nsb");
        DryingStream s;
        s.Write(bytes.data(), int64_t(bytes.size()));
        s.SetPosition(0);
        s.budget = cut;
        try {
            a.ReadDirectory(s);
            EXPECT_EQ(a.Count(), 3003);
            EXPECT_EQ(a.IndexOf("event\\scene0.nsb"), 2);
            continue;
        } catch (const ENuvoError&) {
            if (cut > whole.used / 2) ++lateRefusals;
        }
        ASSERT_EQ(a.Count(), 2);
        EXPECT_EQ(a.IndexOf("keep.TXT"), 0);
        EXPECT_EQ(a.IndexOf("event\\scene0.nsb"), 1);
        EXPECT_EQ(a.IndexOf("event\\scene1.nsb"), -1);
        EXPECT_EQ(a.IndexOf(TVrFileCollection::kSentinelName), -1);
    }
    EXPECT_GT(lateRefusals, 0);
}

TEST(ArchiveRead, BadEntriesFailAloneAndReadingIsBounded) {
    TempDir dir;
    std::string bytes = rawArchive(102, {{"good", "ok", 1}, {"broken", "not zlib", 0}, {"beyond", "zz", 1}});
    bytes.pop_back(); // the last entry now runs past the end
    dir.write("game.dat", bytes);
    TVrFileCollection a;
    a.Open(dir.str() + "/game.dat");
    EXPECT_EQ(load(a, "good"), "ok");
    EXPECT_THROW(load(a, "broken"), ENuvoError);
    EXPECT_THROW(load(a, "beyond"), ENuvoError);
    EXPECT_THROW(a.OpenEntryRange("beyond"), ENuvoError);
    EXPECT_THROW(load(a, "missing"), ENuvoError);

    dir.write("z.dat", rawArchive(102, {{"corrupt", "xx" + zlibOf("payload").substr(2), 0}, {"cut", zlibOf("payload").substr(0, 5), 0}}));
    TVrFileCollection z;
    z.Open(dir.str() + "/z.dat");
    EXPECT_THROW(load(z, "corrupt"), ENuvoError);
    EXPECT_THROW(load(z, "cut"), ENuvoError);

    // A small stream that inflates far beyond the limit is stopped there.
    const std::string bomb = zlibOf(std::string(1 << 20, '\0'));
    std::vector<uint8_t> out;
    EXPECT_THROW(inflateZlib(reinterpret_cast<const uint8_t*>(bomb.data()), bomb.size(), out, 4096), ENuvoError);
    inflateZlib(reinterpret_cast<const uint8_t*>(bomb.data()), bomb.size(), out, 1 << 20);
    EXPECT_EQ(out.size(), size_t(1) << 20);
}
