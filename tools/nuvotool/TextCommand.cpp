// nuvotool text: render rich text to PNG, show its layout and its glyphs, so
// an author sees a text as a title would show it without running the title.
#include "Command.h"

#include "base/Cp932.h"
#include "base/Error.h"
#include "base/Stream.h"
#include "platform/FileSystem.h"
#include "platform/Fonts.h"
#include "render/ImageCodecs.h"
#include "render/PelkImage.h"
#include "script/ParamCollection.h"
#include "script/VariableDump.h"
#include "text/FontPixel.h"
#include "text/KvWord.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>

namespace nuvotool {
namespace {

namespace fs = std::filesystem;
using nuvo::TKvWord;

const char* kNotes =
    "IN is a file of markup in UTF-8 ('-' reads standard input); bytes without an\n"
    "exact UTF-8 form are written \\x{HH} or \\x{HHHH}. The markup and the element\n"
    "stream are described in docs/text-format.md. Colours are #RRGGBB.\n"
    "\n"
    "Options of the text (render and layout):\n"
    "  --font NAME          default font (default \"ＭＳ ゴシック\", drawn with IPAGothic)\n"
    "  --size N             default character height in pixels (default 12)\n"
    "  --color C            default colour (default #000000)\n"
    "  --border N           outline width 0..16 (default 0)\n"
    "  --border-color C     outline colour (default #808080)\n"
    "  --shadow N           shadow offset 0..256 (default 0)\n"
    "  --shadow-color C     shadow colour (default #000000)\n"
    "  --line-space N       pixels between rows (default 0)\n"
    "  --antialias on|off   anti-aliased glyphs (default on)\n";

const char* kRenderDetails =
    "Lays the text out W pixels wide (default: as wide as its widest row) and\n"
    "draws page K (default 0) fully revealed, or only its elements before index N\n"
    "(--reveal), over the background (default #FFFFFF). --page-height turns\n"
    "paging on: rows that would pass H start a new page. The picture is W x H,\n"
    "H being the page's rows when not given. --page all writes every page, as\n"
    "OUT-000.png, OUT-001.png, ... --var declares a variable for VAR tags (as\n"
    "expr eval does: TYPE int, float, flag or str); IMG sources are files in\n"
    "--data (PNG, BMP or layered images; names as titles write them).\n";

const char* kLayoutDetails =
    "Prints the layout as JSON: {\"width\", \"pages\": [{\"rows\": [{\"x\", \"y\", \"w\",\n"
    "\"h\", \"elements\": [...]}]}]}. Each element has its index in the text (-1 for\n"
    "the indentation space layout makes; a variable's characters carry the VAR's),\n"
    "type (char, varchar, img, return, align, indent, undent, event, var,\n"
    "histchar, space), text, x, y, w, h in the text area, size, color (its style's,\n"
    "-1 the text's), style (1 bold, 2 italic, 4 underline, 8 strikeout), link, ruby\n"
    "and wait.\n";

const char* kGlyphDetails =
    "Prints, for each character of TEXT, the glyph cache's entry as JSON: code,\n"
    "font, height, styleBits, level, originX, originY, underlineSize, strikePos,\n"
    "strikeSize, extraAdvance, bitmapWidth, bitmapHeight and coverage (one string\n"
    "a row, two hexadecimal digits a pixel). --style BITS: 1 bold, 2 italic, 4\n"
    "underline, 8 strikeout; --level 0 is monochrome, 3 the finest grey.\n";

const std::vector<nuvo::cli::OptionDef> kWordOptions = {
    {"--font", Arity::Value},   {"--size", Arity::Value},   {"--color", Arity::Value},
    {"--border", Arity::Value}, {"--border-color", Arity::Value}, {"--shadow", Arity::Value},
    {"--shadow-color", Arity::Value}, {"--line-space", Arity::Value}, {"--antialias", Arity::Value},
};

std::vector<nuvo::cli::OptionDef> withWordOptions(std::vector<nuvo::cli::OptionDef> own) {
    own.insert(own.end(), kWordOptions.begin(), kWordOptions.end());
    return own;
}

std::string toSjis(const std::string& utf8, const std::string& what) {
    auto sjis = nuvo::utf8EscapedToSjis(utf8);
    if (!sjis) throw EToolError(what + ": the text has no Shift-JIS form");
    return *sjis;
}

// "#RRGGBB" as a colour (red in the low byte).
int32_t colourOption(const Invocation& call, const char* name, int32_t fallback) {
    const auto text = call.line.Value(name);
    if (!text) return fallback;
    const auto hex = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    int32_t v[3];
    bool ok = text->size() == 7 && (*text)[0] == '#';
    for (int k = 0; ok && k < 3; ++k) {
        const int hi = hex((*text)[1 + 2 * k]), lo = hex((*text)[2 + 2 * k]);
        ok = hi >= 0 && lo >= 0;
        v[k] = hi * 16 + lo;
    }
    if (!ok) throw nuvo::cli::EUsageError(std::string(name) + " takes a colour #RRGGBB, not \"" + *text + "\"");
    return v[0] | v[1] << 8 | v[2] << 16;
}

void applyWordOptions(const Invocation& call, TKvWord& word) {
    if (auto font = call.line.Value("--font")) word.FontName = toSjis(*font, "--font");
    word.FontSize = static_cast<int32_t>(call.line.Integer("--size", 1, nuvo::kMaxGlyphHeight, 12));
    word.FontColor = colourOption(call, "--color", 0x000000);
    word.BorderWidth = static_cast<int32_t>(call.line.Integer("--border", 0, nuvo::kMaxOutlineWidth, 0));
    word.BorderColor = colourOption(call, "--border-color", 0x808080);
    word.ShadowOffset = static_cast<int32_t>(call.line.Integer("--shadow", 0, nuvo::kMaxShadowOffset, 0));
    word.ShadowColor = colourOption(call, "--shadow-color", 0x000000);
    word.LineSpace = static_cast<int32_t>(call.line.Integer("--line-space", -1024, 1024, 0));
    const std::string aa = call.line.Value("--antialias", "on");
    if (aa != "on" && aa != "off") throw nuvo::cli::EUsageError("--antialias takes on or off, not \"" + aa + "\"");
    word.Antialias = aa == "on" ? 3 : 0;
}

std::string readInput(const std::string& path) {
    if (path == "-") return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    if (!nuvo::platform::isFile(path)) throw EToolError(fileMessage(path, "no such file"));
    const std::vector<uint8_t> bytes = nuvo::readWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// ---- Pictures of IMG tags -------------------------------------------------------

class TFilePicture final : public nuvo::IWordPicture {
public:
    struct Frame {
        nuvo::TDIBSurface picture;
        int32_t key = -1;
        int32_t duration = 100;
    };
    std::vector<Frame> frames;

    int32_t Width() const override { return frames[0].picture.Width(); }
    int32_t Height() const override { return frames[0].picture.Height(); }
    int FrameCount() const override { return static_cast<int>(frames.size()); }
    int32_t FrameDuration(int frame) const override { return std::max(1, frames[static_cast<size_t>(frame)].duration); }
    void DrawFrame(int frame, nuvo::TCustomDIBX& target, int32_t x, int32_t y, int32_t alpha,
                   const nuvo::TRect& sourceRect) override {
        Frame& f = frames[static_cast<size_t>(frame)];
        f.picture.TransparentColor = f.key;
        if (f.picture.Mask) {
            if (alpha >= 255) target.DrawMask(x, y, f.picture, sourceRect, *f.picture.Mask);
            else target.DrawAlphaMask(x, y, f.picture, sourceRect, *f.picture.Mask, alpha);
        } else if (alpha >= 255)
            target.Draw(x, y, f.picture, sourceRect, f.key >= 0);
        else
            target.DrawAlpha(x, y, f.picture, sourceRect, alpha, f.key >= 0);
    }
};

// A title's name (backslashes, any letter case) as a file under the folder.
std::optional<fs::path> findDataFile(const fs::path& folder, const std::string& sjisName) {
    std::string name = nuvo::sjisToUtf8Escaped(sjisName);
    std::replace(name.begin(), name.end(), '\\', '/');
    fs::path at = folder;
    std::error_code ec;
    for (const auto& part : fs::path(name)) {
        if (part.empty() || part == "/" || part == "." || part == "..") continue;
        if (fs::exists(at / part, ec)) {
            at /= part;
            continue;
        }
        std::optional<fs::path> match;
        for (const auto& entry : fs::directory_iterator(at, ec))
            if (nuvo::sjisSameText(entry.path().filename().string(), part.string())) match = entry.path();
        if (!match) return std::nullopt;
        at = *match;
    }
    return fs::is_regular_file(at, ec) ? std::optional<fs::path>(at) : std::nullopt;
}

std::unique_ptr<nuvo::IWordPicture> loadPicture(const fs::path& folder, const std::string& src) {
    const auto path = findDataFile(folder, src);
    if (!path) return nullptr;
    auto result = std::make_unique<TFilePicture>();
    try {
        const std::vector<uint8_t> bytes = nuvo::readWholeFile(path->string());
        if (bytes.size() >= 4 && std::equal(bytes.begin(), bytes.begin() + 4, "Pelk")) {
            nuvo::TPelkFrameList list;
            nuvo::TKvMemoryStream s(bytes);
            list.LoadFromStream(s, false, false, false);
            for (int i = 0; i < list.Count(); ++i) {
                nuvo::TPelkFrame& f = list.GetFrame(i);
                TFilePicture::Frame frame;
                frame.picture.SetSize(f.Width(), f.Height(), f.Composite.BitCount());
                frame.picture.Assign(f.Composite);
                if (f.Composite.Mask) frame.picture.AssignMask(*f.Composite.Mask);
                frame.key = f.TransparentValue;
                frame.duration = f.Duration;
                result->frames.push_back(std::move(frame));
            }
        } else {
            TFilePicture::Frame frame;
            if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') nuvo::ReadBitmapFile(bytes.data(), bytes.size(), frame.picture);
            else nuvo::ReadPng(bytes.data(), bytes.size(), frame.picture, frame.key);
            result->frames.push_back(std::move(frame));
        }
    } catch (const nuvo::ENuvoError& e) {
        throw EToolError(fileMessage(path->string(), "not a readable picture", errorText(e)));
    }
    if (result->frames.empty()) return nullptr;
    // Drawn onto a 32-bit picture: same format, the key converted with it.
    for (TFilePicture::Frame& f : result->frames) {
        const int32_t keyColour = f.key >= 0 ? f.picture.PixelToColor(static_cast<uint32_t>(f.key)) : -1;
        f.picture.SetBitCount(32);
        f.key = keyColour >= 0 ? f.picture.ColorToPixel(keyColour) : -1;
    }
    return result;
}

// ---- The word of a command ----------------------------------------------------------

struct TextRun {
    std::unique_ptr<nuvo::platform::IFontEngine> fonts;
    std::unique_ptr<nuvo::TFontPixelManager> glyphs;
    nuvo::TParamCollection vars;
    TKvWord word;
    nuvo::TWdPageList pages;
};

void prepare(Invocation& call, TextRun& run) {
    TKvWord& word = run.word;
    applyWordOptions(call, word);
    word.Width = static_cast<int32_t>(call.line.Integer("--width", 0, 32767, 0));
    if (call.line.Has("--page-height")) {
        word.Paging = true;
        word.PageHeight = static_cast<int32_t>(call.line.Integer("--page-height", 1, 32767, 0));
    }
    for (const std::string& declaration : call.line.Values("--var")) {
        try {
            nuvo::declareVariable(run.vars, declaration);
        } catch (const nuvo::ENuvoError& e) {
            throw nuvo::cli::EUsageError("--var " + declaration + ": " + errorText(e));
        }
    }
    word.VariableText = [&run](const std::string& name) -> std::optional<std::string> {
        const nuvo::TParamCollectionItem* item = run.vars.Find(name);
        if (!item) return std::nullopt;
        return item->Value()->AsString();
    };
    if (auto data = call.line.Value("--data")) {
        const fs::path folder = *data;
        word.LoadPicture = [folder](const std::string& src) { return loadPicture(folder, src); };
    }
    const std::string& in = call.arg(0);
    const std::string markup = toSjis(readInput(in), in);
    try {
        word.SetText(std::string_view(markup));
    } catch (const nuvo::ENuvoError& e) {
        throw EToolError(fileMessage(in == "-" ? "standard input" : in, "the markup is not valid", errorText(e)));
    }
    word.Layout(run.pages);
}

void openGlyphs(TextRun& run) {
    run.fonts = nuvo::platform::createFontEngine({});
    run.glyphs = std::make_unique<nuvo::TFontPixelManager>(*run.fonts);
    run.word.Glyphs = run.glyphs.get();
}

// ---- JSON ----------------------------------------------------------------------------

void appendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"') out += "\\\"";
        else if (c == '\\') out += "\\\\";
        else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else
            out += ch;
    }
    out += '"';
}

void appendSjis(std::string& out, std::string_view sjis) { appendJsonString(out, nuvo::sjisToUtf8Escaped(sjis)); }

void field(std::string& out, const char* name, int64_t v, bool comma = true) {
    out += '"';
    out += name;
    out += "\":" + std::to_string(v);
    if (comma) out += ',';
}

void elementJson(std::string& out, const TKvWord& word, const nuvo::TWdRow& row, const nuvo::TWdGlyph& e) {
    const nuvo::TRect r = e.AreaRect();
    int32_t index = e.Index;
    if (const auto* vc = dynamic_cast<const nuvo::TWdVarChar*>(&e)) index = vc->Source ? vc->Source->Index : -1;
    std::string text, link, ruby;
    int32_t size = 0, color = -1, style = 0, wait = 0;
    const nuvo::TDecorate* deco = nullptr;
    if (const auto* c = dynamic_cast<const nuvo::TWdChar*>(&e)) {
        text = c->Text();
        deco = c->Style();
    } else if (const auto* img = dynamic_cast<const nuvo::TWdImg*>(&e)) {
        text = img->Src;
        ruby = img->Ruby;
    } else if (const auto* ev = dynamic_cast<const nuvo::TWdOpeEvent*>(&e)) {
        text = ev->Handler;
        wait = ev->Wait;
    } else if (const auto* op = dynamic_cast<const nuvo::TWdStyledOpe*>(&e)) {
        text = op->Value;
        deco = op->Style();
    }
    if (const auto* real = dynamic_cast<const nuvo::TWdReal*>(&e)) {
        link = real->Link;
        wait = real->Wait;
    }
    if (deco) {
        size = word.CellOf(deco).size;
        color = deco->Color;
        style = deco->Style;
        ruby = deco->Ruby;
    }
    (void)row;
    out += '{';
    field(out, "index", index);
    out += "\"type\":";
    appendJsonString(out, e.Kind());
    out += ",\"text\":";
    appendSjis(out, text);
    out += ',';
    field(out, "x", r.Left);
    field(out, "y", r.Top);
    field(out, "w", e.Width);
    field(out, "h", e.Height);
    field(out, "size", size);
    field(out, "color", color);
    field(out, "style", style);
    out += "\"link\":";
    appendSjis(out, link);
    out += ",\"ruby\":";
    appendSjis(out, ruby);
    out += ',';
    field(out, "wait", wait, false);
    out += '}';
}

int runLayout(Invocation& call) {
    TextRun run;
    prepare(call, run);
    std::string& out = call.out;
    out += '{';
    field(out, "width", run.word.Width);
    out += "\"pages\":[";
    for (size_t p = 0; p < run.pages.size(); ++p) {
        if (p) out += ',';
        out += "{\"rows\":[";
        const auto& rows = run.pages[p]->Rows;
        for (size_t r = 0; r < rows.size(); ++r) {
            const nuvo::TWdRow& row = *rows[r];
            if (r) out += ',';
            out += '{';
            field(out, "x", row.X);
            field(out, "y", row.Y);
            field(out, "w", row.Width);
            field(out, "h", row.Height);
            out += "\"elements\":[";
            for (size_t k = 0; k < row.Items.size(); ++k) {
                if (k) out += ',';
                elementJson(out, run.word, row, *row.Items[k]);
            }
            out += "]}";
        }
        out += "]}";
    }
    out += "]}\n";
    return 0;
}

// ---- render ---------------------------------------------------------------------------

std::string pagePath(const std::string& out, size_t page) {
    std::string base = out;
    if (base.size() > 4) {
        std::string ext = base.substr(base.size() - 4);
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (ext == ".png") base.resize(base.size() - 4);
    }
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "-%03zu.png", page);
    return base + suffix;
}

