// Feeds any bytes to the text of an edit and a memo as the platform hands
// them over: input method commits and compositions, the clipboard, a
// script's text (raw Shift-JIS), mixed with caret moves and editing keys.
// The bytes are a list of operations: one byte picks the operation, the next
// its length, then that many bytes of text. After every operation the
// caret and selection must lie on character starts within the text and the
// text must keep the cap and, for an edit, hold no line break.
#include "base/Cp932.h"
#include "components/EditText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool onCharStart(const std::string& s, int32_t pos) {
    size_t i = 0;
    while (static_cast<int32_t>(i) < pos)
        i += nuvo::charLength(s, i);
    return static_cast<int32_t>(i) == pos;
}

void check(const nuvo::TEditText& e) {
    const std::string& t = e.Text();
    const auto size = static_cast<int32_t>(t.size());
    if (e.Caret() < 0 || e.Caret() > size || e.Anchor() < 0 || e.Anchor() > size) std::abort();
    if (!onCharStart(t, e.Caret()) || !onCharStart(t, e.Anchor())) std::abort();
    if (nuvo::TEditText::CharCount(t) > nuvo::TEditText::kMaxChars) std::abort();
    if (!e.MultiLine() && t.find_first_of("\r\n") != std::string::npos) std::abort();
    if (e.CompositionCursor() + e.CompositionLength() > nuvo::TEditText::CharCount(e.Composition())) std::abort();
}

void run(nuvo::TEditText& e, const uint8_t* data, size_t size) {
    size_t i = 0;
    while (i < size) {
        const uint8_t op = data[i++];
        size_t len = i < size ? data[i++] : 0;
        // Lengths above 250 stand for long text (the cap and the edges).
        if (len > 250) len = (len - 250) * 8000;
        len = std::min(len, size - i);
        const std::string_view text(reinterpret_cast<const char*>(data + i), len);
        i += len;
        const bool shift = op & 0x80;
        switch (op & 0x1F) {
        case 0: e.Insert(nuvo::TEditText::FromUtf8(text)); break; // a commit or a paste
        case 1: e.SetComposition(nuvo::TEditText::FromUtf8(text), static_cast<int8_t>(len), op >> 5); break;
        case 2: e.SetText(text); break;
        case 3: e.Insert(text); break;
        case 4: e.Left(shift); break;
        case 5: e.Right(shift); break;
        case 6: e.Home(shift); break;
        case 7: e.End(shift); break;
        case 8: e.Backspace(); break;
        case 9: e.Delete(); break;
        case 10: e.Enter(); break;
        case 11: e.SelectAll(); break;
        case 12: (void)e.Cut(); break;
        case 13: e.Undo(); break;
        case 14: e.MoveTo(static_cast<int32_t>(len * 37) - 5, shift); break;
        case 15: e.SelectWordAt(static_cast<int32_t>(len * 13)); break;
        case 16: e.ClearComposition(); break;
        default: (void)e.SelectedText(); break;
        }
        check(e);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nuvo::TEditText edit(false), memo(true);
    run(edit, data, size);
    run(memo, data, size);
    return 0;
}
