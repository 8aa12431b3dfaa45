// nuvotool arc, run as a program.
#include "ArchiveBuilder.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <filesystem>
#include <sys/wait.h>

using namespace nuvo::test;
namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int code;
    std::string out, err;
};

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

ToolRun arc(const TempDir& dir, const std::vector<std::string>& args) {
    std::string cmd = quoted(NUVOTOOL_PATH) + " arc";
    for (const std::string& a : args) cmd += " " + quoted(a);
    cmd += " >" + quoted(dir.str() + "/stdout") + " 2>" + quoted(dir.str() + "/stderr");
    const int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(dir.path() / "stdout"), readFile(dir.path() / "stderr")};
}

// Every regular file under a folder, by relative path, with its bytes.
std::map<std::string, std::string> tree(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) files[e.path().lexically_relative(root).string()] = readFile(e.path());
    return files;
}

} // namespace

TEST(ArcTool, PackListExtractVerifyRoundTripEveryVersion) {
    TempDir dir;
    std::string binary(70000, '\0');
    for (size_t i = 0; i < binary.size(); ++i) binary[i] = char(i * 131 + (i >> 7));
    dir.write("src/ソ/表.txt", "trail byte 0x5C in both names");
    dir.write("src/bg/Room.PNG", binary);
    dir.write("src/se/hit.wav", "RIFF....WAVE");
    dir.write("src/\\x{EEEF}.txt", "a name whose bytes have no exact UTF-8 form");
    dir.write("src/empty", "");
    const auto source = tree(dir.path() / "src");
    for (const char* version : {"102", "101", "100", "0"}) {
        SCOPED_TRACE(version);
        const std::string out = dir.str() + "/out" + version + ".dat";
        ToolRun pack = arc(dir, {"pack", out, dir.str() + "/src", "--format", version});
        ASSERT_EQ(pack.code, 0) << pack.err;
        ToolRun list = arc(dir, {"list", out});
        EXPECT_EQ(list.out, "\\x{EEEF}.txt\nbg\\Room.PNG\nempty\nse\\hit.wav\nソ\\表.txt\n");
        ToolRun verify = arc(dir, {"verify", out});
        EXPECT_EQ(verify.code, 0) << verify.err;
        const std::string dest = dir.str() + "/x" + version;
        ToolRun extract = arc(dir, {"extract", out, dest});
        EXPECT_EQ(extract.code, 0) << extract.err;
        EXPECT_EQ(tree(dest), source);
        // Packing the extracted tree gives the same archive again.
        ASSERT_EQ(arc(dir, {"pack", out + "2", dest, "--format", version}).code, 0);
        EXPECT_EQ(arc(dir, {"list", "--long", out + "2"}).out, arc(dir, {"list", "--long", out}).out);
    }
    ToolRun one = arc(dir, {"extract", dir.str() + "/out102.dat", dir.str() + "/one", "SE/HIT.WAV", "nothing"});
    EXPECT_EQ(one.code, 1);
    EXPECT_EQ(tree(dir.path() / "one"), (std::map<std::string, std::string>{{"se/hit.wav", "RIFF....WAVE"}}));
    EXPECT_NE(one.err.find("nothing: no such entry"), std::string::npos);
}

TEST(ArcTool, ListLongShowsSizeKindAndChecksum) {
    TempDir dir;
    dir.write("a.dat", rawArchive(102, {{"s.ogg", "OggS", 1, 0, int32_t(0xDEADBEEF), 0}, {"z.txt", zlibOf("z"), 0, 0, 5, 1}}));
    ToolRun r = arc(dir, {"list", dir.str() + "/a.dat", "--long"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "           4 stored DEADBEEF  s.ogg\n" + std::string(12 - std::to_string(zlibOf("z").size()).size(), ' ') +
                         std::to_string(zlibOf("z").size()) + " zlib   00000005u z.txt\n");
}

TEST(ArcTool, ExtractionNeverLeavesTheDestination) {
    TempDir dir;
    const std::vector<RawEntry> entries = {
        {"..\\evil.txt", "x", 1}, {"\\abs.txt", "x", 1},       {"C:\\drive.txt", "x", 1}, {"a\\..\\..\\up.txt", "x", 1},
        {"ok\\fine.txt", "fine", 1}, {"/slash.txt", "x", 1}, {"dir\\", "x", 1},
    };
    dir.write("bad.dat", rawArchive(102, entries));
    ToolRun r = arc(dir, {"extract", dir.str() + "/bad.dat", dir.str() + "/dest/inner"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(tree(dir.path() / "dest"), (std::map<std::string, std::string>{{"inner/ok/fine.txt", "fine"}}));
    EXPECT_FALSE(fs::exists(dir.path() / "evil.txt"));
    EXPECT_FALSE(fs::exists(dir.path() / "up.txt"));
    EXPECT_NE(r.err.find("..\\evil.txt: refused"), std::string::npos) << r.err;
    // A symbolic link planted in the destination is not followed.
    fs::create_directories(dir.path() / "dest2");
    fs::create_directory_symlink(dir.path(), dir.path() / "dest2" / "ok");
    ToolRun s = arc(dir, {"extract", dir.str() + "/bad.dat", dir.str() + "/dest2", "ok\\fine.txt"});
    EXPECT_EQ(s.code, 1);
    EXPECT_FALSE(fs::exists(dir.path() / "fine.txt"));
}

TEST(ArcTool, VerifyReportsDamageAndErrorsAreOneLine) {
    TempDir dir;
    dir.write("src/a.ogg", "OggS-first");
    dir.write("src/b.txt", std::string(1000, 'b'));
    const std::string out = dir.str() + "/a.dat";
    ASSERT_EQ(arc(dir, {"pack", out, dir.str() + "/src"}).code, 0);
    std::string bytes = readFile(out);
    const size_t at = bytes.find("OggS-first");
    ASSERT_NE(at, std::string::npos);
    bytes[at + 4] = '!';
    dir.write("a.dat", bytes);
    ToolRun v = arc(dir, {"verify", out});
    EXPECT_EQ(v.code, 1);
    EXPECT_NE(v.err.find("a.ogg: checksum mismatch"), std::string::npos) << v.err;
    EXPECT_EQ(v.out, "");
    EXPECT_NE(v.err.find("a.dat: 1 of 2 entries bad\n"), std::string::npos) << v.err;

    ToolRun missing = arc(dir, {"list", dir.str() + "/missing.dat"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, "nuvotool: " + dir.str() + "/missing.dat: no such file\n");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"frobnicate"}, {"pack", out}, {"pack", out, dir.str(), "--format", "7"}}) {
        ToolRun e = arc(dir, args);
        EXPECT_EQ(e.code, 2);
        EXPECT_EQ(e.err.rfind("nuvotool: arc", 0), 0u) << e.err;
    }
    dir.write("junk.dat", "vf" + le32(102) + le32(2000000000) + "xxxx");
    ToolRun junk = arc(dir, {"list", dir.str() + "/junk.dat"});
    EXPECT_EQ(junk.code, 1);
    EXPECT_NE(junk.err.find("not a readable archive"), std::string::npos);
    EXPECT_EQ(arc(dir, {"pack", "--help"}).code, 0);
}