void renderPage(Invocation& call, TextRun& run, nuvo::TWdPage& page, const std::string& path) {
    TKvWord& word = run.word;
    const int32_t width = std::max(1, word.Width);
    const int32_t height = call.line.Has("--page-height") ? word.PageHeight : std::max(1, page.ContentHeight());
    nuvo::TDIBSurface picture(width, height, 32);
    picture.Clear(picture.ColorToPixel(colourOption(call, "--background", 0xFFFFFF)));
    const int64_t reveal = call.line.Integer("--reveal", 0, INT32_MAX, INT32_MAX);
    page.ForEach([&](const nuvo::TWdRow&, nuvo::TWdGlyph& e) {
        auto* real = dynamic_cast<nuvo::TWdReal*>(&e);
        if (!real) return;
        int32_t index = e.Index;
        if (const auto* vc = dynamic_cast<const nuvo::TWdVarChar*>(&e)) index = vc->Source ? vc->Source->Index : -1;
        real->Alpha = index < reveal ? 255 : 0;
    });
    word.RenderPage(page, 32);
    word.DrawPage(page, picture);
    const std::vector<uint8_t> png = nuvo::WritePng(picture, -1);
    try {
        nuvo::platform::writeFileAtomic(path, png.data(), png.size());
    } catch (const nuvo::ENuvoError& e) {
        throw EToolError(fileMessage(path, "cannot be written", errorText(e)));
    }
}

