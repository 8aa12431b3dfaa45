// The one-line edit (LT_EDIT) and the multi-line memo (LT_MEMO): a text
// field in the frame, over the composed screen at the control's rectangle.
// It shows only while the control is visible on the active base screen with
// its parents and is the topmost control at its centre (checked every
// tick); it then fills its rectangle with its Color (-1: white).
//
// Keys reach it as they reach any control with the focus and HandleKey:
// each key pressed or repeated edits the text (arrows, Home, End with Shift
// selecting, Backspace, Delete, Ctrl+A, Ctrl+Z, and Enter in a memo) and
// raises PR_ONNOTIFY with the key's code and the text after it. ReadOnly
// leaves only the moves and the selection; a paused control takes no keys
// and raises nothing.
#pragma once

#include "components/EditText.h"
#include "components/NuvoControl.h"

namespace nuvo {

class TNuvoCustomEdit : public TNuvoControl {
public:
    TNuvoCustomEdit(TNuvoBaseList* owner, bool multiLine);

    std::string GetText() const override { return text_.Text(); }
    void SetText(std::string_view v) override;
    std::string GetFontName() const override { return fontName_; }
    void SetFontName(std::string_view v) override;
    int32_t GetFontHeight() const override { return fontHeight_; }
    void SetFontHeight(int32_t v) override;
    int32_t GetFontStyle() const override { return fontStyle_; }
    void SetFontStyle(int32_t v) override;
    int32_t GetFontColor() const override { return fontColor_; }
    void SetFontColor(int32_t v) override;
    bool GetReadOnly() const override { return readOnly_; }
    void SetReadOnly(bool v) override { readOnly_ = v; }
    bool GetPaused() const override { return paused_; }
    void SetPaused(bool v) override { paused_ = v; }
    std::string GetOnNotify() const override { return onNotify_; }
    void SetOnNotify(std::string_view v) override { onNotify_ = v; }
    void SetVisible(bool visible) override;

    void Paint() override;
    bool Tick() override;
    void DoKeyRepeat(std::span<const int32_t> keys) override;
    void SaveToStream(TStream& s) const override;
    void LoadFromStream(TStream& s, int32_t version) override;

    // Whether the field shows (the rule above, as of the last tick).
    bool FieldShown() const { return shown_; }
    TEditText& Editor() { return text_; }

private:
    // Applies one key; true when it was an editing key the field knows.
    void applyKey(int32_t key, bool shift, bool control);
    bool shownNow() const;

    TEditText text_;
    std::string fontName_;
    int32_t fontHeight_ = 16;
    int32_t fontStyle_ = 0;
    int32_t fontColor_ = 0;
    bool readOnly_ = false;
    bool paused_ = false;
    std::string onNotify_;
    bool shown_ = false;
};

class TNuvoEdit : public TNuvoCustomEdit {
public:
    explicit TNuvoEdit(TNuvoBaseList* owner) : TNuvoCustomEdit(owner, false) {}
    uint8_t GetCompoType() const override { return LT_EDIT; }
};

class TNuvoMemo : public TNuvoCustomEdit {
public:
    explicit TNuvoMemo(TNuvoBaseList* owner) : TNuvoCustomEdit(owner, true) {}
    uint8_t GetCompoType() const override { return LT_MEMO; }
    int32_t GetHAlign() const override { return hAlign_; }
    void SetHAlign(int32_t v) override { hAlign_ = v; }

private:
    int32_t hAlign_ = 0;
};

} // namespace nuvo
