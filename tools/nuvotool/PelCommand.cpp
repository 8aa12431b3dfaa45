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

const char* kNotes =
    "K is the title's image key (the project's ImageSeed), needed to read files\n"
    "written with one: rows and blocks come out scrambled with a wrong key. A key\n"
    "makes frompng store its planes in key order and uncompressed; --lossy stores\n"
    "the colour plane as JPEG at quality Q (1..100) and cannot go with a key.\n"
    "A PNG's alpha channel becomes the frame's mask, a single transparent colour\n"
    "its colour key; topng writes them back the same way. Names are shown in\n"
    "UTF-8 with \\x{HH} escapes for bytes without an exact form.\n";

// Keys are signed 32-bit values; their unsigned spelling (and hexadecimal)
// is accepted too.
int32_t keyOption(const Invocation& call) {
    const auto text = call.line.Value("--key");
    if (!text) return 0;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text->c_str(), &end, 0);
    if (text->empty() || *end || errno || v < INT32_MIN || v > static_cast<long long>(UINT32_MAX))
        throw nuvo::cli::EUsageError("--key takes a 32-bit number, not \"" + *text + "\"");
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

TPelkFrameList loadPel(const std::string& path, int32_t key, bool keepLayers) {
    if (!nuvo::platform::isFile(path)) throw EToolError(fileMessage(path, "no such file"));
    TPelkFrameList list(key);
    try {
        nuvo::TKvMemoryStream s(nuvo::readWholeFile(path));
        list.LoadFromStream(s, false, keepLayers, false);
    } catch (const nuvo::ENuvoError& e) {
        throw EToolError(fileMessage(path, "not a readable layered image", errorText(e)));
    }
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

// printf into the command's output.
template <typename... T> void put(std::string& out, const char* format, T... values) {
    const int n = std::snprintf(nullptr, 0, format, values...);
    std::string text(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, values...);
    text.pop_back();
    out += text;
}

void printAreas(std::string& out, const char* label, const std::vector<nuvo::TRect>& areas) {
    put(out, "    %s %zu", label, areas.size());
    for (const nuvo::TRect& r : areas) put(out, " (%d,%d,%d,%d)", r.Left, r.Top, r.Right, r.Bottom);
    out += "\n";
}

int runInfo(Invocation& call) {
    std::string& out = call.out;
    TPelkFrameList list = loadPel(call.arg(0), keyOption(call), true);
    put(out, "version %d\n", list.Version);
    put(out, "frames %d\n", list.Count());
    put(out, "compression %d (%s)\n", list.Compression, compressionName(list.Compression));
    put(out, "scrambled %d\n", list.Scrambled);
    put(out, "blocks %dx%d\n", list.BlockWidth, list.BlockHeight);
    put(out, "background 0x%06X\n", static_cast<unsigned>(list.BackgroundColour));
    put(out, "first-layer-opaque %d\n", list.FirstLayerOpaque);
    put(out, "quality %d\n", list.Quality);
    for (int i = 0; i < list.Count(); ++i) {
        TPelkFrame& f = list.GetFrame(i);
        put(out, "frame %d \"%s\" %dx%d %d-bit duration %d key %d mask %s layers %d\n", i,
                    nuvo::sjisToUtf8Escaped(f.Name).c_str(), f.Width(), f.Height(), f.Composite.BitCount(),
                    f.Duration, f.TransparentValue, f.HasMask() ? "yes" : "no", f.LayerCount());
        for (int j = 0; j < f.LayerCount(); ++j) {
            const nuvo::TPelkLayer& l = *f.Layers[static_cast<size_t>(j)];
            put(out, "  layer %d \"%s\" visible %d opacity %d key %d mask-enabled %d colour-plane %d mask-plane %d\n",
                        j, nuvo::sjisToUtf8Escaped(l.Name).c_str(), l.Visible, l.Opacity, l.TransparentValue,
                        l.MaskEnabled, l.ColourPlaneSize, l.MaskPlaneSize);
        }
        printAreas(out, "content-areas", f.ContentAreas);
        printAreas(out, "other-areas", f.OtherAreas);
    }
    return 0;
}

int runToPng(Invocation& call) {
    const int index = static_cast<int>(call.line.Integer("--frame", 0, INT32_MAX, 0));
    TPelkFrameList list = loadPel(call.arg(0), keyOption(call), false);
    if (index >= list.Count())
        return failFile(call.arg(0), "no frame " + std::to_string(index) + " (the file has " +
                                         std::to_string(list.Count()) + ")");
    TPelkFrame& f = list.GetFrame(index);
    const std::vector<uint8_t> png = nuvo::WritePng(f.Composite, f.TransparentValue);
    nuvo::platform::writeFileAtomic(call.arg(1), png.data(), png.size());
    return 0;
}

int runFromPng(Invocation& call) {
    const int lossy = static_cast<int>(call.line.Integer("--lossy", 1, 100, 0));
    if (call.line.Has("--key") && lossy)
        throw nuvo::cli::EUsageError("--key and --lossy exclude each other: a key stores planes uncompressed");
    const int32_t key = keyOption(call);
    if (!nuvo::platform::isFile(call.arg(0))) return failFile(call.arg(0), "no such file");
    try {
        nuvo::ConvertPngFileToPel(call.arg(0), call.arg(1), key, lossy);
    } catch (const nuvo::ENuvoError& e) {
        return failFile(call.arg(0), "cannot convert", errorText(e));
    }
    return 0;
}

const NuvoGroup group({"pel", "layered images: info, to and from PNG", kNotes,
                       {
                           {"info", "FILE.pel [--key K]", "header, frames, layers and planes", "",
                            {{"--key", Arity::Value}}, 1, 1, &runInfo},
                           {"topng", "FILE.pel OUT.png [--frame N] [--key K]", "one frame (default 0) as a PNG", "",
                            {{"--key", Arity::Value}, {"--frame", Arity::Value}}, 2, 2, &runToPng},
                           {"frompng", "IN.png OUT.pel [--key K | --lossy Q]", "a PNG as a one-frame layered image",
                            "", {{"--key", Arity::Value}, {"--lossy", Arity::Value}}, 2, 2, &runFromPng},
                       }});

} // namespace
} // namespace nuvotool
