// List boxes and menus. TNuvoCustomListBox shows one item per text line in
// rows inside a frame of nine pictures, with a scroll bar when there are more
// items than rows, check marks, and the item under the mouse or chosen by the
// keys highlighted; it is never created by itself. TNuvoMenu (LT_MENU) adds
// the opening and closing animation of its height, closing by a right click
// or Escape, and its destruction once closed.
//
// Both looks of an item, normal and hovered, are labels of two label lists.
// Only the rows on screen are ever rendered. Painting is clipped to the
// control's own rectangle.
#pragma once

#include "components/NuvoImage.h"
#include "text/LabelList.h"

#include <array>
#include <string>
#include <vector>

namespace nuvo {

class TNuvoCustomListBox : public TNuvoControl {
public:
    explicit TNuvoCustomListBox(TNuvoBaseList* owner);

    // ---- Properties ----------------------------------------------------------------
    std::string GetText() const override { return text_; }
    // Always rebuilds: trims control characters at both ends, one item per line.
    void SetText(std::string_view text) override;
    int32_t GetLineSpace() const override { return lineSpace_; }
    void SetLineSpace(int32_t v) override;
    int32_t GetAlpha() const override { return alpha_; }
    void SetAlpha(int32_t v) override;
    int32_t GetMarginX() const override { return marginX_; }
    void SetMarginX(int32_t v) override;
    int32_t GetMarginY() const override { return marginY_; }
    void SetMarginY(int32_t v) override;
    int32_t GetBorderWidth() const override { return borderWidth_; }
    void SetBorderWidth(int32_t v) override;
    int32_t GetBorderColor() const override { return borderColor_; }
    void SetBorderColor(int32_t v) override;
    int32_t GetRowCount() const override { return rowCount_; }
    void SetRowCount(int32_t v) override;
    std::string GetBorderSource(int32_t i) const override;
    void SetBorderSource(int32_t i, std::string_view name) override;
    int32_t GetBorderHAlign(int32_t i) const override;
    void SetBorderHAlign(int32_t i, int32_t v) override;
    int32_t GetBorderVAlign(int32_t i) const override;
    void SetBorderVAlign(int32_t i, int32_t v) override;
    std::string GetScrollSource() const override { return scrollSource_; }
    void SetScrollSource(std::string_view name) override;
    std::string GetCheckSource() const override { return checkSource_; }
    void SetCheckSource(std::string_view name) override;
    int32_t GetTopIndex() const override { return topIndex_; }
    void SetTopIndex(int32_t v) override;
    int32_t GetHAlign() const override { return hAlign_; }
    void SetHAlign(int32_t v) override;
    int32_t GetCount() const override { return labels_.Count(); }
    int32_t GetIndex() const override { return index_; }
    void SetIndex(int32_t v) override { index_ = v; }
    bool GetPaused() const override { return paused_; }
    void SetPaused(bool v) override;
    std::string GetOnIdle() const override { return onIdle_; }
    void SetOnIdle(std::string_view v) override { onIdle_ = v; }
    std::string GetOnMapIn() const override { return onMapIn_; }
    void SetOnMapIn(std::string_view v) override { onMapIn_ = v; }
    std::string GetOnMapOut() const override { return onMapOut_; }
    void SetOnMapOut(std::string_view v) override { onMapOut_ = v; }
    std::string GetOnSelect() const override { return onSelect_; }
    void SetOnSelect(std::string_view v) override { onSelect_ = v; }
    // Menus have a hover colour; the list box itself none.
    int32_t GetHoverColor() const override { return -1; }
    // Item check flags; outside the items false and nothing.
    bool GetCheck(int32_t i) const override;
    void SetCheck(int32_t i, bool v) override;

