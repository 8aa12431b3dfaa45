// TEditText: the text, caret, selection and one level of undo behind the
// one-line edit and the multi-line memo. Text is Shift-JIS; the caret and
// the selection always lie on character boundaries (a lead byte and its
// trail byte are never split) and count bytes. Text is capped at
// kMaxChars characters: whatever would go beyond is cut at a character.
//
// Text from the platform (input method commits and compositions, the
// clipboard) arrives as UTF-8 and is converted to CP932, dropping
// characters without a CP932 form and bytes that are not UTF-8.
//
// A one-line edit keeps no line breaks: inserted text is cut at its first
// one and Enter does nothing. A memo's Enter inserts CR LF, and line breaks
// it is given (CR LF, a lone CR or a lone LF) are stored as CR LF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nuvo {

class TEditText {
public:
    static constexpr int32_t kMaxChars = 32767;

    explicit TEditText(bool multiLine) : multiLine_(multiLine) {}

    // UTF-8 from the platform as CP932 (see above).
    static std::string FromUtf8(std::string_view utf8);
    // Characters in a Shift-JIS text.
    static int32_t CharCount(std::string_view sjis);

    bool MultiLine() const { return multiLine_; }
    const std::string& Text() const { return text_; }
    // Replaces the whole text (a script's PR_TEXT): capped and, for an edit,
    // cut at the first line break; the caret goes to the end, the selection
    // and the undo step are dropped.
    void SetText(std::string_view sjis);

    int32_t Caret() const { return caret_; }
    int32_t Anchor() const { return anchor_; }
    bool HasSelection() const { return caret_ != anchor_; }
    int32_t SelStart() const { return caret_ < anchor_ ? caret_ : anchor_; }
    int32_t SelEnd() const { return caret_ < anchor_ ? anchor_ : caret_; }
    std::string SelectedText() const;

    // Caret movement; extend keeps the anchor (Shift held).
    void MoveTo(int32_t byteOffset, bool extend); // snapped back onto a character start
    void Left(bool extend);
    void Right(bool extend);
    // Start and end of the caret's line (the whole text for an edit).
    void Home(bool extend);
    void End(bool extend);
    void SelectAll();
    // Selects the run of characters of one kind around a byte offset (double click).
    void SelectWordAt(int32_t byteOffset);

    // Editing: false when nothing changed. Each change keeps the state
    // before it for Undo.
    bool Insert(std::string_view sjis);
    bool Backspace();
    bool Delete();
    bool Enter();
    // Cut: the selection, taken out (empty when none).
    std::string Cut();
    // Swaps the text with its state before the last change (a second Undo
    // redoes it).
    bool Undo();

    // The input method's text being composed: shown at the caret, not part of
    // Text until committed. Cursor and length are in characters of it.
    void SetComposition(std::string_view sjis, int32_t cursor, int32_t length);
    void ClearComposition() { composition_.clear(), compCursor_ = compLength_ = 0; }
    const std::string& Composition() const { return composition_; }
    int32_t CompositionCursor() const { return compCursor_; }
    int32_t CompositionLength() const { return compLength_; }

private:
    struct State {
        std::string text;
        int32_t caret = 0, anchor = 0;
    };
    std::string normalized(std::string_view sjis) const;
    void remember();
    void replaceSelection(std::string_view sjis);
    int32_t prevChar(int32_t pos) const;
    int32_t nextChar(int32_t pos) const;
    int32_t snap(int32_t pos) const;

    bool multiLine_;
    std::string text_;
    int32_t caret_ = 0;
    int32_t anchor_ = 0;
    State undo_;
    bool canUndo_ = false;
    std::string composition_;
    int32_t compCursor_ = 0, compLength_ = 0;
};

} // namespace nuvo
