#include "base/Error.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using namespace nuvo;
using namespace nuvo::platform;
using nuvo::test::readFile;
using nuvo::test::sj;
using nuvo::test::TempDir;
namespace fs = std::filesystem;

TEST(FileSystem, TitleNamesResolveWithoutRegardToCase) {
    TempDir dir;
    dir.write("bg/room.png", "r");
    dir.write("Sound/SE/Hit.wav", "h");
    dir.write("ソ/表.txt", "utf8");                  // both names carry 0x5C as a second byte
    dir.write(std::string("raw\x83\x5C.TXT"), "raw"); // a name kept in Shift-JIS on disk
    dir.write("Data/x", "dir and file");
    dir.write("data", "file named like the folder");
    const std::string root = dir.str();
    struct Case {
        std::string name;
        std::string found; // relative to root; empty: nothing
    } cases[] = {
        {"BG\\Room.PNG", "bg/room.png"},
        {"bg/room.png", "bg/room.png"},
        {"sound\\se\\HIT.WAV", "Sound/SE/Hit.wav"},
        {"bg\\\\room.png", "bg/room.png"},
        {".\\bg\\room.png", "bg/room.png"},
        {sj("ソ\\表.TXT"), "ソ/表.txt"},
        {sj("ソ\\表.txt"), "ソ/表.txt"},
        {std::string("RAW\x83\x5C.txt"), std::string("raw\x83\x5C.TXT")},
        {"data\\x", "Data/x"}, // a folder is taken for a middle component, not the file "data"
        {"bg", "bg"},
        {"bg\\missing.png", ""},
        {"", ""},
        {"\\bg\\room.png", ""},
        {"/etc/passwd", ""},
        {"c:\\bg\\room.png", ""},
        {"bg\\..\\bg\\room.png", ""},
        {"..\\x", ""},
        {"mem:room.png", ""},
    };
    for (const Case& c : cases) {
        const auto got = resolveTitlePath(root, c.name);
        if (c.found.empty())
            EXPECT_FALSE(got) << c.name;
        else
            EXPECT_EQ(got.value_or("<none>"), root + "/" + c.found) << c.name;
    }
}

TEST(FileSystem, NativeAndTitleNamesConvertBothWays) {
    EXPECT_EQ(nativeRelativeName(sj("ソ\\表.txt")), "ソ/表.txt");
    // A character without an exact UTF-8 form keeps its bytes.
    EXPECT_EQ(nativeRelativeName(std::string("a\\\xEE\xEF.txt")), std::string("a/\xEE\xEF.txt"));
    EXPECT_EQ(titleNameFromNative("表.txt"), sj("表.txt"));
    EXPECT_EQ(titleNameFromNative(std::string("\x83\x5C.txt")), std::string("\x83\x5C.txt"));
    EXPECT_EQ(titleNameFromNative("josé😀"), "josé😀"); // no Shift-JIS form: bytes kept
}

TEST(FileSystem, FilesSizesTimesAndListing) {
    TempDir dir;
    const std::string f = dir.write("a.txt", "12345").string();
    dir.write("sub/b.txt", "b");
    EXPECT_TRUE(isFile(f));
    EXPECT_FALSE(isFile(dir.str() + "/sub"));
    EXPECT_TRUE(isDirectory(dir.str() + "/sub"));
    EXPECT_EQ(fileSize(f), 5);
    EXPECT_EQ(fileSize(dir.str() + "/none"), -1);
    EXPECT_EQ(listFiles(dir.str()), std::vector<std::string>{"a.txt"});

    struct tm local {};
    local.tm_year = 2021 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 4;
    local.tm_hour = 5;
    local.tm_min = 6;
    local.tm_sec = 9;
    local.tm_isdst = -1;
    const utimbuf times{std::mktime(&local), std::mktime(&local)};
    ASSERT_EQ(utime(f.c_str(), &times), 0);
    EXPECT_EQ(uint32_t(fileDosTime(f)), (41u << 25 | 3u << 21 | 4u << 16) | (5u << 11 | 6u << 5 | 4u));
    EXPECT_EQ(fileDosTime(dir.str() + "/none"), 0);

    chmod(f.c_str(), 0444);
    clearReadOnly(f);
    struct stat st;
    stat(f.c_str(), &st);
    EXPECT_TRUE(st.st_mode & S_IWUSR);
    EXPECT_TRUE(removeFile(f));
    EXPECT_FALSE(removeFile(f));
}

TEST(FileSystem, AtomicWritesReplaceWholeFilesOnly) {
    TempDir dir;
    const std::string f = dir.str() + "/save.dat";
    writeFileAtomic(f, "first", 5);
    chmod(f.c_str(), 0640);
    writeFileAtomic(f, "second!", 7);
    EXPECT_EQ(readFile(f), "second!");
    struct stat st;
    stat(f.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_THROW(writeFileAtomic(dir.str() + "/no/such/folder/x", "x", 1), ENuvoError);
    EXPECT_EQ(joinPath("/a/", "/b"), "/a/b");
    EXPECT_EQ(joinPath("", "b"), "b");
    EXPECT_EQ(joinPath("/", "b"), "/b");
}

// Run in a child process by the test below: reports its folder and exits normally.
TEST(FileSystemChild, ReportsTempFolder) {
    if (!std::getenv("NUVO_TEMP_FOLDER_CHILD")) GTEST_SKIP() << "run by ProcessTempFolderIsPrivateAndRemovedAtExit";
    std::printf("TEMPFOLDER=%s\n", processTempFolder().c_str());
    const std::string inside = processTempFolder() + "copy.wav";
    writeFileAtomic(inside, "x", 1);
}

TEST(FileSystem, ProcessTempFolderIsPrivateAndRemovedAtExit) {
    const std::string& mine = processTempFolder();
    EXPECT_EQ(processTempFolder(), mine);
    EXPECT_EQ(fs::status(mine).permissions(), fs::perms::owner_all);

    const std::string cmd = "NUVO_TEMP_FOLDER_CHILD=1 /proc/" + std::to_string(getpid()) +
                            "/exe --gtest_filter=FileSystemChild.ReportsTempFolder";
    FILE* child = popen(cmd.c_str(), "r");
    ASSERT_TRUE(child);
    std::string output;
    char buf[512];
    while (fgets(buf, sizeof buf, child)) output += buf;
    EXPECT_EQ(pclose(child), 0);
    const size_t at = output.find("TEMPFOLDER=");
    ASSERT_NE(at, std::string::npos) << output;
    const std::string theirs = output.substr(at + 11, output.find('\n', at) - at - 11);
    EXPECT_NE(theirs, mine);
    EXPECT_FALSE(fs::exists(theirs));
    EXPECT_TRUE(fs::exists(mine));
}
