// Installing and packaging, as a Debian user and a title's author meet them:
// the installed tree checked by the distribution's validators, the player's
// package and a packaged demo title unpacked into a scratch root and played
// headless from there, the one-file form of a title, and the refusals of
// "title package". Everything runs on this build tree's own programs.
#include "render/DIBSurface.h"
#include "render/ImageCodecs.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

namespace nuvo {
namespace {

namespace fs = std::filesystem;
using test::ProgramRun;
using test::runProgram;

bool onPath(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string lines(const ProgramRun& r) { return "exit " + std::to_string(r.code) + "\n" + r.out + r.err; }

// Runs program with extra environment variables.
ProgramRun runWith(const std::vector<std::string>& env, const std::string& program,
                   const std::vector<std::string>& args, const std::string& workDir = {}) {
    std::vector<std::string> all = env;
    all.push_back(program);
    all.insert(all.end(), args.begin(), args.end());
    return runProgram("/usr/bin/env", all, workDir);
}

// Every file below root, relative to it.
std::set<std::string> filesBelow(const fs::path& root) {
    std::set<std::string> out;
    if (!fs::exists(root)) return out;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root))
        if (!e.is_directory()) out.insert(e.path().lexically_relative(root).generic_string());
    return out;
}

// ---- the demo's screenshots against its references -------------------------------

constexpr int kShots[] = {30, 135, 250, 330, 420, 500, 560, 632, 660, 705, 740};

std::string shotList() {
    std::string at;
    for (int frame : kShots)
        at += (at.empty() ? "" : ",") + std::to_string(frame);
    return at;
}

TDIBSurface readShot(const fs::path& png) {
    const std::string bytes = test::readFile(png);
    TDIBSurface picture;
    int32_t transparent = -1;
    ReadPng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), picture, transparent);
    return picture;
}

// Empty when every shot agrees with its reference pixel for pixel.
std::string compareShots(const fs::path& shots) {
    std::string report;
    for (int frame : kShots) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06d.png", frame);
        if (!fs::exists(shots / name)) {
            report += std::string(name) + " missing; ";
            continue;
        }
        TDIBSurface actual = readShot(shots / name);
        TDIBSurface expected = readShot(fs::path(NUVO_SOURCE_DIR) / "tests/golden/demo" / name);
        if (actual.Width() != expected.Width() || actual.Height() != expected.Height()) {
            report += std::string(name) + " has another size; ";
            continue;
        }
        int differing = 0;
        for (int32_t y = 0; y < actual.Height(); ++y)
            for (int32_t x = 0; x < actual.Width(); ++x)
                differing += actual.ColorOfPixel(static_cast<uint32_t>(actual.GetPixel(x, y))) !=
                             expected.ColorOfPixel(static_cast<uint32_t>(expected.GetPixel(x, y)));
        if (differing) report += std::string(name) + ": " + std::to_string(differing) + " pixels differ; ";
    }
    return report;
}

std::vector<std::string> demoRun(const fs::path& shots) {
    return {"--headless", "--frames",     "760",
            "--shots",    shots.string(), "--shot-at",
            shotList(),   "--input",      NUVO_SOURCE_DIR "/demo/input.txt"};
}

// ---- shell completion ------------------------------------------------------------------

// What the completion script offers for a command line typed up to its end.
std::vector<std::string> complete(const fs::path& script, const std::string& function, const std::string& line,
                                  const fs::path& workDir) {
    test::TempDir scratch;
    const fs::path driver = scratch.write(
        "driver.sh",
        "[ -f /usr/share/bash-completion/bash_completion ] && . /usr/share/bash-completion/bash_completion\n"
        ". \"$1\"\n"
        "COMP_LINE=$2; COMP_POINT=${#COMP_LINE}\n"
        "read -ra COMP_WORDS <<< \"$COMP_LINE\"\n"
        "[ \"${COMP_LINE% }\" != \"$COMP_LINE\" ] && COMP_WORDS+=(\"\")\n"
        "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n" +
            function + "\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n");
    const ProgramRun r = runProgram("/bin/bash", {driver.string(), script.string(), line}, workDir.string());
    std::vector<std::string> words;
    std::istringstream in(r.out);
    for (std::string w; std::getline(in, w);)
        if (!w.empty()) words.push_back(w);
    std::sort(words.begin(), words.end());
    return words;
}

// The groups nuvotool --help lists.
std::vector<std::string> toolGroups() {
    const ProgramRun r = runProgram(NUVOTOOL_PATH, {"--help"});
    std::vector<std::string> groups;
    std::istringstream in(r.out.substr(r.out.find("groups:")));
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line) && line.rfind("  ", 0) == 0) {
        std::istringstream words(line);
        std::string group;
        words >> group;
        groups.push_back(group);
    }
    return groups;
}

