// nuvotool wipe: renders the frames of one transition as PNG files, so a
// person can look at any kind and tests can compare it.
#include "Command.h"

#include "base/Error.h"
#include "platform/FileSystem.h"
#include "render/DIBSurface.h"
#include "render/ImageCodecs.h"
#include "render/PelkImage.h"
#include "render/wipe/Wipe.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace nuvotool {
namespace {

namespace fs = std::filesystem;
using namespace nuvo;

const char* kDetails = "Renders the transition KIND (a number 1..38 or a name such as WP_FADE or fade)\n"
                    "from the picture FROM to the picture TO (PNG, BMP or layered image, both the\n"
                    "same size) and writes the screen after each step as OUTDIR/t-000000.png,\n"
                    "OUTDIR/t-000100.png, ... (elapsed milliseconds, six digits), for t = 0, S, 2S,\n"
                    "... while t < duration.\n"
                    "\n"
                    "  --duration MS  length of the transition (default 1000, must be positive)\n"
                    "  --step MS      time between frames (default 100)\n"
                    "  --reverse      the kind's reverse variant\n"
                    "  --param A,B    parameters P0 and P1 instead of the kind's defaults (either\n"
                    "                 may be left empty: '--param 30,' or '--param ,5')\n"
                    "  --mask FILE    the mask picture of the mask kinds (19, 20, 21)\n"
                    "\n"
                    "The screen starts as FROM, as the player's does. Zoom in (30) defaults to the\n"
                    "picture's centre, as a title's screen centre is in the player; crack (29) and\n"
                    "block random (38) draw from the script generator seeded with 0.\n";

std::optional<int32_t> parseInt(const std::string& s) {
    int32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

// Pictures named on the command line are file paths.
class TFilePictures : public IWipePictureSource {
public:
    bool LoadWipePicture(const std::string& name, TDIBSurface& picture) override {
        TPelkFrameList list;
        list.LoadFromFile(name, true, false, false);
        if (list.Count() == 0) return false;
        picture.Duplicate(list.GetFrame(0).Composite);
        return true;
    }
};

bool loadPicture(const std::string& path, TDIBSurface& surface, std::string& error) {
    if (!fs::is_regular_file(fs::u8path(path))) {
        error = fileMessage(path, "no such file");
        return false;
    }
    TPelkFrameList list;
    list.LoadFromFile(path, true, false, false);
    if (list.Count() == 0) {
        error = fileMessage(path, "not a PNG, BMP or layered image");
        return false;
    }
    surface.SetSize(1, 1, 32);
    CopyToSurface(list.GetFrame(0), surface);
    return true;
}

struct TOptions {
    int32_t duration = 1000;
    int32_t step = 100;
    bool reverse = false;
    std::optional<int32_t> p0, p1;
    std::string mask;
};

TOptions parseOptions(const Invocation& call) {
    using nuvo::cli::EUsageError;
    TOptions o;
    o.reverse = call.line.Has("--reverse");
    o.duration = static_cast<int32_t>(call.line.Integer("--duration", 1, INT32_MAX, 1000));
    o.step = static_cast<int32_t>(call.line.Integer("--step", 1, INT32_MAX, 100));
    if (const auto v = call.line.Value("--param")) {
        const size_t comma = v->find(',');
        const std::string first = v->substr(0, comma);
        const std::string second = comma == std::string::npos ? "" : v->substr(comma + 1);
        if (!first.empty() && !(o.p0 = parseInt(first))) throw EUsageError("--param: '" + first + "' is not a number");
        if (!second.empty() && !(o.p1 = parseInt(second)))
            throw EUsageError("--param: '" + second + "' is not a number");
    }
    o.mask = call.line.Value("--mask", "");
    return o;
}

int32_t parseKind(const std::string& s) {
    if (const auto n = parseInt(s)) return *n >= 1 && *n < kWipeKindCount ? *n : -1;
    const int32_t k = wipeKindByIdentifier(s);
    return k >= 1 ? k : -1;
}

int runWipe(Invocation& call) {
    const TOptions o = parseOptions(call);
    const Args& positional = call.args();
    const int32_t kind = parseKind(positional[0]);
    if (kind < 0)
        throw nuvo::cli::EUsageError("unknown transition kind '" + positional[0] + "' (1..38 or a WP_ name)");

    TDIBSurface from, to;
    std::string error;
    if (!loadPicture(positional[1], from, error) || !loadPicture(positional[2], to, error)) return fail(error);
    if (from.Width() != to.Width() || from.Height() != to.Height())
        return fail("FROM is " + std::to_string(from.Width()) + " x " + std::to_string(from.Height()) +
                    " but TO is " + std::to_string(to.Width()) + " x " + std::to_string(to.Height()) +
                    "; both pictures must be the same size");

    TDIBSurface dest(from.Width(), from.Height(), 32);
    dest.Assign(from);
    TWipeRandom random(0);
    TFilePictures files;
    TWipeContext context;
    context.Random = &random;
    context.Pictures = &files;
    context.SetDefaultParams(WP_ZOOMIN, from.Width() / 2, from.Height() / 2);
    std::unique_ptr<TCustomWipe> wipe = CreateWipe(kind, dest, from, to, &context);
    if (!wipe) return fail("kind " + std::to_string(kind) + " makes no transition");
    wipe->Duration = o.duration;
    wipe->SetReverse(o.reverse);
    if (o.p0) wipe->SetParam(0, *o.p0);
    if (o.p1) wipe->SetParam(1, *o.p1);
    if (!o.mask.empty()) wipe->SetMaskName(o.mask);
    wipe->Prepare();

    const fs::path outDir = fs::u8path(positional[3]);
    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (!fs::is_directory(outDir)) return failFile(positional[3], "cannot create the folder", ec.message());
    int frames = 0;
    for (int64_t t = 0; t < o.duration; t += o.step) {
        wipe->Elapsed = static_cast<int32_t>(t);
        wipe->Step();
        char name[32];
        std::snprintf(name, sizeof name, "t-%06lld.png", static_cast<long long>(t));
        const std::vector<uint8_t> png = WritePng(dest, -1);
        platform::writeFileAtomic((outDir / name).string(), png.data(), png.size());
        ++frames;
    }
    call.out += std::string(wipeKindInfo(kind).Identifier) + ": " + std::to_string(frames) + " frames of " +
                std::to_string(dest.Width()) + " x " + std::to_string(dest.Height()) + " written to " + positional[3] +
                "\n";
    return 0;
}

const NuvoGroup group({"wipe", "render the frames of a transition as PNG files", "",
                       {
                           {"", "KIND FROM TO OUTDIR [--duration MS] [--step MS] [--reverse] [--param A,B] [--mask FILE]",
                            "render the frames of a transition as PNG files", kDetails,
                            {{"--duration", Arity::Value},
                             {"--step", Arity::Value},
                             {"--reverse"},
                             {"--param", Arity::Value},
                             {"--mask", Arity::Value}},
                            4, 4, &runWipe},
                       }});

} // namespace
} // namespace nuvotool