int runRender(Invocation& call) {
    TextRun run;
    const std::string which = call.line.Value("--page", "0");
    std::optional<int64_t> only;
    if (which != "all") only = nuvo::cli::parseWholeNumber(which, "--page", 0, INT32_MAX);
    prepare(call, run);
    openGlyphs(run);
    const std::string& out = call.arg(1);
    try {
        if (only) {
            if (static_cast<size_t>(*only) >= std::max<size_t>(run.pages.size(), 1))
                return failFile(call.arg(0), "no page " + std::to_string(*only) + " (the text has " +
                                                 std::to_string(run.pages.size()) + ")");
            if (run.pages.empty()) run.pages.push_back(std::make_unique<nuvo::TWdPage>(&run.word));
            renderPage(call, run, *run.pages[static_cast<size_t>(*only)], out);
        } else
            for (size_t p = 0; p < run.pages.size(); ++p) renderPage(call, run, *run.pages[p], pagePath(out, p));
    } catch (const nuvo::ENuvoError& e) {
        return failFile(call.arg(0), "cannot be drawn", errorText(e));
    }
    return 0;
}

// ---- glyph ------------------------------------------------------------------------------

int runGlyph(Invocation& call) {
    const std::string text = toSjis(call.arg(0), "TEXT");
    const std::string font = toSjis(call.line.Value("--font", std::string(nuvo::platform::kDefaultFaceName)), "--font");
    const int32_t size = static_cast<int32_t>(call.line.Integer("--size", 1, nuvo::kMaxGlyphHeight, 12));
    const auto style = static_cast<uint8_t>(call.line.Integer("--style", 0, 15, 0));
    const int32_t level = static_cast<int32_t>(call.line.Integer("--level", 0, 3, 3));
    auto fonts = nuvo::platform::createFontEngine({});
    nuvo::TFontPixelManager glyphs(*fonts);
    glyphs.SetLevel(level);
    std::string& out = call.out;
    out += "[";
    bool first = true;
    try {
        for (uint16_t code : nuvo::charCodes(text)) {
            const nuvo::TFontPixel& g = glyphs.GetGlyph(code, font, style, size);
            out += first ? "\n" : ",\n";
            first = false;
            out += "{";
            field(out, "code", code);
            out += "\"font\":";
            appendSjis(out, g.Font);
            out += ',';
            field(out, "height", g.Height);
            field(out, "styleBits", g.StyleBits);
            field(out, "level", g.Level);
            field(out, "originX", g.OriginX);
            field(out, "originY", g.OriginY);
            field(out, "underlineSize", g.UnderlineSize);
            field(out, "strikePos", g.StrikePos);
            field(out, "strikeSize", g.StrikeSize);
            field(out, "extraAdvance", g.ExtraAdvance);
            field(out, "bitmapWidth", g.BitmapWidth());
            field(out, "bitmapHeight", g.BitmapHeight());
            out += "\"coverage\":[";
            for (int32_t y = 0; y < g.BitmapHeight(); ++y) {
                out += y ? ",\"" : "\"";
                for (int32_t x = 0; x < g.BitmapWidth(); ++x) {
                    char hex[4];
                    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(g.Coverage->GetPixel(x, y)));
                    out += hex;
                }
                out += '"';
            }
            out += "]}";
        }
    } catch (const nuvo::ENuvoError& e) {
        return fail("no font can be opened (" + errorText(e) + ")");
    }
    out += first ? "]\n" : "\n]\n";
    return 0;
}

