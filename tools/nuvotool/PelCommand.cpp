// nuvotool pel: inspect layered images and convert them to and from PNG.
#include "Command.h"

#include "base/Cp932.h"
#include "base/Error.h"
#include "base/Stream.h"
#include "platform/FileSystem.h"
#include "render/ImageCodecs.h"
#include "render/PelkImage.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace nuvotool {
namespace {

using nuvo::TPelkFrame;
using nuvo::TPelkFrameList;

const char* kHelp =
    "usage: nuvotool pel COMMAND ...\n"
    "\n"
    "  info FILE.pel [--key K]                          header, frames, layers and planes\n"
    "  topng FILE.pel OUT.png [--frame N] [--key K]     one frame (default 0) as a PNG\n"
    "  frompng IN.png OUT.pel [--key K | --lossy Q]     a PNG as a one-frame layered image\n"
    "\n"
    "K is the title's image key (the project's ImageSeed), needed to read files\n"
    "written with one: rows and blocks come out scrambled with a wrong key. A key\n"
    "makes frompng store its planes in key order and uncompressed; --lossy stores\n"
    "the colour plane as JPEG at quality Q (1..100) and cannot go with a key.\n"
    "A PNG's alpha channel becomes the frame's mask, a single transparent colour\n"
    "its colour key; topng writes them back the same way. Names are shown in\n"
    "UTF-8 with \\x{HH} escapes for bytes without an exact form.\n";

struct Options {
    std::vector<std::string> positional;
    std::optional<int32_t> key;
    std::optional<int> frame;
    std::optional<int> lossy;
};

bool parseInt(const std::string& text, long long lo, long long hi, long long& out) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 0);
    if (text.empty() || *end || errno || v < lo || v > hi) return false;
    out = v;
    return true;
}

std::optional<Options> parse(const Args& args, std::string& error) {
    Options o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--key" || a == "--frame" || a == "--lossy") {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return std::nullopt;
            }
            long long v;
            const std::string& text = args[++i];
            if (a == "--key") {
                // Keys are signed 32-bit values; accept their unsigned spelling too.
                if (!parseInt(text, INT32_MIN, UINT32_MAX, v)) {
                    error = "bad key '" + text + "'";
                    return std::nullopt;
                }
                o.key = static_cast<int32_t>(static_cast<uint32_t>(v));
            } else if (a == "--frame") {
                if (!parseInt(text, 0, INT32_MAX, v)) {
                    error = "bad frame number '" + text + "'";
                    return std::nullopt;
                }
                o.frame = static_cast<int>(v);
            } else {
                if (!parseInt(text, 1, 100, v)) {
                    error = "the quality must be 1..100, not '" + text + "'";
                    return std::nullopt;
                }
                o.lossy = static_cast<int>(v);
            }
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option '" + a + "'";
            return std::nullopt;
        } else {
            o.positional.push_back(a);
        }
    }
    return o;
}

TPelkFrameList loadPel(const std::string& path, int32_t key, bool keepLayers) {
    if (!nuvo::platform::isFile(path)) nuvo::raiseError(nuvo::sjisText("ファイルがありません: ") + path);
    TPelkFrameList list(key);
    nuvo::TKvMemoryStream s(nuvo::readWholeFile(path));
    list.LoadFromStream(s, false, keepLayers, false);
    return list;
}

const char* compressionName(int c) {
    switch (c) {
    case 0: return "zlib";
    case 1: return "none";
    case 2: return "lossy";
    default: return "unknown";
    }
}

void printAreas(const char* label, const std::vector<nuvo::TRect>& areas) {
    std::printf("    %s %zu", label, areas.size());
    for (const nuvo::TRect& r : areas) std::printf(" (%d,%d,%d,%d)", r.Left, r.Top, r.Right, r.Bottom);
    std::printf("\n");
}

