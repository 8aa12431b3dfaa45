// nuvotool title: builds a playable title from a source tree.
#include "Command.h"
#include "TitleBuild.h"
#include "TitlePackage.h"

#include "archive/VrFileCollection.h"
#include "base/BigStream.h"
#include "base/Cp932.h"
#include "base/Error.h"
#include "base/Stream.h"
#include "engine/ProjectSetting.h"
#include "engine/SourceText.h"
#include "media/MidiText.h"
#include "platform/FileSystem.h"
#include "render/ImageCodecs.h"
#include "render/PelkImage.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

namespace nuvotool {

std::vector<uint8_t> buildPageBytes(const std::string& sourceText, const std::string& pageName);
std::vector<uint8_t> buildProjectBytes(const std::string& sourceText, nuvo::TProjectSetting* settingOut);

namespace {

namespace fs = std::filesystem;

const char* kBuildDetails = "The source tree (docs/title-format.md) holds:\n"
                    "  nuvo.nps        the project source, built into nuvo.npb (required)\n"
                    "  NAME.nss        a page source, built into NAME.nsb\n"
                    "  NAME.pel.png    a picture, converted into the layered image NAME.pel\n"
                    "                  (keyed with the project's imageseed)\n"
                    "  NAME.pel/       a folder of PNG frames (in name order; FRAME@MS.png shows\n"
                    "                  for MS milliseconds, others for 100), built into the\n"
                    "                  multi-frame layered image NAME.pel\n"
                    "  NAME.mid.txt    a MIDI file in the text form of 'nuvotool midi dump',\n"
                    "                  built into NAME.mid\n"
                    "  anything else   copied as it is\n"
                    "Files and folders whose names begin with '.' are left out. Folders keep\n"
                    "their place. Without --pack the files are written under OUTDIR; with\n"
                    "--pack everything goes into the one archive OUTDIR/game.dat.\n";

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<uint8_t> readBytes(const fs::path& p) { return nuvo::readWholeFile(p.string()); }

std::vector<uint8_t> convertPicture(const fs::path& png, int32_t imageKey) {
    // The converter writes a file; it goes to the process's own folder first.
    const std::string temp = nuvo::platform::joinPath(nuvo::platform::processTempFolder(), "title-build.pel");
    nuvo::ConvertPngFileToPel(png.string(), temp, imageKey);
    std::vector<uint8_t> bytes = nuvo::readWholeFile(temp);
    nuvo::platform::removeFile(temp);
    return bytes;
}

bool isFramesFolder(const fs::directory_entry& entry) {
    return entry.is_directory() && endsWith(entry.path().filename().string(), ".pel");
}

// The frames of a NAME.pel folder: its PNG files in name order, each shown
// for the milliseconds after a last "@" in its name (100 without one).
std::vector<uint8_t> buildFrames(const fs::path& folder, int32_t imageKey) {
    std::vector<fs::path> pngs;
    for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (e.is_regular_file() && !name.empty() && name[0] != '.' && endsWith(name, ".png")) pngs.push_back(e.path());
    }
    std::sort(pngs.begin(), pngs.end());
    if (pngs.empty()) throw std::runtime_error("a frames folder holds no PNG files");
    nuvo::TPelkFrameList list(imageKey);
    for (const fs::path& png : pngs) {
        nuvo::TPelkFrame& frame = list.AddFrame();
        const std::vector<uint8_t> bytes = readBytes(png);
        nuvo::ReadPng(bytes.data(), bytes.size(), frame.Composite, frame.TransparentValue);
        frame.UpdateTransparentColour();
        const std::string stem = png.stem().string();
        if (const size_t at = stem.rfind('@'); at != std::string::npos) {
            const std::string ms = stem.substr(at + 1);
            char* end = nullptr;
            const long v = std::strtol(ms.c_str(), &end, 10);
            if (ms.empty() || *end || v < 1 || v > 3600000)
                throw std::runtime_error(png.filename().string() + ": the time after '@' must be 1 to 3600000 ms");
            frame.Duration = static_cast<int32_t>(v);
        }
    }
    nuvo::TKvMemoryStream s;
    list.SaveToStream(s, 0, 70);
    return s.bytes();
}

// Every source file (and frames folder), sorted by relative path, hidden
// ones left out.
std::vector<fs::path> sourceFiles(const fs::path& root) {
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = it->path().filename().string();
        if (!name.empty() && name[0] == '.') {
            if (it->is_directory()) it.disable_recursion_pending();
            continue;
        }
        if (isFramesFolder(*it)) {
            it.disable_recursion_pending();
            files.push_back(it->path().lexically_relative(root));
            continue;
        }
        if (it->is_regular_file()) files.push_back(it->path().lexically_relative(root));
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string titleName(const fs::path& relative) {
    std::string sjis;
    for (const fs::path& part : relative) {
        const auto converted = nuvo::utf8EscapedToSjis(part.string());
        if (!converted) throw std::runtime_error(relative.string() + ": the name has no Shift-JIS form");
        if (!sjis.empty()) sjis += '\\';
        sjis += *converted;
    }
    return sjis;
}

std::string sourceText(const fs::path& p) {
    const std::vector<uint8_t> bytes = readBytes(p);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

std::vector<TitleFile> buildTitleFiles(const fs::path& src, nuvo::TProjectSetting& setting) {
    std::vector<TitleFile> outputs;
    const std::vector<fs::path> files = sourceFiles(src);
    const auto failed = [&](const fs::path& rel, const std::exception& e) {
        return EToolError(fileMessage((src / rel).string(), "", errorText(e)));
    };
    // The project first: pictures are keyed with its image seed.
    for (const fs::path& rel : files) {
        if (rel != "nuvo.nps") continue;
        try {
            outputs.push_back({"nuvo.npb", buildProjectBytes(sourceText(src / rel), &setting)});
        } catch (const std::exception& e) {
            throw failed(rel, e);
        }
    }
    std::set<std::string> pages;
    for (const fs::path& rel : files) {
        const std::string name = rel.generic_string();
        if (rel == "nuvo.nps") continue;
        try {
            if (fs::is_directory(src / rel)) {
                outputs.push_back({name, buildFrames(src / rel, setting.ImageSeed)});
            } else if (endsWith(name, ".nss")) {
                const std::string page = name.substr(0, name.size() - 4) + ".nsb";
                outputs.push_back({page, buildPageBytes(sourceText(src / rel), titleName(page))});
                pages.insert(nuvo::sjisLower(titleName(page)));
            } else if (endsWith(name, ".mid.txt")) {
                outputs.push_back({name.substr(0, name.size() - 4), nuvo::buildMidiFile(sourceText(src / rel))});
            } else if (endsWith(name, ".pel.png")) {
                outputs.push_back({name.substr(0, name.size() - 4), convertPicture(src / rel, setting.ImageSeed)});
            } else {
                outputs.push_back({name, readBytes(src / rel)});
            }
        } catch (const std::exception& e) {
            throw failed(rel, e);
        }
    }
    if (!pages.count(nuvo::sjisLower(setting.StartPage)))
        fail("warning: the start page '" + nuvo::sjisToUtf8Escaped(setting.StartPage) +
             "' is not among the built pages");
    return outputs;
}

std::vector<uint8_t> packTitleFiles(const std::vector<TitleFile>& files) {
    nuvo::TVrFileCollection archive;
    std::set<std::string> seen;
    for (const TitleFile& o : files) {
        std::string name;
        try {
            name = titleName(fs::path(o.relative));
        } catch (const std::exception& e) {
            throw EToolError(e.what());
        }
        if (!seen.insert(nuvo::sjisLower(name)).second)
            throw EToolError(o.relative + ": another file has the same name in another letter case");
        nuvo::TVrFile* entry = archive.AddMemoryEntry(name);
        entry->Data = std::make_unique<nuvo::TKvMemoryStream>(o.bytes);
        entry->Size = static_cast<int64_t>(o.bytes.size());
    }
    nuvo::TKvBigMemoryStream packed;
    archive.WriteArchive(packed);
    return packed.Memory().bytes();
}

namespace {

int runBuild(Invocation& call) {
    const Args& positional = call.args();
    const bool pack = call.line.Has("--pack");
    const fs::path src = positional[0], out = positional[1];
    if (!fs::is_directory(src)) return failFile(positional[0], "not a folder");
    if (!fs::is_regular_file(src / "nuvo.nps")) return failFile(positional[0], "no project source nuvo.nps");

    nuvo::TProjectSetting setting;
    const std::vector<TitleFile> outputs = buildTitleFiles(src, setting);
    // Packed before anything is written, so a name that cannot be packed
    // leaves no folder behind.
    const std::vector<uint8_t> packed = pack ? packTitleFiles(outputs) : std::vector<uint8_t>();

    std::error_code ec;
    fs::create_directories(out, ec);
    if (!fs::is_directory(out)) return failFile(positional[1], "cannot create the folder", ec.message());
    if (!pack) {
        for (const TitleFile& o : outputs) {
            const fs::path target = out / fs::path(o.relative);
            fs::create_directories(target.parent_path(), ec);
            nuvo::platform::writeFileAtomic(target.string(), o.bytes.data(), o.bytes.size());
        }
        return 0;
    }
    nuvo::platform::writeFileAtomic((out / "game.dat").string(), packed.data(), packed.size());
    return 0;
}

const NuvoGroup group({"title", "build a playable title from a source tree, or package it", "",
                       {
                           {"build", "SRCDIR OUTDIR [--pack]", "build a playable title from a source tree",
                            kBuildDetails, {{"--pack"}}, 2, 2, &runBuild},
                           titlePackageCommand(),
                       }});

} // namespace
} // namespace nuvotool