    // Fonts: name, height and antialias set both label lists; the others
    // the normal or the hovered one.
    std::string GetFontName() const override { return labels_.FontName; }
    void SetFontName(std::string_view v) override;
    int32_t GetFontHeight() const override { return labels_.FontHeight; }
    void SetFontHeight(int32_t v) override;
    bool GetAntialias() const override { return labels_.Quality > 0; }
    void SetAntialias(bool v) override;
    int32_t GetFontStyle() const override { return labels_.FontStyle; }
    void SetFontStyle(int32_t v) override;
    int32_t GetFontColor() const override { return labels_.FontColor; }
    void SetFontColor(int32_t v) override;
    int32_t GetFontBorder() const override { return labels_.BorderWidth; }
    void SetFontBorder(int32_t v) override;
    int32_t GetFontShadow() const override { return labels_.ShadowWidth; }
    void SetFontShadow(int32_t v) override;
    int32_t GetFontBorderColor() const override { return labels_.BorderColor; }
    void SetFontBorderColor(int32_t v) override;
    int32_t GetFontShadowColor() const override { return labels_.ShadowColor; }
    void SetFontShadowColor(int32_t v) override;
    int32_t GetFontHoverStyle() const override { return hoverLabels_.FontStyle; }
    void SetFontHoverStyle(int32_t v) override;
    int32_t GetFontHoverColor() const override { return hoverLabels_.FontColor; }
    void SetFontHoverColor(int32_t v) override;
    int32_t GetFontHoverBorder() const override { return hoverLabels_.BorderWidth; }
    void SetFontHoverBorder(int32_t v) override;
    int32_t GetFontHoverShadow() const override { return hoverLabels_.ShadowWidth; }
    void SetFontHoverShadow(int32_t v) override;
    int32_t GetFontHoverBorderColor() const override { return hoverLabels_.BorderColor; }
    void SetFontHoverBorderColor(int32_t v) override;
    int32_t GetFontHoverShadowColor() const override { return hoverLabels_.ShadowColor; }
    void SetFontHoverShadowColor(int32_t v) override;

    // ---- Behaviour --------------------------------------------------------------------
    void Paint() override;
    bool Tick() override;
    void DoLBtnDown() override;
    void DoLBtnUp() override;
    void DoMouseMove() override;
    void DoMouseOut(TNuvoObject* newlyHovered) override;
    void DoPressedTick() override;
    void DoKeyRepeat(std::span<const int32_t> keys) override;
    void SaveToStream(TStream& s) const override;
    void LoadFromStream(TStream& s, int32_t version) override;

    // ---- For the menu, tests and tools ----------------------------------------------------
    // Sizes the control from its items, frame, margins and pictures.
    void Layout();
    bool LayoutDirty() const { return layoutDirty_; }
    int32_t Hover() const { return hover_; }
    // Moves the hover (an index without an item is no item), raising
    // PR_ONMAPOUT when it goes to no item and PR_ONMAPIN when it reaches one.
    void SetHover(int32_t a);
    // The item under a screen point, -1 for none.
    int32_t ItemAt(int32_t x, int32_t y) const;
    int32_t ScrollMode() const { return scrollMode_; }
    TKvLabelList& Labels() { return labels_; }
    TKvLabelList& HoverLabels() { return hoverLabels_; }
    // The rows on screen: item and the label's rectangle.
    struct TRow {
        int32_t Item;
        TRect Rect;
    };
    std::vector<TRow> VisibleRows();
    // The screen rectangles of the row of an item (none when it is off screen).
    TRect RowRect(int32_t item);

    // Events go straight into the registry's queue (a closing menu still
    // tells its handlers); once: only when none of that kind of this control
    // waits.
    bool queueEvent(int32_t kind, const std::string& handler, std::span<const std::string> args, bool once);

protected:
    // Index := Hover, the menu result, PR_ONSELECT.
    void choose();
    virtual void afterChoose() {}
    // The border pictures' frames advance.
    void animateBorders();
    int32_t animState_ = 0;

private:
    struct TBands {
        int32_t L = 0, R = 0, T = 0, B = 0;
    };
    TBands bands() const;
    TRect innerRect() const;
    TRect cellRect(int32_t i, const TRect& q, const TBands& b) const;
    int32_t rowHeight() const;
    int32_t h2() const;
    int32_t scrollWidth() const;
    bool hasScrollBar() const { return GetCount() > rowCount_; }
    // Top of the thumb and whether a track exists (the control may be too
    // short for its scroll bar).
    int32_t thumbTop(int32_t& span) const;
    void paintFrame(TCustomDIBX& target, const TRect& inner, const TBands& b);
    void paintScrollBar(TCustomDIBX& target, const TRect& inner, const TBands& b);
    void paintRows(TCustomDIBX& target, const TRect& inner, const TBands& b);
    bool mouseOverHeldPart() const;
    // Adds the row of an item to the dirty rectangles (the whole control
    // while its layout is dirty).
    void invalidateRow(int32_t item);
    void stepScroll();
    void loadPicture(TNuvoImageList& list, std::string_view name);
    template <class T> bool change(T& field, T v, bool layout);
    template <class F> bool changeFont(F&& field, int32_t v, bool both, bool hover);
    int32_t clock() const;