int runInfo(const Options& o) {
    if (o.positional.size() != 1 || o.frame || o.lossy) return fail("usage: nuvotool pel info FILE.pel [--key K]");
    TPelkFrameList list = loadPel(o.positional[0], o.key.value_or(0), true);
    std::printf("version %d\n", list.Version);
    std::printf("frames %d\n", list.Count());
    std::printf("compression %d (%s)\n", list.Compression, compressionName(list.Compression));
    std::printf("scrambled %d\n", list.Scrambled);
    std::printf("blocks %dx%d\n", list.BlockWidth, list.BlockHeight);
    std::printf("background 0x%06X\n", static_cast<unsigned>(list.BackgroundColour));
    std::printf("first-layer-opaque %d\n", list.FirstLayerOpaque);
    std::printf("quality %d\n", list.Quality);
    for (int i = 0; i < list.Count(); ++i) {
        TPelkFrame& f = list.GetFrame(i);
        std::printf("frame %d \"%s\" %dx%d %d-bit duration %d key %d mask %s layers %d\n", i,
                    nuvo::sjisToUtf8Escaped(f.Name).c_str(), f.Width(), f.Height(), f.Composite.BitCount(),
                    f.Duration, f.TransparentValue, f.HasMask() ? "yes" : "no", f.LayerCount());
        for (int j = 0; j < f.LayerCount(); ++j) {
            const nuvo::TPelkLayer& l = *f.Layers[static_cast<size_t>(j)];
            std::printf("  layer %d \"%s\" visible %d opacity %d key %d mask-enabled %d colour-plane %d mask-plane %d\n",
                        j, nuvo::sjisToUtf8Escaped(l.Name).c_str(), l.Visible, l.Opacity, l.TransparentValue,
                        l.MaskEnabled, l.ColourPlaneSize, l.MaskPlaneSize);
        }
        printAreas("content-areas", f.ContentAreas);
        printAreas("other-areas", f.OtherAreas);
    }
    return 0;
}

int runToPng(const Options& o) {
    if (o.positional.size() != 2 || o.lossy)
        return fail("usage: nuvotool pel topng FILE.pel OUT.png [--frame N] [--key K]");
    TPelkFrameList list = loadPel(o.positional[0], o.key.value_or(0), false);
    const int index = o.frame.value_or(0);
    if (index >= list.Count()) return fail("the file has " + std::to_string(list.Count()) + " frame(s)");
    TPelkFrame& f = list.GetFrame(index);
    const std::vector<uint8_t> png = nuvo::WritePng(f.Composite, f.TransparentValue);
    nuvo::platform::writeFileAtomic(o.positional[1], png.data(), png.size());
    return 0;
}

int runFromPng(const Options& o) {
    if (o.positional.size() != 2 || o.frame)
        return fail("usage: nuvotool pel frompng IN.png OUT.pel [--key K | --lossy Q]");
    if (o.key && o.lossy) return fail("--key and --lossy exclude each other: a key stores planes uncompressed");
    if (!nuvo::platform::isFile(o.positional[0])) return fail("no such file: " + o.positional[0]);
    nuvo::ConvertPngFileToPel(o.positional[0], o.positional[1], o.key.value_or(0), o.lossy.value_or(0));
    return 0;
}

int runPel(const Args& args) {
    if (args.empty() || (args.size() == 1 && wantsHelp(args))) {
        std::fputs(kHelp, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    if (wantsHelp(args)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    const std::string command = args[0];
    std::string error;
    const std::optional<Options> o = parse(Args(args.begin() + 1, args.end()), error);
    if (!o) return fail(error);
    if (command == "info") return runInfo(*o);
    if (command == "topng") return runToPng(*o);
    if (command == "frompng") return runFromPng(*o);
    return fail("unknown pel command '" + command + "' (info, topng, frompng)");
}

NuvoCommand reg("pel", "layered images: info, to and from PNG", &runPel);

} // namespace
} // namespace nuvotool
