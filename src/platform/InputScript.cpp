#include "platform/InputScript.h"

#include "platform/VirtualKeys.h"

#include <algorithm>
#include <optional>

namespace nuvo::platform {

EInputScriptError::EInputScriptError(int line, const std::string& message)
    : std::runtime_error("input script line " + std::to_string(line) + ": " + message), line_(line) {}

namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

std::vector<std::string_view> splitWords(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        if (i >= line.size()) break;
        size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r')
            ++j;
        words.push_back(line.substr(i, j - i));
        i = j;
    }
    return words;
}

// A decimal integer with an optional sign within [low, high].
std::optional<int64_t> parseInteger(std::string_view s, int64_t low, int64_t high) {
    bool negative = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.size() > 12) return std::nullopt;
    int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (negative) v = -v;
    if (v < low || v > high) return std::nullopt;
    return v;
}

// Shows a word of the text in a message, shortened and with control bytes
// replaced, since the text is whatever the file holds.
std::string shown(std::string_view word) {
    std::string out = "\"";
    for (size_t i = 0; i < word.size() && i < 40; ++i) {
        const unsigned char c = static_cast<unsigned char>(word[i]);
        out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
    }
    if (word.size() > 40) out += "...";
    return out + "\"";
}

class LineParser {
public:
    LineParser(int line, std::vector<std::string_view> words) : line_(line), words_(std::move(words)) {}

    void parse(std::vector<InputAction>& out) {
        const auto frame = parseInteger(words_[0], 0, kMaxScriptFrame);
        if (!frame)
            fail("the line must begin with a frame number (0 to " + std::to_string(kMaxScriptFrame) + "), not " +
                 shown(words_[0]));
        if (words_.size() < 2) fail("an action must follow the frame number");
        frame_ = *frame;
        next_ = 2;
        const std::string_view action = words_[1];
        if (sameWord(action, "move")) {
            InputAction a = make(InputAction::Kind::Move);
            readPosition(a, true);
            out.push_back(a);
        } else if (sameWord(action, "down") || sameWord(action, "up")) {
            InputAction a = make(sameWord(action, "down") ? InputAction::Kind::Down : InputAction::Kind::Up);
            a.button = readButton();
            readPosition(a, false);
            out.push_back(a);
        } else if (sameWord(action, "click")) {
            InputAction down = make(InputAction::Kind::Down);
            down.button = readButton();
            readPosition(down, true);
            InputAction up = down;
            up.kind = InputAction::Kind::Up;
            up.frame = frame_ + 1;
            out.push_back(down);
            out.push_back(up);
        } else if (sameWord(action, "wheel")) {
            InputAction a = make(InputAction::Kind::Wheel);
            const std::string_view dir = take("up or down");
            if (sameWord(dir, "up"))
                a.wheelUp = true;
            else if (!sameWord(dir, "down"))
                fail("wheel takes up or down, not " + shown(dir));
            int64_t count = 1;
            if (next_ < words_.size()) {
                const auto n = parseInteger(words_[next_], 1, kMaxWheelNotches);
                if (!n)
                    fail("the wheel count must be 1 to " + std::to_string(kMaxWheelNotches) + ", not " +
                         shown(words_[next_]));
                count = *n;
                ++next_;
            }
            for (int64_t i = 0; i < count; ++i)
                out.push_back(a);
        } else if (sameWord(action, "keydown") || sameWord(action, "keyup")) {
            InputAction a = make(sameWord(action, "keydown") ? InputAction::Kind::KeyDown : InputAction::Kind::KeyUp);
            a.key = readKey();
            out.push_back(a);
        } else if (sameWord(action, "key")) {
            InputAction down = make(InputAction::Kind::KeyDown);
            down.key = readKey();
            InputAction up = down;
            up.kind = InputAction::Kind::KeyUp;
            up.frame = frame_ + 1;
            out.push_back(down);
            out.push_back(up);
        } else if (sameWord(action, "answer")) {
            InputAction a = make(InputAction::Kind::Answer);
            const std::string_view word = take("ok, cancel, yes or no");
            if (sameWord(word, "ok"))
                a.answer = MessageResult::Ok;
            else if (sameWord(word, "cancel"))
                a.answer = MessageResult::Cancel;
            else if (sameWord(word, "yes"))
                a.answer = MessageResult::Yes;
            else if (sameWord(word, "no"))
                a.answer = MessageResult::No;
            else
                fail("answer takes ok, cancel, yes or no, not " + shown(word));
            out.push_back(a);
        } else if (sameWord(action, "toolbar")) {
            InputAction a = make(InputAction::Kind::Toolbar);
            const std::string_view word = take("quit or screen");
            if (sameWord(word, "quit"))
                a.toolbarButton = ToolbarButton::Quit;
            else if (sameWord(word, "screen"))
                a.toolbarButton = ToolbarButton::ScreenSwitch;
            else
                fail("toolbar takes quit or screen, not " + shown(word));
            out.push_back(a);
        } else if (sameWord(action, "quit")) {
            out.push_back(make(InputAction::Kind::Quit));
        } else if (sameWord(action, "activate")) {
            out.push_back(make(InputAction::Kind::Activate));
        } else if (sameWord(action, "deactivate")) {
            out.push_back(make(InputAction::Kind::Deactivate));
        } else {
            fail("unknown action " + shown(action));
        }
        if (next_ < words_.size()) fail("unexpected " + shown(words_[next_]) + " after the action's arguments");
    }

private:
    [[noreturn]] void fail(const std::string& message) const { throw EInputScriptError(line_, message); }

