// The elements of a rich text: characters, pictures, variable and history
// values, events and layout operations, and the rows and pages layout puts
// them in. A word (KvWord.h) owns its elements; pages own their rows and the
// elements layout makes (indentation spaces, the characters of a variable's
// value). Positions are relative to the container: an element's to its row,
// a row's to its page (the text area).
#pragma once

#include "render/Rect.h"
#include "text/Decorate.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nuvo {

class TCustomDIBX;
class TKvWord;
class TStream;
class TWdComposite;
class TWdRow;

// Element type codes of the element stream.
enum : uint8_t {
    kWdChar = 1,
    kWdAlign = 2,
    kWdReturn = 3,
    kWdIndent = 4,
    kWdUndent = 5,
    kWdEvent = 6,
    kWdVar = 7,
    kWdImg = 9,
    kWdHistChar = 10,
};

// ALIGN values.
enum : int32_t {
    kAlignLeft = 1,
    kAlignRight = 2,
    kAlignCenter = 3,
    kAlignTop = 4,
    kAlignBottom = 5,
};

// A picture an IMG element shows; the word's owner makes it (from the
// layered-image cache in the player).
class IWordPicture {
public:
    virtual ~IWordPicture() = default;
    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    virtual int FrameCount() const = 0;
    // Milliseconds a frame shows (at least 1).
    virtual int32_t FrameDuration(int frame) const = 0;
    // Draws sourceRect of a frame with its top-left at (x, y) at alpha
    // 1..255, within target's clip.
    virtual void DrawFrame(int frame, TCustomDIBX& target, int32_t x, int32_t y, int32_t alpha,
                           const TRect& sourceRect) = 0;
};

class TWdGlyph {
public:
    explicit TWdGlyph(TKvWord* owner) : Owner(owner) {}
    virtual ~TWdGlyph() = default;
    TWdGlyph(const TWdGlyph&) = delete;
    TWdGlyph& operator=(const TWdGlyph&) = delete;

    TKvWord* Owner;
    int32_t X = 0;
    int32_t Y = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    // The row (or page) layout put it in; null when not laid out.
    TWdComposite* Parent = nullptr;
    // Place in the owner's element list; -1 for elements layout made.
    int32_t Index = -1;
    // Place in Parent's items (set by layout).
    int32_t Slot = -1;

    // The stream's type code; 0 for elements that are never stored.
    virtual uint8_t TypeCode() const { return 0; }
    // A short name for tools: "char", "img", "return", ...
    virtual const char* Kind() const = 0;
    // Characters and pictures: what a reader sees.
    virtual bool IsVisible() const { return false; }
    // The Shift-JIS text the element stands for in plain text.
    virtual std::string Text() const { return {}; }
    // A copy owned by another word (styles taken into its list).
    virtual std::unique_ptr<TWdGlyph> Clone(TKvWord& owner) const = 0;
    // The class's own fields of the element stream (after type, position and size).
    virtual void SaveFields(TStream& s) const;
    virtual void LoadFields(TStream& s, const std::vector<TDecorate*>& styles);

    // Pixels into the word's surfaces, and from them (or straight from the
    // glyph cache) onto a destination at the reveal alpha.
    virtual void Render(TKvWord&) {}
    virtual void Draw(TKvWord&, TCustomDIBX&) {}

    // The rectangle in the text area (the row's place added).
    TRect AreaRect() const;

protected:
    void copyPlace(const TWdGlyph& from);
};

// A visible element: link target, wait and reveal.
class TWdReal : public TWdGlyph {
public:
    using TWdGlyph::TWdGlyph;
    bool IsVisible() const override { return true; }

    std::string Link;  // Shift-JIS target; empty: no link
    int32_t Wait = 0;  // milliseconds before the next element starts (negative: unscaled)
    int32_t Alpha = 255; // reveal, 0..255
    bool Hovered = false;

    // Fades the reveal from its current value to 0 over duration ms
    // (rounded linear); FadeStep advances it and is true when done.
    void StartFade(int32_t duration);
    bool FadeStep(int32_t ms);
    bool Fading() const { return fading_; }
    // Sets the reveal and tells the word the element changed.
    void SetAlpha(int32_t alpha);

protected:
    void copyReal(const TWdReal& from);

private:
    bool fading_ = false;
    int32_t fadeFrom_ = 0;
    int32_t fadeDuration_ = 0;
    int64_t fadeElapsed_ = 0;
};

