// nuvotool title package: an author's title as a Debian package that plays
// it with the system's nuvoplayer, or as one runnable file (a copy of the
// player with the title's archive appended).
#include "TitlePackage.h"

#include "TitleBuild.h"
#include "TitlePackageDeb.h"

#include "archive/VrFileCollection.h"
#include "base/BigStream.h"
#include "base/Cp932.h"
#include "base/Error.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "cli/VersionInfo.h"
#include "platform/FileSystem.h"
#include "platform/System.h"
#include "render/DIBSurface.h"
#include "render/ImageCodecs.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>

namespace nuvotool {
namespace {

namespace fs = std::filesystem;

const char* kDetails = "SRC-OR-TITLE is a title's source tree (with nuvo.nps, built as 'title build'\n"
                       "does), a built title folder (nuvo.npb or game.dat) or a game.dat archive.\n"
                       "Everything goes into one archive. OUT is a folder; what is written there is\n"
                       "printed:\n"
                       "  OUT/games-NAME_VERSION_all.deb   a Debian package that installs the title\n"
                       "      under /usr/share/games/NAME/, the launcher /usr/games/NAME (which runs\n"
                       "      the system's nuvoplayer with its saves in the user's data folder,\n"
                       "      $XDG_DATA_HOME/nuvoplayer/TITLE/), a desktop entry, a manual page and\n"
                       "      the icon; it depends on the nuvoplayer package\n"
                       "  OUT/NAME (--exe)   a copy of the nuvoplayer beside nuvotool with the\n"
                       "      archive appended: one file that plays the title from any folder\n"
                       "NAME defaults to the source folder's name in lower case and must be a valid\n"
                       "Debian package name (a-z, 0-9, '+', '-', '.'; two characters or more,\n"
                       "beginning with a letter or digit). VERSION (default 1.0) is a Debian\n"
                       "version. PNG is the menu's icon (square icons of the usual sizes go to the\n"
                       "icon theme); without one the player's icon is shown. The maintainer is\n"
                       "'NAME <ADDRESS>', by default from $DEBFULLNAME and $DEBEMAIL. Nothing is\n"
                       "written when any of them is refused. SOURCE_DATE_EPOCH, when set, gives\n"
                       "the package's time.\n";

// ---- what the author gives ------------------------------------------------------

bool validPackageName(const std::string& name) {
    if (name.size() < 2) return false;
    const auto alnum = [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); };
    if (!alnum(name[0])) return false;
    return std::all_of(name.begin(), name.end(), [&](char c) { return alnum(c) || c == '+' || c == '-' || c == '.'; });
}

// [EPOCH:]UPSTREAM[-REVISION], UPSTREAM beginning with a digit.
bool validVersion(const std::string& version) {
    std::string rest = version;
    if (const size_t colon = rest.find(':'); colon != std::string::npos) {
        const std::string epoch = rest.substr(0, colon);
        if (epoch.empty() || !std::all_of(epoch.begin(), epoch.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        rest = rest.substr(colon + 1);
    }
    std::string revision;
    if (const size_t dash = rest.rfind('-'); dash != std::string::npos) {
        revision = rest.substr(dash + 1);
        rest = rest.substr(0, dash);
        if (revision.empty()) return false;
    }
    if (rest.empty() || rest[0] < '0' || rest[0] > '9') return false;
    const auto allowed = [](const std::string& s, bool dash) {
        return std::all_of(s.begin(), s.end(), [&](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '+' ||
                   c == '~' || (dash && c == '-');
        });
    };
    return allowed(rest, true) && allowed(revision, false);
}

bool validMaintainer(const std::string& m) {
    const size_t open = m.find('<'), at = m.find('@'), close = m.find('>');
    return open != std::string::npos && open > 0 && at != std::string::npos && at > open + 1 && close == m.size() - 1 &&
           at + 1 < close &&
           std::none_of(m.begin(), m.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::string defaultMaintainer() {
    const char* name = std::getenv("DEBFULLNAME");
    const char* mail = std::getenv("DEBEMAIL");
    if (mail && *mail) {
        const std::string address = mail;
        // DEBEMAIL may itself be "NAME <ADDRESS>".
        if (address.find('<') != std::string::npos) return address;
        return std::string(name && *name ? name : "Title author") + " <" + address + ">";
    }
    return "Title author <author@nuvotool.invalid>";
}

struct Icon {
    std::vector<uint8_t> bytes;
    int size = 0; // the side of a square icon, 0 for any other shape
};

Icon readIcon(const std::string& path) {
    Icon icon;
    try {
        icon.bytes = nuvo::readWholeFile(path);
    } catch (const std::exception& e) {
        throw EToolError(fileMessage(path, "the icon cannot be read", errorText(e)));
    }
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (icon.bytes.size() < 8 || !std::equal(kSignature, kSignature + 8, icon.bytes.begin()))
        throw EToolError(fileMessage(path, "the icon is not a PNG picture"));
    nuvo::TDIBSurface picture;
    int32_t transparent = -1;
    try {
        nuvo::ReadPng(icon.bytes.data(), icon.bytes.size(), picture, transparent);
    } catch (const std::exception& e) {
        throw EToolError(fileMessage(path, "the icon is not a readable PNG picture", errorText(e)));
    }
    if (picture.Width() == picture.Height()) icon.size = picture.Width();
    return icon;
}

// ---- the title ------------------------------------------------------------------

bool sameNoCase(std::string a, std::string b) {
    const auto lower = [](std::string& s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    };
    lower(a);
    lower(b);
    return a == b;
}

// A Shift-JIS archive name as a '/'-separated UTF-8 path (escapes where a
// character has no exact UTF-8 form), split on separators character by
// character so a trail byte 0x5C stays in its character.
std::string relativeOf(std::string_view sjis) {
    std::string out, part;
    for (size_t i = 0; i < sjis.size();) {
        const size_t len = nuvo::charLength(sjis, i);
        if (len == 1 && (sjis[i] == '\\' || sjis[i] == '/')) {
            out += nuvo::sjisToUtf8Escaped(part) + "/";
            part.clear();
        } else {
            part.append(sjis.substr(i, len));
        }
        i += len;
    }
    return out + nuvo::sjisToUtf8Escaped(part);
}

// The entries of an archive file as title files.
std::vector<TitleFile> archiveFiles(const fs::path& path) {
    nuvo::TVrFileCollection archive;
    std::vector<TitleFile> files;
    try {
        archive.Open(path.string());
        for (int i = 0; i < archive.Count(); ++i) {
            const nuvo::TVrFile& entry = *archive.At(i);
            if (nuvo::TVrFileCollection::IsSentinel(entry)) continue;
            nuvo::TKvMemoryStream bytes;
            archive.ReadEntry(entry, bytes);
            files.push_back({relativeOf(entry.Name()), bytes.bytes()});
        }
    } catch (const nuvo::ENuvoError& e) {
        throw EToolError(fileMessage(path.string(), "not a readable archive", errorText(e)));
    }
    return files;
}

// A built title: its game.dat's entries, then the folder's own files in
// their place (the player reads the folder first).
std::vector<TitleFile> builtTitleFiles(const fs::path& folder) {
    std::vector<TitleFile> files;
    std::map<std::string, size_t> byName;
    const auto add = [&](TitleFile file) {
        std::string key = file.relative;
        for (char& c : key)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (const auto it = byName.find(key); it != byName.end())
            files[it->second] = std::move(file);
        else
            byName[key] = files.size(), files.push_back(std::move(file));
    };
    fs::path archive;
    for (const fs::directory_entry& e : fs::directory_iterator(folder))
        if (e.is_regular_file() && sameNoCase(e.path().filename().string(), "game.dat")) archive = e.path();
    if (!archive.empty())
        for (TitleFile& f : archiveFiles(archive))
            add(std::move(f));
    std::vector<fs::path> own;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = it->path().filename().string();
        if (!name.empty() && name[0] == '.') {
            if (it->is_directory()) it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file() && it->path() != archive) own.push_back(it->path());
    }
    std::sort(own.begin(), own.end());
    for (const fs::path& p : own)
        add({p.lexically_relative(folder).generic_string(), nuvo::readWholeFile(p.string())});
    return files;
}

bool hasFile(const std::vector<TitleFile>& files, const char* name) {
    return std::any_of(files.begin(), files.end(), [&](const TitleFile& f) { return sameNoCase(f.relative, name); });
}

struct Title {
    std::vector<TitleFile> files;
    nuvo::TProjectSetting setting;
};

Title readTitle(const std::string& given) {
    const fs::path path = given;
    Title title;
    if (fs::is_directory(path) && fs::is_regular_file(path / "nuvo.nps")) {
        title.files = buildTitleFiles(path, title.setting);
        return title;
    }
    if (fs::is_regular_file(path))
        title.files = archiveFiles(path);
    else if (fs::is_directory(path))
        title.files = builtTitleFiles(path);
    else
        throw EToolError(fileMessage(given, "no such file or folder"));
    const auto project = std::find_if(title.files.begin(), title.files.end(),
                                      [](const TitleFile& f) { return sameNoCase(f.relative, "nuvo.npb"); });
    if (project == title.files.end())
        throw EToolError(fileMessage(given, "no project: neither a source tree (nuvo.nps) nor a title (nuvo.npb)"));
    try {
        nuvo::TKvMemoryStream stream(project->bytes);
        title.setting.LoadFromStream(stream);
    } catch (const std::exception& e) {
        throw EToolError(fileMessage(given, "the project file nuvo.npb cannot be read", errorText(e)));
    }
    return title;
}

// The title's caption as one line of UTF-8.
std::string caption(const nuvo::TProjectSetting& setting, const std::string& fallback) {
    std::string text = nuvo::sjisToUtf8Escaped(setting.Title);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    return text.find_first_not_of(' ') == std::string::npos ? fallback : text;
}

// The folder the player keeps the title's saves in, below
// $XDG_DATA_HOME/nuvoplayer/: the title with the characters Windows refuses
// in names (and ',' and ';') and control bytes as '_'.
std::string saveFolderName(const nuvo::TProjectSetting& setting) {
    std::string name = nuvo::platform::nativeRelativeName(setting.Title);
    for (char& c : name)
        if (std::string_view("\\/:,;*?\"<>|").find(c) != std::string_view::npos ||
            static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '_';
    if (name.empty() || name == "." || name == "..") name = "_";
    if (name.size() > 255) {
        size_t cut = 255;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return name;
}

// "install.dat" saying the title is wholly installed (record version 103),
// for a title appended to the player, which reads it when started without
// a data folder.
std::vector<uint8_t> installRecord(const std::string& titleId) {
    nuvo::TKvMemoryStream s;
    s.write("is103", 5);
    nuvo::WriteInt(s, 0); // the first disk
    nuvo::WriteStr(s, titleId);
    for (int i = 0; i < 3; ++i)
        nuvo::WriteStr(s, "");
    nuvo::WriteByte(s, 0);
    nuvo::WriteStr(s, "");
    nuvo::WriteByte(s, 0);
    nuvo::WriteInt(s, 0); // no table rows
    nuvo::WriteStr(s, "");
    for (int i = 0; i < 6; ++i)
        nuvo::WriteByte(s, 0);
    nuvo::WriteStr(s, "");
    nuvo::WriteStr(s, "");
    for (int i = 0; i < 4 * 8 + 1 + 1; ++i)
        nuvo::WriteByte(s, 0);
    nuvo::WriteInt(s, 0);  // an empty list
    nuvo::WriteByte(s, 1); // fully installed
    return s.bytes();
}

// ---- the pieces of the package -------------------------------------------------------

std::vector<uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

// A text in single quotes for sh.
std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string desktopEscaped(const std::string& text) {
    std::string out;
    for (char c : text)
        out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
}

std::string roffEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
    return out;
}

std::string truncatedUtf8(const std::string& text, size_t bytes) {
    if (text.size() <= bytes) return text;
    size_t cut = bytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut);
}

std::string rfc2822(int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", days[utc.tm_wday], utc.tm_mday,
                  months[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

int64_t packageTime() {
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) {
        char* end = nullptr;
        const long long v = std::strtoll(epoch, &end, 10);
        if (!*end && v > 0) return v;
    }
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

struct Package {
    std::string name, version, maintainer, caption, saveFolder;
    std::vector<uint8_t> archive;
    std::optional<Icon> icon;
    int64_t time = 0;
};

std::string launcher(const Package& p) {
    return "#!/bin/sh\n"
           "# Plays \"" +
           p.caption +
           "\" with the system's nuvoplayer. The title is read\n"
           "# from the package's folder; its saves go to the user's data folder.\n"
           "here=$(dirname \"$(readlink -f \"$0\")\")\n"
           "data=${XDG_DATA_HOME:-}\n"
           "case $data in\n"
           "/*) ;;\n"
           "*) data=$HOME/.local/share ;;\n"
           "esac\n"
           "exec nuvoplayer --save-dir \"$data/nuvoplayer/\"" +
           shellQuoted(p.saveFolder) + " \"$@\" -- \"$here/../share/games/" + p.name + "\"\n";
}

std::string desktopEntry(const Package& p, const std::string& iconName) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           desktopEscaped(p.caption) +
           "\n"
           "Comment=A visual story, played with nuvoplayer\n"
           "Exec=" +
           p.name +
           "\n"
           "Icon=" +
           iconName +
           "\n"
           "Terminal=false\n"
           "Categories=Game;AdventureGame;\n"
           "Keywords=visual novel;story;\n";
}

std::string manualPage(const Package& p) {
    char date[16];
    const std::time_t t = static_cast<std::time_t>(p.time);
    std::tm utc{};
    gmtime_r(&t, &utc);
    std::strftime(date, sizeof date, "%Y-%m-%d", &utc);
    return ".TH " + roffEscaped(p.name) + " 6 \"" + date + "\" \"" + roffEscaped(p.version) +
           "\" \"Games\"\n"
           ".SH NAME\n" +
           roffEscaped(p.name) + " \\- play " + roffEscaped(p.caption) +
           "\n"
           ".SH SYNOPSIS\n.B " +
           roffEscaped(p.name) +
           "\n[\\fINUVOPLAYER-OPTIONS\\fR]\n"
           ".SH DESCRIPTION\nStarts\n.BR nuvoplayer (6)\non the title installed in\n"
           ".IR /usr/share/games/" +
           roffEscaped(p.name) +
           "/ ,\n"
           "keeping its saves in\n.IR \"$XDG_DATA_HOME/nuvoplayer/" +
           roffEscaped(p.saveFolder) +
           "/\" .\n"
           "Options are handed to the player.\n"
           ".SH SEE ALSO\n.BR nuvoplayer (6)\n";
}

std::vector<uint8_t> buildDeb(const Package& p) {
    const std::string packageName = "games-" + p.name;
    std::vector<DebFile> files;
    files.push_back({"usr/games/" + p.name, bytesOf(launcher(p)), 0755});
    files.push_back({"usr/share/games/" + p.name + "/game.dat", p.archive, 0644});
    std::string iconName = "nuvoplayer";
    if (p.icon) {
        iconName = packageName;
        static const int kThemeSizes[] = {16, 22, 24, 32, 48, 64, 96, 128, 192, 256, 512};
        const bool themed =
            std::find(std::begin(kThemeSizes), std::end(kThemeSizes), p.icon->size) != std::end(kThemeSizes);
        const std::string size = std::to_string(p.icon->size);
        files.push_back({themed ? "usr/share/icons/hicolor/" + size + "x" + size + "/apps/" + iconName + ".png"
                                : "usr/share/pixmaps/" + iconName + ".png",
                         p.icon->bytes, 0644});
    }
    files.push_back({"usr/share/applications/" + packageName + ".desktop", bytesOf(desktopEntry(p, iconName)), 0644});
    files.push_back({"usr/share/man/man6/" + p.name + ".6.gz", gzipBytes(bytesOf(manualPage(p))), 0644});
    const std::string doc = "usr/share/doc/" + packageName + "/";
    char year[8];
    const std::time_t t = static_cast<std::time_t>(p.time);
    std::tm utc{};
    gmtime_r(&t, &utc);
    std::strftime(year, sizeof year, "%Y", &utc);
    files.push_back({doc + "copyright",
                     bytesOf("The title \"" + p.caption + "\", packaged for nuvoplayer by nuvotool " +
                             nuvo::cli::kProjectVersion + ".\n\nCopyright " + year + " the authors of \"" + p.caption +
                             "\"; the title's own documents give its terms.\n"),
                     0644});
    // A version with a revision is not native: its changelog has the Debian name.
    const bool native = p.version.find('-') == std::string::npos;
    files.push_back({doc + (native ? "changelog.gz" : "changelog.Debian.gz"),
                     gzipBytes(bytesOf(packageName + " (" + p.version +
                                       ") unstable; urgency=medium\n\n"
                                       "  * Packaged with nuvotool " +
                                       nuvo::cli::kProjectVersion +
                                       ".\n\n"
                                       " -- " +
                                       p.maintainer + "  " + rfc2822(p.time) + "\n")),
                     0644});

    const std::string synopsis = truncatedUtf8(p.caption, 60);
    const std::string control = "Package: " + packageName +
                                "\n"
                                "Version: " +
                                p.version +
                                "\n"
                                "Architecture: all\n"
                                "Maintainer: " +
                                p.maintainer +
                                "\n"
                                "Depends: nuvoplayer (>= " +
                                nuvo::cli::kProjectVersion +
                                ")\n"
                                "Section: games\n"
                                "Priority: optional\n"
                                "Description: " +
                                synopsis +
                                "\n"
                                " The visual story \"" +
                                synopsis +
                                "\", played with nuvoplayer.\n"
                                " It starts from the desktop's menu or as " +
                                p.name +
                                "; its saves are\n"
                                " kept in the user's data folder.\n";
    return makeDeb(control, files, p.time);
}

// The player beside this nuvotool, with the archive appended behind its
// trailer (the start of the archive and "nv").
std::vector<uint8_t> buildExe(const Package& p) {
    auto system = nuvo::platform::createLinuxSystem();
    const std::string player = nuvo::platform::joinPath(system->ExecutableFolder(), "nuvoplayer");
    if (!nuvo::platform::isFile(player)) throw EToolError(fileMessage(player, "no player beside nuvotool to copy"));
    std::vector<uint8_t> bytes = nuvo::readWholeFile(player);
    if (bytes.size() >= 2 && bytes[bytes.size() - 2] == 'n' && bytes.back() == 'v')
        throw EToolError(fileMessage(player, "the player already carries a title"));
    if (bytes.size() > INT32_MAX) throw EToolError(fileMessage(player, "the player is too big to carry a title"));
    const int32_t start = static_cast<int32_t>(bytes.size());
    bytes.insert(bytes.end(), p.archive.begin(), p.archive.end());
    nuvo::TKvMemoryStream trailer;
    nuvo::WriteInt(trailer, start);
    bytes.insert(bytes.end(), trailer.bytes().begin(), trailer.bytes().end());
    bytes.push_back('n');
    bytes.push_back('v');
    return bytes;
}

int runPackage(Invocation& call) {
    const std::string source = call.arg(0);
    const fs::path out = call.arg(1);
    const bool exe = call.line.Has("--exe");

    // Everything the author gave is checked before anything is built or
    // written.
    std::string name = call.line.Value("--name", "");
    if (name.empty()) {
        name = fs::path(source).lexically_normal().filename().string();
        if (name.empty()) name = fs::path(source).lexically_normal().parent_path().filename().string();
        for (char& c : name) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
            if (c == ' ' || c == '_') c = '-';
        }
        if (!validPackageName(name))
            return fail(source + ": '" + name + "' is not a valid Debian package name; give one with --name");
    } else if (!validPackageName(name)) {
        return fail("--name '" + name +
                    "': not a valid Debian package name (a-z, 0-9, '+', '-', '.'; two "
                    "characters or more, beginning with a letter or digit)");
    }
    Package p;
    p.name = name;
    p.version = call.line.Value("--version", "1.0");
    if (!validVersion(p.version)) return fail("--version '" + p.version + "': not a valid Debian version");
    p.maintainer = call.line.Value("--maintainer", defaultMaintainer());
    if (!validMaintainer(p.maintainer)) return fail("--maintainer '" + p.maintainer + "': not 'NAME <ADDRESS>'");
    if (const auto icon = call.line.Value("--icon")) p.icon = readIcon(*icon);

    Title title = readTitle(source);
    if (!hasFile(title.files, "install.dat") && exe)
        title.files.push_back({"install.dat", installRecord(title.setting.Title)});
    p.archive = packTitleFiles(title.files);
    p.caption = caption(title.setting, name);
    p.saveFolder = saveFolderName(title.setting);
    p.time = packageTime();

    std::string upstream = p.version.substr(p.version.find(':') == std::string::npos ? 0 : p.version.find(':') + 1);
    const fs::path target = exe ? out / name : out / ("games-" + name + "_" + upstream + "_all.deb");
    const std::vector<uint8_t> bytes = exe ? buildExe(p) : buildDeb(p);

    std::error_code ec;
    fs::create_directories(out, ec);
    if (!fs::is_directory(out)) return failFile(out.string(), "cannot create the folder", ec.message());
    nuvo::platform::writeFileAtomic(target.string(), bytes.data(), bytes.size());
    if (exe)
        fs::permissions(target, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                        fs::perm_options::add);
    call.out = target.string() + "\n";
    return 0;
}

} // namespace

CommandDef titlePackageCommand() {
    return {"package",
            "SRC-OR-TITLE OUT [--name N] [--version V] [--icon PNG] [--maintainer M] [--exe]",
            "a title as a Debian package, or as one runnable file",
            kDetails,
            {{"--name", Arity::Value},
             {"--version", Arity::Value},
             {"--icon", Arity::Value},
             {"--maintainer", Arity::Value},
             {"--exe"}},
            2,
            2,
            &runPackage};
}

} // namespace nuvotool
