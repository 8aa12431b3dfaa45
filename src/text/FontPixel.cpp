// The glyph cache: lookup, creation and eviction.
#include "text/FontPixel.h"

#include "base/Cp932.h"
#include "base/Error.h"
#include "platform/Fonts.h"

#include <algorithm>
#include <cstring>

namespace nuvo {

namespace {

const std::vector<uint8_t> kLevel0 = {0, 255};
const std::vector<uint8_t> kLevel1 = {0, 79, 127, 207, 255};
const std::vector<uint8_t> kLevel2 = {0, 43, 55, 67, 79, 91, 103, 115, 159, 171, 183, 195, 207, 219, 231, 243, 255};
const std::vector<uint8_t> kLevel3 = {0,   18,  21,  24,  27,  30,  33,  36,  55,  58,  61,  64,  67,
                                      70,  73,  76,  79,  82,  85,  88,  91,  94,  97,  100, 119, 122,
                                      125, 128, 131, 134, 137, 140, 143, 146, 149, 152, 155, 158, 161,
                                      164, 183, 186, 189, 192, 195, 198, 201, 204, 207, 210, 213, 216,
                                      219, 222, 225, 228, 231, 234, 237, 240, 243, 246, 249, 252, 255};

// The face depends on bold and italic only: underline and strikeout are drawn here.
constexpr uint8_t kFaceStyle = kStyleBold | kStyleItalic;

} // namespace

TFontPixelManager::TFontPixelManager(platform::IFontEngine& engine, size_t byteBudget)
    : engine_(engine), budget_(byteBudget) {}

TFontPixelManager::~TFontPixelManager() {
    for (TFontPixel* g = newest_; g;) {
        TFontPixel* next = g->older_;
        delete g;
        g = next;
    }
}

void TFontPixelManager::SetLevel(int32_t level) { level_ = std::clamp(level, 0, 3); }

const std::vector<uint8_t>& TFontPixelManager::LevelTable(int32_t level) {
    switch (level) {
    case 1: return kLevel1;
    case 2: return kLevel2;
    case 3: return kLevel3;
    default: return kLevel0;
    }
}

uint8_t TFontPixelManager::LevelCoverage(int32_t level, uint8_t grey) {
    if (level <= 0) return grey ? 255 : 0;
    const std::vector<uint8_t>& table = LevelTable(level);
    const uint32_t n = static_cast<uint32_t>(table.size() - 1);
    return table[(grey * n + 127) / 255];
}

int32_t TFontPixelManager::CodePoint(uint16_t code) {
    if (code == 0x5C) return 0xA5;
    return cp932ToUnicode(code);
}

TFontPixel* TFontPixelManager::find(uint16_t code, const std::string& font, int32_t height, uint8_t style,
                                    int32_t level) const {
    for (TFontPixel* g : buckets_[code & 0xFF])
        if (g->Code == code && g->Height == height && g->StyleBits == style && g->Level == level && g->Font == font)
            return g;
    return nullptr;
}

void TFontPixelManager::select(const std::string& font, int32_t height, uint8_t style) {
    style &= kFaceStyle;
    if (faceSelected_ && face_ && font == faceName_ && height == faceHeight_ && style == faceStyle_) return;
    faceSelected_ = false;
    face_ = engine_.OpenFace(font.empty() ? std::string(platform::kDefaultFaceName) : sjisToUtf8(font), height,
                             (style & kStyleBold) != 0, (style & kStyleItalic) != 0);
    if (!face_) raiseError("Error:GetOutlineTextMetrics");
    faceName_ = font;
    faceHeight_ = height;
    faceStyle_ = style;
    faceSelected_ = true;
}

const platform::FontMetrics& TFontPixelManager::SelectFont(const std::string& fontName, int32_t height,
                                                           uint8_t styleBits) {
    select(fontName, std::clamp(height, 1, kMaxGlyphHeight), styleBits);
    return face_->Metrics();
}

int32_t TFontPixelManager::Ascent() const { return face_ ? face_->Metrics().ascent : 0; }

std::unique_ptr<TFontPixel> TFontPixelManager::make(uint16_t code, const std::string& font, int32_t height,
                                                    uint8_t style) {
    select(font, height, style);
    const platform::FontMetrics& m = face_->Metrics();
    auto g = std::make_unique<TFontPixel>();
    g->Code = code;
    g->Font = font;
    g->Height = height;
    g->StyleBits = style;
    g->Level = level_;
    if (style & kStyleUnderline) g->UnderlineSize = m.underlineSize;
    if (style & kStyleStrikeOut) {
        g->StrikePos = m.ascent - m.strikePosition;
        g->StrikeSize = m.strikeSize;
    }
    platform::GlyphImage image;
    // A glyph the rasteriser cannot draw stays an empty cell.
    if (!face_->Render(CodePoint(code), level_ == 0 ? platform::GlyphMode::Mono : platform::GlyphMode::Grey, image))
        return g;
    if (image.width <= 0 || image.height <= 0) {
        g->ExtraAdvance = std::max(0, image.advance);
        g->AbcC = image.advance;
        return g;
    }
    g->Coverage = std::make_unique<TDIBX>(image.width, image.height, 8);
    for (int32_t y = 0; y < image.height; ++y) {
        uint8_t* row = g->Coverage->ScanLine(y);
        const uint8_t* src = image.coverage.data() + static_cast<size_t>(y) * image.width;
        for (int32_t x = 0; x < image.width; ++x) row[x] = LevelCoverage(level_, src[x]);
    }
    g->AbcA = image.left;
    g->AbcB = image.width;
    g->AbcC = image.advance - image.left - image.width;
    g->OriginX = std::max(0, image.left);
    g->OriginY = std::max(0, m.ascent - image.top);
    g->ExtraAdvance = std::max(0, image.advance - image.width - g->OriginX);
    return g;
}

const TFontPixel& TFontPixelManager::GetGlyph(uint16_t code, const std::string& fontName, uint8_t styleBits,
                                              int32_t height) {
    height = std::clamp(height, 1, kMaxGlyphHeight);
    styleBits &= kStyleBold | kStyleItalic | kStyleUnderline | kStyleStrikeOut;
    if (TFontPixel* hit = find(code, fontName, height, styleBits, level_)) {
        touch(hit);
        return *hit;
    }
    TFontPixel* g = make(code, fontName, height, styleBits).release();
    g->bytes_ = sizeof(TFontPixel) + g->Font.size() +
                (g->Coverage ? static_cast<size_t>(g->Coverage->RowStep()) * g->Coverage->Height() : 0);
    buckets_[code & 0xFF].push_back(g);
    g->older_ = newest_;
    if (newest_) newest_->newer_ = g;
    newest_ = g;
    if (!oldest_) oldest_ = g;
    ++count_;
    bytes_ += g->bytes_;
    evict();
    return *g;
}

void TFontPixelManager::touch(TFontPixel* g) {
    if (g == newest_) return;
    unlink(g);
    g->older_ = newest_;
    g->newer_ = nullptr;
    if (newest_) newest_->newer_ = g;
    newest_ = g;
    if (!oldest_) oldest_ = g;
}

void TFontPixelManager::unlink(TFontPixel* g) {
    if (g->newer_) g->newer_->older_ = g->older_;
    else newest_ = g->older_;
    if (g->older_) g->older_->newer_ = g->newer_;
    else oldest_ = g->newer_;
    g->newer_ = g->older_ = nullptr;
}

void TFontPixelManager::evict() {
    while ((count_ > kCapacity || bytes_ > budget_) && oldest_ && oldest_ != newest_) {
        TFontPixel* g = oldest_;
        unlink(g);
        auto& bucket = buckets_[g->Code & 0xFF];
        bucket.erase(std::find(bucket.begin(), bucket.end(), g));
        --count_;
        bytes_ -= g->bytes_;
        delete g;
    }
}

std::vector<const TFontPixel*> TFontPixelManager::InUseOrder() const {
    std::vector<const TFontPixel*> out;
    for (const TFontPixel* g = newest_; g; g = g->older_) out.push_back(g);
    return out;
}

} // namespace nuvo
