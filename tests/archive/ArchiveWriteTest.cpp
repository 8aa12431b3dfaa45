#include "ArchiveBuilder.h"

#include "archive/VrFileCollection.h"
#include "archive/ZlibCodec.h"
#include "base/Error.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace nuvo;
using namespace nuvo::test;

namespace {

std::string randomBytes(size_t n, unsigned seed = 1) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = char(gen());
    return s;
}

int32_t crcOf(const std::string& s) { return crc32Of(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }

// Writes an archive from the collection into a file and opens it again.
std::unique_ptr<TVrFileCollection> roundTrip(TVrFileCollection& source, const TempDir& dir, int version = 102) {
    TKvBigMemoryStream out;
    TVrFileCollection::WriteOptions options;
    options.version = version;
    EXPECT_TRUE(source.WriteArchive(out, options));
    const auto& bytes = out.Memory().bytes();
    dir.write("written.dat", std::string(bytes.begin(), bytes.end()));
    auto back = std::make_unique<TVrFileCollection>();
    back->Open(dir.str() + "/written.dat");
    return back;
}

std::string load(TVrFileCollection& a, const std::string& name) {
    TKvMemoryStream m;
    a.LoadEntry(m, name);
    return std::string(m.bytes().begin(), m.bytes().end());
}

// A layered image header: "Pelk" + version, header size, compression byte at 33.
std::string pelk(const char* version, uint8_t compression) {
    std::string s = std::string("Pelk") + version + le32(40) + std::string(40, '\0') + std::string(2000, 'p');
    s[33] = char(compression);
    return s;
}

} // namespace

TEST(ArchiveWrite, DiskFilesFollowThePackingRules) {
    TempDir dir;
    const std::string text(4000, 't');
    struct Case {
        const char* name;
        std::string bytes;
        bool stored;
    } cases[] = {
        {"a.txt", text, false},
        {"noise.txt", randomBytes(4000), true},             // compresses by less than a tenth
        {"big.txt", std::string(0x500000, 'b'), true},      // 5 MiB or more
        {"just.txt", std::string(0x4FFFFF, 'b'), false},
        {"se.WAV", text, true},
        {"movie.mpeg", text, true},
        {"part.w", text, true},                              // ".W" occurs inside the media list
        {"noext", text, true},
        {"raw.pel", pelk("106", 1), false},                  // planes stored raw: compress
        {"zip.pel", pelk("106", 0), true},                   // planes already compressed
        {"old.pel", pelk("102", 1), true},
        {"big.pel", pelk("106", 1) + std::string(0x500000, 'p'), false},
    };
    TVrFileCollection a;
    for (const Case& c : cases) dir.write(std::string("src/") + c.name, c.bytes);
    // On a missing file the folder is the name itself, so nothing is found on
    // disk; an empty archive in the folder makes it the packing folder.
    a.Open(dir.str() + "/src/missing.dat");
    ASSERT_EQ(a.Folder(), dir.str() + "/src/missing.dat/");
    dir.write("src/pack.dat", rawArchive(102, {}));
    a.Open(dir.str() + "/src/pack.dat");
    for (const Case& c : cases) a.AddEntry(c.name);
    a.FindItem("a.txt")->ChecksumUncompressed = 1;
    auto back = roundTrip(a, dir);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TVrFile* e = back->FindItem(c.name);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->Stored, c.stored ? 1 : 0);
        EXPECT_EQ(load(*back, c.name), c.bytes);
        EXPECT_EQ(e->FileTime, platform::fileDosTime(dir.str() + "/src/" + c.name));
        if (std::string(c.name) == "a.txt")
            EXPECT_EQ(e->Checksum, crcOf(c.bytes));
        else
            EXPECT_EQ(e->Checksum, crcOf(std::string(reinterpret_cast<const char*>(back->ReadStoredBytes(*e).data()),
                                                      size_t(e->Size))));
    }
}