TEST(Install, TheTreeUnderTheDestinationIsCompleteAndPassesTheValidators) {
    test::TempDir dir;
    const fs::path dest = dir.path() / "dest";
    const ProgramRun install = runWith({"DESTDIR=" + dest.string()}, CMAKE_COMMAND_PATH,
                                       {"--install", NUVO_BINARY_DIR, "--prefix", "/opt/nuvo"});
    ASSERT_EQ(install.code, 0) << lines(install);

    // Nothing lands outside the prefix.
    const std::set<std::string> files = filesBelow(dest);
    for (const std::string& f : files)
        EXPECT_EQ(f.rfind("opt/nuvo/", 0), 0u) << f;
    const fs::path prefix = dest / "opt/nuvo";
    for (const char* expected :
         {"bin/nuvoplayer", "bin/nuvotool", "share/applications/nuvoplayer.desktop",
          "share/metainfo/org.nuvoplayer.nuvoplayer.metainfo.xml", "share/man/man6/nuvoplayer.6.gz",
          "share/man/man1/nuvotool.1.gz", "share/bash-completion/completions/nuvotool",
          "share/bash-completion/completions/nuvoplayer", "share/doc/nuvoplayer/copyright",
          "share/doc/nuvoplayer/changelog.gz", "share/doc/nuvoplayer/README.md", "share/doc/nuvoplayer/headless.md",
          "share/icons/hicolor/16x16/apps/nuvoplayer.png", "share/icons/hicolor/48x48/apps/nuvoplayer.png",
          "share/icons/hicolor/256x256/apps/nuvoplayer.png"})
        EXPECT_TRUE(fs::is_regular_file(prefix / expected)) << expected;

    for (const char* program : {"nuvoplayer", "nuvotool"}) {
        const ProgramRun r = runProgram((prefix / "bin" / program).string(), {"--version"});
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.out.rfind(std::string(program) + " ", 0), 0u) << r.out;
    }

    if (onPath("desktop-file-validate")) {
        const ProgramRun r =
            runProgram("desktop-file-validate", {(prefix / "share/applications/nuvoplayer.desktop").string()});
        EXPECT_EQ(r.code, 0) << lines(r);
        EXPECT_EQ(r.out + r.err, "");
    } else {
        std::printf("desktop-file-validate is not installed (package desktop-file-utils): the desktop entry is not "
                    "validated\n");
    }
    if (onPath("appstreamcli")) {
        const ProgramRun r =
            runProgram("appstreamcli", {"validate", "--no-net",
                                        (prefix / "share/metainfo/org.nuvoplayer.nuvoplayer.metainfo.xml").string()});
        EXPECT_EQ(r.code, 0) << lines(r);
    } else {
        std::printf("appstreamcli is not installed (package appstream): the metainfo is not validated\n");
    }

    // The manual pages read, and hold every group and every player option.
    ASSERT_TRUE(onPath("man")) << "man is needed to read the manual pages (package man-db)";
    const ProgramRun tool =
        runWith({"MANWIDTH=200"}, "man", {"-l", (prefix / "share/man/man1/nuvotool.1.gz").string()});
    EXPECT_EQ(tool.code, 0) << tool.err;
    const ProgramRun player =
        runWith({"MANWIDTH=200"}, "man", {"-l", (prefix / "share/man/man6/nuvoplayer.6.gz").string()});
    EXPECT_EQ(player.code, 0) << player.err;
    const std::vector<std::string> groups = toolGroups();
    ASSERT_FALSE(groups.empty());
    for (const std::string& g : groups)
        EXPECT_NE(tool.out.find("nuvotool " + g + " "), std::string::npos) << g;
    EXPECT_NE(tool.out.find("nuvotool title package SRC-OR-TITLE OUT"), std::string::npos);
    for (const char* option : {"--headless", "--shot-every K", "--save-dir DIR", "--timeout SECONDS"})
        EXPECT_NE(player.out.find(option), std::string::npos) << option;
    EXPECT_NE(player.out.find("/config"), std::string::npos);

    // The completion offers groups, commands, options and files of the kind
    // a placeholder names.
    const fs::path work = dir.path() / "work";
    dir.write("work/a.pel", "x");
    dir.write("work/b.png", "x");
    dir.write("work/sub/c.txt", "x");
    const fs::path toolScript = prefix / "share/bash-completion/completions/nuvotool";
    std::vector<std::string> all = groups;
    std::sort(all.begin(), all.end());
    struct Case {
        std::string line;
        std::vector<std::string> offered;
    };
    const Case cases[] = {
        {"nuvotool ", all},
        {"nuvotool ti", {"title"}},
        {"nuvotool title ", {"build", "package"}},
        {"nuvotool title package --ex", {"--exe"}},
        {"nuvotool title package x y --icon ", {"b.png", "sub"}},
        {"nuvotool title build ", {"sub"}},
        {"nuvotool pel info ", {"a.pel", "sub"}},
        {"nuvotool pel topng a.pel ", {"b.png", "sub"}},
        {"nuvotool arc list --long ", {"a.pel", "b.png", "sub"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(complete(toolScript, "_nuvotool", c.line, work), c.offered) << c.line;
    const fs::path playerScript = prefix / "share/bash-completion/completions/nuvoplayer";
    EXPECT_EQ(complete(playerScript, "_nuvoplayer", "nuvoplayer --shot", work),
              (std::vector<std::string>{"--shot-at", "--shot-every", "--shots"}));
    EXPECT_EQ(complete(playerScript, "_nuvoplayer", "nuvoplayer --shots ", work), std::vector<std::string>{"sub"});
    EXPECT_EQ(complete(playerScript, "_nuvoplayer", "nuvoplayer --frames=", work), std::vector<std::string>{});
}

TEST(Package, ThePlayerAndAPackagedTitlePlayTheDemoFromAScratchRoot) {
    test::TempDir dir;
    const fs::path debs = dir.path() / "debs", root = dir.path() / "root", home = dir.path() / "home";
    ProgramRun r =
        runProgram(CPACK_COMMAND_PATH, {"--config", NUVO_BINARY_DIR "/CPackConfig.cmake", "-B", debs.string()});
    ASSERT_EQ(r.code, 0) << lines(r);
    r = runProgram(NUVOTOOL_PATH, {"title", "package", NUVO_SOURCE_DIR "/demo", debs.string(), "--version", "2.0",
                                   "--icon", NUVO_SOURCE_DIR "/packaging/icons/nuvoplayer-48.png"});
    ASSERT_EQ(r.code, 0) << lines(r);
    const fs::path titleDeb = debs / "games-demo_2.0_all.deb";
    EXPECT_EQ(r.out, titleDeb.string() + "\n");

    std::vector<fs::path> packages;
    for (const fs::directory_entry& e : fs::directory_iterator(debs))
        if (e.path().extension() == ".deb") packages.push_back(e.path());
    ASSERT_EQ(packages.size(), 2u);
    for (const fs::path& deb : packages) {
        r = runProgram("dpkg-deb", {"-x", deb.string(), root.string()});
        ASSERT_EQ(r.code, 0) << lines(r);
        if (onPath("lintian")) {
            r = runProgram("lintian", {"--fail-on", "error", deb.string()});
            EXPECT_EQ(r.code, 0) << deb << "\n" << lines(r);
        } else {
            std::printf("lintian is not installed: %s is not checked\n", deb.c_str());
        }
    }
    r = runProgram("dpkg-deb", {"-f", titleDeb.string(), "Depends"});
    EXPECT_EQ(r.out.rfind("nuvoplayer (>= ", 0), 0u) << r.out;
    r = runProgram("dpkg-deb",
                   {"-f", packages[0] == titleDeb ? packages[1].string() : packages[0].string(), "Depends"});
    for (const char* dependency : {"fonts-ipafont-gothic", "fonts-ipafont-mincho", "timgm6mb-soundfont", "libsdl2"})
        EXPECT_NE(r.out.find(dependency), std::string::npos) << dependency << " in " << r.out;

    for (const char* program : {"nuvoplayer", "nuvotool"}) {
        r = runProgram((root / "usr/bin" / program).string(), {"--version"});
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.out.rfind(std::string(program) + " ", 0), 0u) << r.out;
    }
    if (onPath("desktop-file-validate")) {
        r = runProgram("desktop-file-validate", {(root / "usr/share/applications/games-demo.desktop").string()});
        EXPECT_EQ(r.code, 0) << lines(r);
    }

    // The title's launcher finds the unpacked player on the path; the saves
    // go to the user's data folder and the installed title stays as it was.
    const std::set<std::string> installed = filesBelow(root);
    const fs::path shots = dir.path() / "shots";
    r = runWith({"HOME=" + home.string(), "XDG_DATA_HOME=", "PATH=" + (root / "usr/bin").string() + ":/usr/bin:/bin"},
                (root / "usr/games/demo").string(), demoRun(shots));
    ASSERT_EQ(r.code, 0) << lines(r);
    EXPECT_EQ(compareShots(shots), "");
    EXPECT_TRUE(fs::is_directory(home / ".local/share/nuvoplayer/NuvoPlayer デモ"));
    EXPECT_EQ(filesBelow(root), installed);

    // The installed archive opened directly, as the desktop entry of the
    // player passes a file.
    const fs::path direct = dir.path() / "direct";
    std::vector<std::string> args = demoRun(direct);
    args.insert(args.end(),
                {"--save-dir", (dir.path() / "saves").string(), (root / "usr/share/games/demo/game.dat").string()});
    r = runProgram((root / "usr/bin/nuvoplayer").string(), args);
    ASSERT_EQ(r.code, 0) << lines(r);
    EXPECT_EQ(compareShots(direct), "");
}

TEST(TitlePackage, OneFileFormPlaysTheDemoFromAnyFolder) {
    test::TempDir dir;
    const fs::path built = dir.path() / "built";
    ProgramRun r = runProgram(NUVOTOOL_PATH, {"title", "build", NUVO_SOURCE_DIR "/demo", built.string(), "--pack"});
    ASSERT_EQ(r.code, 0) << lines(r);
    const fs::path folder = dir.path() / "folder";
    r = runProgram(NUVOTOOL_PATH, {"title", "build", NUVO_SOURCE_DIR "/demo", folder.string()});
    ASSERT_EQ(r.code, 0) << lines(r);
    // From the source tree, a built title's folder and its archive alike.
    for (const fs::path& source : {fs::path(NUVO_SOURCE_DIR "/demo"), folder, built / "game.dat"}) {
        SCOPED_TRACE(source.string());
        const fs::path out = dir.path() / "out", downloads = dir.path() / "downloads";
        fs::remove_all(out);
        fs::remove_all(downloads);
        r = runProgram(NUVOTOOL_PATH, {"title", "package", source.string(), out.string(), "--exe", "--name", "story"});
        ASSERT_EQ(r.code, 0) << lines(r);
        EXPECT_EQ(r.out, (out / "story").string() + "\n");
        fs::create_directories(downloads);
        fs::copy_file(out / "story", downloads / "story");
        const fs::path shots = dir.path() / "shots";
        fs::remove_all(shots);
        r = runProgram((downloads / "story").string(), demoRun(shots), downloads.string());
        ASSERT_EQ(r.code, 0) << lines(r);
        EXPECT_EQ(compareShots(shots), "");
    }
}

TEST(TitlePackage, RefusesBadInputInOneLineAndLeavesNothing) {
    test::TempDir dir;
    dir.write("empty/readme.txt", "no project here");
    dir.write("icon.png", "GIF89a, not a PNG");
    dir.write("broken.png", std::string("\x89PNG\r\n\x1a\n", 8) + "truncated");
    const std::string demo = NUVO_SOURCE_DIR "/demo";
    struct Case {
        std::vector<std::string> args; // after "title package", OUT added
        std::string says;
    };
    const Case cases[] = {
        {{demo, "--name", "../escape"}, "not a valid Debian package name"},
        {{demo, "--name", "a/b"}, "not a valid Debian package name"},
        {{demo, "--name", "Upper"}, "not a valid Debian package name"},
        {{demo, "--name", "x"}, "not a valid Debian package name"},
        {{demo, "--name", "-x", "--exe"}, "not a valid Debian package name"},
        {{demo, "--version", "1.0/../../x"}, "not a valid Debian version"},
        {{demo, "--version", "beta"}, "not a valid Debian version"},
        {{demo, "--maintainer", "nobody"}, "not 'NAME <ADDRESS>'"},
        {{demo, "--icon", (dir.path() / "icon.png").string()}, "not a PNG"},
        {{demo, "--icon", (dir.path() / "broken.png").string()}, "not a readable PNG"},
        {{demo, "--icon", (dir.path() / "missing.png").string()}, "cannot be read"},
        {{(dir.path() / "empty").string()}, "no project"},
        {{(dir.path() / "missing").string(), "--name", "fine"}, "no such file or folder"},
        {{(dir.path() / "Not Valid!").string()}, "give one with --name"},
    };
    const fs::path out = dir.path() / "out";
    for (const Case& c : cases) {
        std::vector<std::string> args = {"title", "package"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.insert(args.begin() + 3, out.string());
        SCOPED_TRACE(testing::PrintToString(args));
        const ProgramRun r = runProgram(NUVOTOOL_PATH, args);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("nuvotool: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out)) << "something was written";
    }
}

} // namespace
} // namespace nuvo