    std::string text_;
    int32_t lineSpace_ = 0;
    int32_t alpha_ = 255;
    bool layoutDirty_ = true;
    int32_t marginX_ = 0;
    int32_t marginY_ = 0;
    int32_t borderWidth_ = 0;
    int32_t borderColor_ = -1;
    int32_t rowCount_ = 0;
    std::array<std::string, 9> borderSources_;
    std::array<TNuvoImageList, 9> borderLists_;
    std::array<int32_t, 9> borderFrame_{};
    std::array<int32_t, 9> borderWait_{};
    std::array<uint8_t, 9> borderHAlign_{};
    std::array<uint8_t, 9> borderVAlign_{};
    std::string scrollSource_;
    std::string checkSource_;
    TNuvoImageList scrollPicture_;
    TNuvoImageList checkPicture_;
    int32_t topIndex_ = 0;
    uint8_t hAlign_ = 0;
    int32_t hover_ = -1;
    int32_t dragOffset_ = 0;
    int32_t scrollMode_ = -1;
    int32_t repeatClock_ = 0;
    int32_t repeatWait_ = 0;
    bool arrowOver_ = false;
    bool trackOver_ = false;
    std::vector<uint8_t> checks_;
    std::string onMapIn_, onMapOut_, onSelect_;
    bool paused_ = false;
    int32_t index_ = -1;
    std::string onIdle_;
    TKvLabelList labels_;
    TKvLabelList hoverLabels_;
};

class TNuvoMenu : public TNuvoCustomListBox {
public:
    explicit TNuvoMenu(TNuvoBaseList* owner);
    ~TNuvoMenu() override;

    uint8_t GetCompoType() const override { return LT_MENU; }
    int32_t GetDelay() const override { return delay_; }
    void SetDelay(int32_t v) override { delay_ = v; }
    int32_t GetHoverColor() const override { return hoverColor_; }
    void SetHoverColor(int32_t v) override;
    bool GetAutoScrap() const override { return autoScrap_; }
    void SetAutoScrap(bool v) override { autoScrap_ = v; }
    bool GetRClickScrap() const override { return rClickScrap_; }
    void SetRClickScrap(bool v) override { rClickScrap_ = v; }
    int32_t GetPlayState() const override { return playState_; }
    void SetPlayState(int32_t v) override;
    int32_t GetOrigHeight() const override;
    bool IsMouseBlocked() const override { return closing_; }
    std::string GetOnOpening() const override { return onOpening_; }
    void SetOnOpening(std::string_view v) override { onOpening_ = v; }
    std::string GetOnOpened() const override { return onOpened_; }
    void SetOnOpened(std::string_view v) override { onOpened_ = v; }
    std::string GetOnClosing() const override { return onClosing_; }
    void SetOnClosing(std::string_view v) override { onClosing_ = v; }
    std::string GetOnClosed() const override { return onClosed_; }
    void SetOnClosed(std::string_view v) override { onClosed_ = v; }

    bool Tick() override;
    bool CloseByRightClick() override;
    void DoRBtnDown() override;
    void DoKeyRepeat(std::span<const int32_t> keys) override;
    void SaveToStream(TStream& s) const override;
    void LoadFromStream(TStream& s, int32_t version) override;

    bool Closing() const { return closing_; }
    int32_t AnimState() const { return animState_; }
    int32_t FullHeight() const { return fullHeight_; }

protected:
    void afterChoose() override;

private:
    void takeFocus();
    void dropFocus();
    void queue(int32_t kind, const std::string& handler) { queueEvent(kind, handler, {}, false); }
    int32_t elapsed() const;
    // e x FullHeight div Delay without overflow, clamped to FullHeight.
    int32_t animatedHeight(int32_t e) const;

    int32_t fullHeight_ = 0;
    int32_t startClock_ = 0;
    int32_t delay_ = 0;
    int32_t hoverColor_ = -1;
    bool autoScrap_ = false;
    bool rClickScrap_ = false;
    uint8_t playState_ = 2;
    std::string onOpening_, onOpened_, onClosing_, onClosed_;
    bool closing_ = false;
};

} // namespace nuvo