class TWdChar : public TWdReal {
public:
    TWdChar(TKvWord* owner, uint16_t code, TDecorateList* list, TDecorate* style)
        : TWdReal(owner), Code(code), style_(list, style) {}
    uint8_t TypeCode() const override { return kWdChar; }
    const char* Kind() const override { return "char"; }
    std::string Text() const override;
    std::unique_ptr<TWdGlyph> Clone(TKvWord& owner) const override;
    void SaveFields(TStream& s) const override;
    void LoadFields(TStream& s, const std::vector<TDecorate*>& styles) override;
    void Render(TKvWord& word) override;
    void Draw(TKvWord& word, TCustomDIBX& dest) override;

    uint16_t Code;
    TDecorate* Style() const { return style_.get(); }
    // Whether the character goes through the word's surfaces (outline,
    // shadow, lines or ruby) or straight from the glyph cache.
    bool NeedsSurfaces(const TKvWord& word) const;

protected:
    void setStyle(TDecorateList* list, TDecorate* style);

private:
    TStyleRef style_;
};

// One character of a variable's (or a history value's) text, made by layout.
class TWdVarChar : public TWdChar {
public:
    TWdVarChar(TKvWord* owner, uint16_t code, TDecorate* style, const TWdGlyph* source)
        : TWdChar(owner, code, nullptr, style), Source(source) {}
    uint8_t TypeCode() const override { return 0; }
    const char* Kind() const override { return "varchar"; }
    std::unique_ptr<TWdGlyph> Clone(TKvWord&) const override { return nullptr; }
    const TWdGlyph* Source;
};

class TWdImg : public TWdReal {
public:
    explicit TWdImg(TKvWord* owner);
    ~TWdImg() override;
    uint8_t TypeCode() const override { return kWdImg; }
    const char* Kind() const override { return "img"; }
    std::unique_ptr<TWdGlyph> Clone(TKvWord& owner) const override;
    void SaveFields(TStream& s) const override;
    void LoadFields(TStream& s, const std::vector<TDecorate*>& styles) override;
    void Draw(TKvWord& word, TCustomDIBX& dest) override;

    std::string Src;
    int32_t Align = kAlignBottom;
    bool NoBreak = false;
    std::string Ruby;

    bool IsFloat() const { return Align == kAlignLeft || Align == kAlignRight; }
    // The picture through the word's loader, loaded once (null when none).
    IWordPicture* Picture(TKvWord& word);
    // Advances an animated picture; true when another frame shows.
    bool Animate(int32_t ms);
    int Frame() const { return frame_; }

private:
    std::unique_ptr<IWordPicture> picture_;
    bool loaded_ = false;
    int frame_ = 0;
    int64_t frameTime_ = 0;
};

class TWdOpeAlign : public TWdGlyph {
public:
    TWdOpeAlign(TKvWord* owner, int32_t align) : TWdGlyph(owner), Align(align) {}
    uint8_t TypeCode() const override { return kWdAlign; }
    const char* Kind() const override { return "align"; }
    std::unique_ptr<TWdGlyph> Clone(TKvWord& owner) const override;
    void SaveFields(TStream& s) const override;
    void LoadFields(TStream& s, const std::vector<TDecorate*>& styles) override;
    int32_t Align;
};

class TWdOpeReturn : public TWdGlyph {
public:
    TWdOpeReturn(TKvWord* owner, bool clear) : TWdGlyph(owner), Clear(clear) {}
    uint8_t TypeCode() const override { return kWdReturn; }
    const char* Kind() const override { return "return"; }
    std::unique_ptr<TWdGlyph> Clone(TKvWord& owner) const override;
    void SaveFields(TStream& s) const override;
    void LoadFields(TStream& s, const std::vector<TDecorate*>& styles) override;
    bool Clear;
};

class TWdOpeIndent : public TWdGlyph {
public:
    using TWdGlyph::TWdGlyph;
    uint8_t TypeCode() const override { return kWdIndent; }
    const char* Kind() const override { return "indent"; }
    std::unique_ptr<TWdGlyph> Clone(TKvWord& owner) const override;
};

class TWdOpeUndent : public TWdGlyph {
public:
    using TWdGlyph::TWdGlyph;
    uint8_t TypeCode() const override { return kWdUndent; }
    const char* Kind() const override { return "undent"; }
    std::unique_ptr<TWdGlyph> Clone(TKvWord& owner) const override;
};