TEST(ArchiveWrite, MemoryAndCarriedOverEntries) {
    TempDir dir;
    dir.write("old.dat", rawArchive(102, {{"keep.txt", zlibOf("kept"), 0, 77, 0, 1},
                                          {"GAMESAVEDATA1", zlibOf("slot one"), 0, 0, 0, 0}}));
    TVrFileCollection a;
    a.Open(dir.str() + "/old.dat");
    a.DeleteEntry("GAMESAVEDATA1");
    TVrFile* slot = a.AddMemoryEntry("GAMESAVEDATA1");
    slot->Data->write("new slot", 8);
    TVrFile* big = a.AddMemoryEntry("save:big");
    const std::string bigBytes = randomBytes(0x500000, 3);
    big->Data->write(bigBytes.data(), int64_t(bigBytes.size()));
    TVrFile* checked = a.AddMemoryEntry("checked");
    checked->ChecksumUncompressed = 1;
    checked->Data->write("abc", 3);

    auto back = roundTrip(a, dir);
    ASSERT_EQ(back->Count(), 5); // four entries and the sentinel, which is never written
    EXPECT_EQ(load(*back, "keep.txt"), "kept");
    EXPECT_EQ(back->FindItem("keep.txt")->FileTime, 77);
    // A carried-over entry whose checksum covers its plain bytes keeps that meaning.
    EXPECT_EQ(back->FindItem("keep.txt")->ChecksumUncompressed, 1);
    EXPECT_EQ(back->FindItem("keep.txt")->Checksum, crcOf("kept"));
    EXPECT_EQ(load(*back, "GAMESAVEDATA1"), "new slot");
    EXPECT_EQ(back->FindItem("GAMESAVEDATA1")->Stored, 0);
    EXPECT_EQ(back->FindItem("save:big")->Stored, 1);
    EXPECT_EQ(back->FindItem("save:big")->Checksum, crcOf(bigBytes));
    EXPECT_EQ(back->FindItem("checked")->Checksum, crcOf("abc"));
    EXPECT_EQ(load(*back, "save:big"), bigBytes);
}

TEST(ArchiveWrite, EveryVersionRoundTripsAndMatchesTheLayout) {
    for (int version : {0, 100, 101, 102}) {
        SCOPED_TRACE(version);
        TempDir dir;
        dir.write("src/a.ogg", "OggS....");
        dir.write("src/pack.dat", rawArchive(102, {}));
        TVrFileCollection a;
        a.Open(dir.str() + "/src/pack.dat");
        a.AddEntry("a.ogg");
        a.AddMemoryEntry(sj("表\\ソ.txt"))->Data->write("so", 2);
        auto back = roundTrip(a, dir, version);
        EXPECT_EQ(back->Version(), version);
        EXPECT_EQ(load(*back, "A.OGG"), "OggS....");
        EXPECT_EQ(load(*back, sj("表\\ソ.TXT")), "so");
        // Stored entries exist only from version 101; before, everything is a zlib stream.
        EXPECT_EQ(back->FindItem("a.ogg")->Stored, version >= 101 ? 1 : 0);
    }
    // Byte for byte: a stored-only archive equals the layout built by hand.
    TempDir dir;
    dir.write("src/a.ogg", "OggS");
    dir.write("src/pack.dat", rawArchive(102, {}));
    TVrFileCollection a;
    a.Open(dir.str() + "/src/pack.dat");
    a.AddEntry("a.ogg");
    TKvBigMemoryStream out;
    a.WriteArchive(out);
    const int32_t time = platform::fileDosTime(dir.str() + "/src/a.ogg");
    const std::string expected = rawArchive(102, {{"a.ogg", "OggS", 1, time, crcOf("OggS"), 0}});
    EXPECT_EQ(std::string(out.Memory().bytes().begin(), out.Memory().bytes().end()), expected);
}

TEST(ArchiveWrite, PackingErrorIsShownAndPassedOn) {
    struct Recorder : platform::IDialogs {
        std::string text;
        platform::MessageResult MessageBox(const std::string& t, const std::string&, platform::MessageButtons,
                                           platform::MessageIcon) override {
            text = t;
            return platform::MessageResult::Ok;
        }
    } dialogs;
    TVrFileCollection a;
    a.AddEntry("ghost.txt");
    TKvBigMemoryStream out;
    TVrFileCollection::WriteOptions options;
    options.dialogs = &dialogs;
    EXPECT_THROW(a.WriteArchive(out, options), ENuvoError);
    EXPECT_EQ(dialogs.text, sj("エラー:ghost.txt"));
}