    InputAction make(InputAction::Kind kind) const {
        InputAction a;
        a.frame = frame_;
        a.kind = kind;
        a.line = line_;
        return a;
    }

    std::string_view take(const char* what) {
        if (next_ >= words_.size()) fail(std::string("missing argument: ") + what);
        return words_[next_++];
    }

    MouseButton readButton() {
        if (next_ >= words_.size()) return MouseButton::Left;
        const std::string_view w = words_[next_];
        if (sameWord(w, "left")) return ++next_, MouseButton::Left;
        if (sameWord(w, "right")) return ++next_, MouseButton::Right;
        if (sameWord(w, "middle")) return ++next_, MouseButton::Middle;
        return MouseButton::Left;
    }

    int32_t readCoordinate(std::string_view word) const {
        const auto v = parseInteger(word, -kMaxScriptCoordinate, kMaxScriptCoordinate);
        if (!v)
            fail("a coordinate must be a whole number within +-" + std::to_string(kMaxScriptCoordinate) + ", not " +
                 shown(word));
        return static_cast<int32_t>(*v);
    }

    void readPosition(InputAction& a, bool required) {
        if (next_ >= words_.size()) {
            if (required) fail("missing position X Y");
            return;
        }
        a.x = readCoordinate(words_[next_++]);
        if (next_ >= words_.size()) fail("missing Y after X");
        a.y = readCoordinate(words_[next_++]);
        a.hasPosition = true;
    }

    uint8_t readKey() {
        const std::string_view word = take("a key (a name or a number 1 to 255)");
        const uint8_t key = vk::keyFromName(word);
        if (!key) fail("unknown key " + shown(word));
        return key;
    }

    int line_;
    std::vector<std::string_view> words_;
    int64_t frame_ = 0;
    size_t next_ = 0;
};

} // namespace

std::vector<InputAction> parseInputScript(std::string_view text) {
    std::vector<InputAction> actions;
    int lineNumber = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        const size_t end = std::min(text.find('\n', pos), text.size());
        std::string_view line = text.substr(pos, end - pos);
        ++lineNumber;
        pos = end + 1;
        if (const size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
        auto words = splitWords(line);
        if (!words.empty()) LineParser(lineNumber, std::move(words)).parse(actions);
        if (end == text.size()) break;
    }
    std::stable_sort(actions.begin(), actions.end(),
                     [](const InputAction& a, const InputAction& b) { return a.frame < b.frame; });
    return actions;
}

} // namespace nuvo::platform