class TWdOpeEvent : public TWdGlyph {
public:
    TWdOpeEvent(TKvWord* owner, std::string handler, int32_t wait)
        : TWdGlyph(owner), Handler(std::move(handler)), Wait(wait) {}
    uint8_t TypeCode() const override { return kWdEvent; }
    const char* Kind() const override { return "event"; }
    std::unique_ptr<TWdGlyph> Clone(TKvWord& owner) const override;
    void SaveFields(TStream& s) const override;
    void LoadFields(TStream& s, const std::vector<TDecorate*>& styles) override;
    // The handler text; EVENT ... END puts the byte 0x01 in front.
    std::string Handler;
    int32_t Wait;
};

// Elements with a style and a text layout turns into characters.
class TWdStyledOpe : public TWdGlyph {
public:
    TWdStyledOpe(TKvWord* owner, std::string value, TDecorateList* list, TDecorate* style)
        : TWdGlyph(owner), Value(std::move(value)), style_(list, style) {}
    void SaveFields(TStream& s) const override;
    void LoadFields(TStream& s, const std::vector<TDecorate*>& styles) override;
    TDecorate* Style() const { return style_.get(); }
    // VAR: the variable's name; HISTCHAR: the value's text.
    std::string Value;

protected:
    void setStyle(TDecorateList* list, TDecorate* style);

private:
    TStyleRef style_;
};

class TWdOpeVar : public TWdStyledOpe {
public:
    using TWdStyledOpe::TWdStyledOpe;
    uint8_t TypeCode() const override { return kWdVar; }
    const char* Kind() const override { return "var"; }
    std::unique_ptr<TWdGlyph> Clone(TKvWord& owner) const override;
};

class TWdOpeHistChar : public TWdStyledOpe {
public:
    using TWdStyledOpe::TWdStyledOpe;
    uint8_t TypeCode() const override { return kWdHistChar; }
    const char* Kind() const override { return "histchar"; }
    std::unique_ptr<TWdGlyph> Clone(TKvWord& owner) const override;
};

// The indentation at the start of a row.
class TWdSpace : public TWdGlyph {
public:
    using TWdGlyph::TWdGlyph;
    const char* Kind() const override { return "space"; }
    std::unique_ptr<TWdGlyph> Clone(TKvWord&) const override { return nullptr; }
};

class TWdComposite : public TWdGlyph {
public:
    using TWdGlyph::TWdGlyph;
    std::unique_ptr<TWdGlyph> Clone(TKvWord&) const override { return nullptr; }
    // The elements in order (owned by the word or the page).
    std::vector<TWdGlyph*> Items;
};

class TWdPage;

class TWdRow : public TWdComposite {
public:
    using TWdComposite::TWdComposite;
    const char* Kind() const override { return "row"; }
    TWdPage* Page = nullptr;
    int32_t Align = kAlignLeft;
    // The free part of the text area at the row's top (floats narrow it).
    int32_t FreeLeft = 0;
    int32_t FreeRight = 0;
    // The tallest character, and what pictures add above and below it.
    int32_t TextHeight = 0;
    int32_t Above = 0;
    int32_t Below = 0;
    // A floating picture's row: it takes no height from the rows below.
    bool IsFloat = false;
    bool HasVisible = false;
};

// Owned elements that layout makes; shared by the pages of one layout.
using TWdMadeElements = std::vector<std::unique_ptr<TWdGlyph>>;

class TWdPage : public TWdComposite {
public:
    explicit TWdPage(TKvWord* owner);
    ~TWdPage() override;
    const char* Kind() const override { return "page"; }

    std::vector<std::unique_ptr<TWdRow>> Rows;
    std::shared_ptr<TWdMadeElements> Made;

    // The extent of the rows: width to the rightmost row end, height to the
    // lowest row bottom.
    int32_t ContentWidth() const;
    int32_t ContentHeight() const;
    // Every element of every row, in order.
    template <class F>
    void ForEach(F&& f) const {
        for (const auto& row : Rows)
            for (TWdGlyph* e : row->Items) f(*row, *e);
    }
    // Drops the rows (the word's elements change or go away).
    void Detach();
};

using TWdPageList = std::vector<std::unique_ptr<TWdPage>>;

} // namespace nuvo
