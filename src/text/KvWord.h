// TKvWord: a rich text. It parses the markup into a flat list of elements
// (docs/text-format.md lists the tags), lays them out into rows and pages by
// the Japanese line-breaking rules, renders each character through the glyph
// cache into its own colour and mask surfaces and draws the elements onto a
// destination at their reveal alpha. Its element list has a stream form (the
// history and the message box keep it) and its settings a layout record.
//
// The word reaches the rest of the player only through what its owner sets:
// the glyph cache, variable values, pictures and the project's default wait.
// Layout needs no font: every character's cell comes from its style's size.
#pragma once

#include "render/DIBX.h"
#include "render/Rect.h"
#include "text/Decorate.h"
#include "text/WdGlyph.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

class TFontPixelManager;
class TStream;

// The element stream version written by default (readers take 0 and up).
inline constexpr int32_t kWordStreamVersion = 100;

class TKvWord {
public:
    TKvWord();
    ~TKvWord();
    TKvWord(const TKvWord&) = delete;
    TKvWord& operator=(const TKvWord&) = delete;

    // ---- Settings (the layout record keeps them, in this order) ------------
    int32_t FontSize = 12;
    std::string FontName; // Shift-JIS; "ＭＳ ゴシック" at start
    int32_t FontColor = 0;
    int32_t PageHeight = 0;
    int32_t Width = 0; // 0: as wide as the widest row (layout sets it)
    int32_t LineSpace = 0;
    int32_t OriginX = 0; // where the text area starts on the destination
    int32_t OriginY = 0;
    bool Paging = false;
    int32_t LinkColor = 0xFF0000;
    int32_t HoverColor = 0x008000;
    int32_t Delay = 1; // milliseconds of one character's fade-in
    int32_t BorderColor = 0x808080;
    int32_t Alpha = 255;
    bool TextPaused = false;
    int32_t CaretX = 0;
    int32_t CaretY = 0;
    int32_t CaretHeight = 0;
    int32_t TextDelayRate = 256;
    uint8_t Flag = 0; // kept and saved, no meaning here
    int32_t Antialias = 3; // glyph cache level: 3 on, 0 off
    int32_t ShadowColor = 0;
    int32_t BorderWidth = 0;
    int32_t ShadowOffset = 0;

    // ---- Not in the record ------------------------------------------------
    // Styles before elements: elements release their styles when they go.
    TDecorateList Styles;
    std::vector<std::unique_ptr<TWdGlyph>> Elements;
    // Where Draw puts the pixels (the page draw may be given another) and the
    // visible part of it (Right == 0: no clip).
    TCustomDIBX* Destination = nullptr;
    TRect ClipRect{};
    // Rendering targets of the characters, sized to the page rendered last.
    TDIBX ColourSurface;
    TDIBX MaskSurface;
    TDIBX SpareSurface;
    // Areas of the destination whose pixels changed since TakeChangedRects.
    std::vector<TRect> ChangedRects;

    // What the owner provides.
    TFontPixelManager* Glyphs = nullptr;
    // A variable's value as text (Shift-JIS); nullopt when there is none.
    std::function<std::optional<std::string>(const std::string& name)> VariableText;
    // The picture of an IMG source; null when there is none.
    std::function<std::unique_ptr<IWordPicture>(const std::string& src)> LoadPicture;
    // The project's default wait (@TextDelay), read when text is parsed; 50
    // when not set.
    std::function<int32_t()> DefaultWait;
    // Laid out for a history recall: HISTCHAR shows its text (in live text it
    // shows nothing).
    bool HistoryRecall = false;

    // ---- Text ---------------------------------------------------------------
    // Parses Shift-JIS markup (lines separated by CR, LF or CR LF) into
    // Elements, replacing what was there. Raises ENuvoError for a markup
    // error ("<A>タグにHREF値がありません"); the elements are then unchanged.
    void SetText(std::string_view text);
    void SetText(const std::vector<std::string>& lines);
    void Clear();