const NuvoGroup group(
    {"text", "rich text: render to PNG, show the layout and the glyphs", kNotes,
     {
         {"render",
          "IN OUT.png [--width W] [--page-height H] [--page K|all] [--reveal N] [--var NAME:TYPE=VALUE]... "
          "[--data DIR] [--background C] [text options]",
          "draw a page of rich text as a PNG", kRenderDetails,
          withWordOptions({{"--width", Arity::Value},
                           {"--page-height", Arity::Value},
                           {"--page", Arity::Value},
                           {"--reveal", Arity::Value},
                           {"--var", Arity::Repeated},
                           {"--data", Arity::Value},
                           {"--background", Arity::Value}}),
          2, 2, &runRender},
         {"layout",
          "IN [--width W] [--page-height H] [--var NAME:TYPE=VALUE]... [--data DIR] [text options]",
          "print the rows and elements of each page as JSON", kLayoutDetails,
          withWordOptions({{"--width", Arity::Value},
                           {"--page-height", Arity::Value},
                           {"--var", Arity::Repeated},
                           {"--data", Arity::Value}}),
          1, 1, &runLayout},
         {"glyph", "TEXT [--font NAME] [--size N] [--style BITS] [--level 0-3]",
          "print the cached glyph of each character as JSON", kGlyphDetails,
          {{"--font", Arity::Value}, {"--size", Arity::Value}, {"--style", Arity::Value}, {"--level", Arity::Value}},
          1, 1, &runGlyph},
     }});

} // namespace
} // namespace nuvotool