    int32_t Count() const { return static_cast<int32_t>(Elements.size()); }
    TWdGlyph* ElementAt(int32_t index) const;
    int32_t IndexOf(const TWdGlyph* element) const;
    // The index of the element after n characters (Count() when fewer), and
    // the number of characters before an element.
    int32_t IndexAtChars(int32_t n) const;
    int32_t CharsBefore(int32_t index) const;
    // Copies elements first..last (-1: to the end) of another word to the end
    // of this one.
    void Append(const TKvWord& other, int32_t first = 0, int32_t last = -1);
    // The plain text of elements first..last (characters and values).
    std::string PlainText(int32_t first = 0, int32_t last = -1) const;

    // ---- Layout ---------------------------------------------------------------
    // Lays out elements first..last (-1: to the end) into pages (replacing
    // pages' content). When Width is 0 it becomes the widest row.
    void Layout(TWdPageList& pages, int32_t first = 0, int32_t last = -1);

    // ---- Rendering and drawing -------------------------------------------
    // Sizes the surfaces to the page (for the destination's bit count) and
    // renders every element of it.
    void RenderPage(TWdPage& page, int bitCount);
    // Renders one element again (after its hover or colour changed).
    void RenderElement(TWdGlyph& element);
    // Draws every element of the page at its reveal alpha.
    void DrawPage(TWdPage& page);
    void DrawPage(TWdPage& page, TCustomDIBX& dest);
    // The visible element under a point of the text area, when fully revealed.
    TWdReal* HitTest(const TWdPage& page, int32_t x, int32_t y) const;
    // Draws the run of neighbours sharing element's link in the hover colour
    // (null: no hover); changed elements are rendered again and reported.
    void SetHover(TWdPage& page, TWdReal* element);
    TWdReal* HoverElement() const { return hoverAt_; }
    // Advances animated pictures of the page; true when any frame changed.
    bool Animate(TWdPage& page, int32_t ms);
    // An element's area on the destination was changed.
    void MarkChanged(const TWdGlyph& element);
    std::vector<TRect> TakeChangedRects();

    // ---- Streams ------------------------------------------------------------------
    // The element list with its styles (docs/text-format.md). Loading
    // replaces the elements only when the whole stream reads; damaged data
    // raises ENuvoError.
    void SaveToStream(TStream& s, int32_t version = kWordStreamVersion);
    void LoadFromStream(TStream& s);
    // The settings above, in order.
    void SaveLayout(TStream& s) const;
    void LoadLayout(TStream& s);

    // ---- What a style comes to in this word ---------------------------------
    struct TCellStyle {
        int32_t size = 12;    // 1..1024
        int32_t border = 0;   // 0..16
        int32_t shadow = 0;   // 0..256
        int32_t rubyHeight = 0;
        int32_t width = 0;    // a full-width cell with everything
        int32_t halfWidth = 0; // the same for a single-byte character
        int32_t height = 0;
        uint8_t styleBits = 0;
        // The cell width of a character: single-byte characters (ASCII and
        // half-width katakana) take half the em, as in the Japanese system faces.
        int32_t widthOf(uint16_t code) const { return code < 0x100 ? halfWidth : width; }
    };
    TCellStyle CellOf(const TDecorate* style) const;
    // The font a style draws with ("ＭＳ ゴシック" when neither names one).
    std::string FontOf(const TDecorate* style) const;
    // The colours of a character: text as the rule for links and hover says.
    int32_t TextColorOf(const TWdChar& c) const;
    int32_t BorderColorOf(const TDecorate* style) const;
    int32_t ShadowColorOf(const TDecorate* style) const;
    // The effective alpha of an element's reveal under the word's Alpha.
    int32_t DrawAlpha(int32_t reveal) const;

private:
    friend class TWdPage;
    friend class TWdChar;
    friend class TWdImg;
    void detachPages();
    void reindex();
    void renderRuby(TWdRow& row, size_t from, size_t to);
    void renderRubyRuns(TWdRow& row);
    TRect surfaceRect(const TRect& area) const;

    std::vector<TWdPage*> pages_;
    TWdReal* hoverAt_ = nullptr;
    std::vector<TWdReal*> hoverRun_;
    TWdPage* hoverPage_ = nullptr;
};

// The Shift-JIS character codes of a text: one code per character (a lead
// byte and its trail byte as lead * 256 + trail; a lead byte at the end
// alone).
std::vector<uint16_t> charCodes(std::string_view sjis);
// A character code back to its bytes.
std::string codeText(uint16_t code);

} // namespace nuvo
