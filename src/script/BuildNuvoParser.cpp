#include "script/BuildNuvoParser.h"

#include "base/Cp932.h"
#include "base/Error.h"
#include "base/StreamIO.h"
#include "script/FunctionCatalogue.h"
#include "script/NumberText.h"
#include "script/OpeCode.h"
#include "script/Param.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <unordered_map>

namespace nuvo {
namespace {

// The compiler works on text as a string of characters: each element is the
// code of one Shift-JIS character (a byte, or lead * 256 + second byte; a lone
// lead byte at the end is its byte). Cutting and inserting whole characters
// therefore never splits one, and a second byte never looks like an operator.
//
// Every character also carries its origin, the byte offset in the compiled
// text it comes from. A name the compiler puts in place of a construct (a
// temporary for a literal, a call, an element, a group) carries the origin of
// the construct, so an error found after any number of rewrites still points
// into the text as it was written.
using JChar = char16_t;

class JText {
public:
    static constexpr size_t npos = std::u16string::npos;

    JText() = default;
    // An inserted text: every character stands at origin.
    JText(std::u16string_view chars, uint32_t origin) : chars_(chars), origins_(chars.size(), origin) {}

    size_t size() const { return chars_.size(); }
    bool empty() const { return chars_.empty(); }
    JChar operator[](size_t i) const { return chars_[i]; }
    JChar front() const { return chars_.front(); }
    JChar back() const { return chars_.back(); }
    std::u16string_view chars() const { return chars_; }
    uint32_t origin(size_t i) const { return origins_[i]; }
    // The origin of the first character, or fallback for an empty text.
    uint32_t firstOrigin(uint32_t fallback = 0) const { return origins_.empty() ? fallback : origins_[0]; }

    void push(JChar c, uint32_t origin) {
        chars_.push_back(c);
        origins_.push_back(origin);
    }
    JText substr(size_t pos, size_t n = npos) const {
        JText out;
        out.chars_ = chars_.substr(pos, n);
        out.origins_.assign(origins_.begin() + static_cast<ptrdiff_t>(pos),
                            origins_.begin() + static_cast<ptrdiff_t>(pos + out.chars_.size()));
        return out;
    }
    void replace(size_t pos, size_t n, const JText& with) {
        n = std::min(n, size() - pos);
        chars_.replace(pos, n, with.chars_);
        const auto at = origins_.begin() + static_cast<ptrdiff_t>(pos);
        origins_.erase(at, at + static_cast<ptrdiff_t>(n));
        origins_.insert(origins_.begin() + static_cast<ptrdiff_t>(pos), with.origins_.begin(), with.origins_.end());
    }
    void erase(size_t pos, size_t n) { replace(pos, n, JText()); }
    size_t find(JChar c, size_t from = 0) const { return chars_.find(c, from); }
    size_t rfind(JChar c, size_t from) const { return chars_.rfind(c, from); }

    JText operator+(const JText& more) const {
        JText out = *this;
        out.chars_ += more.chars_;
        out.origins_.insert(out.origins_.end(), more.origins_.begin(), more.origins_.end());
        return out;
    }
    bool operator==(std::u16string_view s) const { return chars_ == s; }

private:
    std::u16string chars_;
    std::vector<uint32_t> origins_;
};

JText toJText(std::string_view bytes) {
    JText out;
    for (size_t pos = 0; pos < bytes.size();) {
        const auto at = static_cast<uint32_t>(pos);
        if (charLength(bytes, pos) == 2) {
            const auto lead = static_cast<uint8_t>(bytes[pos]), second = static_cast<uint8_t>(bytes[pos + 1]);
            out.push(static_cast<JChar>(lead * 256 + second), at);
            pos += 2;
        } else {
            out.push(static_cast<JChar>(static_cast<uint8_t>(bytes[pos])), at);
            pos += 1;
        }
    }
    return out;
}

std::string toBytes(const JText& text) {
    std::string out;
    out.reserve(text.size());
    for (JChar c : text.chars()) {
        if (c > 0xFF) out.push_back(static_cast<char>(c >> 8));
        out.push_back(static_cast<char>(c & 0xFF));
    }
    return out;
}

// A name the compiler puts in (ASCII), standing at origin.
JText toJText(const std::string& ascii, uint32_t origin) {
    return JText(std::u16string(ascii.begin(), ascii.end()), origin);
}

bool isIdentChar(JChar c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }
// Blanks (space and the control characters) separate nothing by themselves but
// are skipped where the compiler looks for a neighbour; trimming drops them.
bool isBlank(JChar c) { return c <= 0x20; }
bool isIn(JChar c, std::u16string_view set) { return set.find(c) != std::u16string_view::npos; }

constexpr std::u16string_view kOperatorChars = u"+-*/%|&^=[](),<>";
constexpr std::u16string_view kTokenChars = u"%&*+-/<=>^|";
constexpr std::u16string_view kUnaryLeft = u"=+-*/%&^|[(,<>";
constexpr std::u16string_view kBadLeftOperand = u"+-*/%|&^=[(<>";
constexpr std::array<std::u16string_view, 7> kTwoCharOperators = {u"==", u">=", u"<=", u"++", u"<>", u"<<", u">>"};

// Compile recursion: each level consumes a construct, so real expressions stay
// within a few levels; the bound keeps hostile text from exhausting the stack.
constexpr int kMaxCompileDepth = 64;

JText trim(const JText& s) {
    size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool isCompound(const JText& s) {
    for (JChar c : s.chars())
        if (isIn(c, kOperatorChars)) return true;
    return false;
}

[[noreturn]] void raiseAt(uint32_t origin, std::string_view utf8Message) {
    throw ECompileError(sjisText(utf8Message), origin);
}
[[noreturn]] void raiseSyntax(uint32_t origin) { raiseAt(origin, "構文エラー"); }

// Checks that the brackets open and close pairs in order; an unmatched one
// raises at that bracket (the first unclosed one when several stay open).
void checkPairs(const JText& text, JChar open, JChar close) {
    std::vector<size_t> opened;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == open) {
            opened.push_back(i);
        } else if (text[i] == close) {
            if (opened.empty()) raiseSyntax(text.origin(i));
            opened.pop_back();
        }
    }
    if (!opened.empty()) raiseSyntax(text.origin(opened.front()));
}

// The ")" that closes the "(" at open, in text whose parentheses are paired.
size_t closingParenthesis(const JText& text, size_t open) {
    int depth = 0;
    for (size_t i = open; i < text.size(); ++i) {
        if (text[i] == '(') ++depth;
        else if (text[i] == ')' && --depth == 0) return i;
    }
    raiseSyntax(text.origin(open));
}

// True when the "(" at pos is preceded, after blanks, by an identifier character.
bool followsIdentifier(const JText& text, size_t pos) {
    size_t j = pos;
    while (j > 0 && isBlank(text[j - 1])) --j;
    return j > 0 && isIdentChar(text[j - 1]);
}

// Removes parentheses that enclose the whole text, as often as they do.
JText stripEnclosingParentheses(JText text) {
    while (text.size() >= 2 && text.front() == '(' && text.back() == ')') {
        int depth = 1;
        for (size_t i = 1; i + 1 < text.size(); ++i) {
            if (text[i] == '(') ++depth;
            else if (text[i] == ')') --depth;
            if (depth == 0) return text;
        }
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

class Compiler {
public:
    Compiler(std::vector<TBuildOpeData>& ops, std::vector<uint32_t>& functionOrigins)
        : ops_(ops), functionOrigins_(functionOrigins) {}

    void compile(JText text, int depth);

private:
    std::string newTemp() { return std::string(kTempPrefix) + std::to_string(counter_++); }
    std::string newRefTemp() { return std::string(kRefTempPrefix) + std::to_string(counter_++); }
    void append(uint8_t opcode, std::string target, std::vector<std::string> operands) {
        ops_.push_back(TBuildOpeData{opcode, std::move(target), std::move(operands)});
    }

    void stringLiterals(JText& text);
    void functionCalls(JText& text, int depth);
    void arrayElements(JText& text, int depth);
    void groups(JText& text, int depth);
    void reduce(std::vector<JText>& tokens);

    std::string argumentOperand(const JText& argument, int depth);

    std::vector<TBuildOpeData>& ops_;
    std::vector<uint32_t>& functionOrigins_; // where each call's function name stands
    int counter_ = 0;
};

void Compiler::compile(JText text, int depth) {
    if (depth > kMaxCompileDepth) raiseSyntax(text.firstOrigin());
    stringLiterals(text);
    functionCalls(text, depth);
    arrayElements(text, depth);
    groups(text, depth);

    // Tokens: operands are the trimmed texts between operator characters.
    std::vector<JText> tokens;
    size_t start = 0;
    for (size_t i = 0; i < text.size();) {
        if (!isIn(text[i], kTokenChars)) {
            ++i;
            continue;
        }
        JText operand = trim(text.substr(start, i - start));
        if (!operand.empty()) tokens.push_back(std::move(operand));
        size_t len = 1;
        if (i + 1 < text.size()) {
            const std::u16string_view pair = text.chars().substr(i, 2);
            for (auto two : kTwoCharOperators)
                if (pair == two) len = 2;
        }
        tokens.push_back(text.substr(i, len));
        i += len;
        start = i;
    }
    JText rest = trim(text.substr(start));
    if (!rest.empty()) tokens.push_back(std::move(rest));

    // Unary signs: a + or - whose left neighbour is an operator (or an opening
    // bracket or comma) applies to its right neighbour alone. Visited from the
    // second last token down to the second; a removed sign is only marked, and
    // next[i] is the token that follows i once the marked ones are gone.
    if (tokens.size() >= 3) {
        std::vector<bool> removed(tokens.size(), false);
        std::vector<size_t> next(tokens.size(), tokens.size());
        for (size_t i = tokens.size() - 1; i-- > 0;) {
            next[i] = removed[i + 1] ? next[i + 1] : i + 1;
            if (i == 0) break;
            const JText& t = tokens[i];
            if ((!(t == u"+") && !(t == u"-")) || tokens[i - 1].empty() || !isIn(tokens[i - 1][0], kUnaryLeft))
                continue;
            if (t == u"-") {
                std::string u = newTemp();
                append(ocMinus, u, {"0", toBytes(tokens[next[i]])});
                tokens[next[i]] = toJText(u, t.origin(0));
            }
            removed[i] = true;
        }
        std::vector<JText> kept;
        kept.reserve(tokens.size());
        for (size_t i = 0; i < tokens.size(); ++i)
            if (!removed[i]) kept.push_back(std::move(tokens[i]));
        tokens = std::move(kept);
    }

    reduce(tokens);
}

void Compiler::stringLiterals(JText& text) {
    size_t from = 0;
    for (;;) {
        const size_t quote = text.find(u'"', from);
        if (quote == JText::npos) return;
        size_t i = quote + 1;
        bool closed = false;
        while (i < text.size()) {
            const JChar c = text[i];
            if (c == '\\' && i + 1 < text.size()) {
                const JChar next = text[i + 1];
                if (next == '"' || next == '\\') {
                    text.erase(i, 1);
                    i += 1;
                    continue;
                }
                if (next == 'n') {
                    text.replace(i, 2, JText(u"\r\n", text.origin(i)));
                    i += 2;
                    continue;
                }
            } else if (c == '"') {
                closed = true;
                break;
            }
            ++i;
        }
        if (!closed) return; // an unclosed quote stays in the text
        const std::string temp = newTemp();
        append(ocTo, temp, {toBytes(text.substr(quote, i - quote + 1))});
        text.replace(quote, i - quote + 1, toJText(temp, text.origin(quote)));
        from = quote + temp.size();
    }
}

// The calls are taken from the last one backwards, so an inner call is
// compiled before the call around it. Replacing a call keeps the parentheses
// paired, so they are checked once; the search goes on before the replaced
// call, except that a "(" right after it now follows an identifier (the
// temporary) and is the next call.
void Compiler::functionCalls(JText& text, int depth) {
    checkPairs(text, '(', ')');
    size_t scan = text.size(), next = JText::npos;
    for (;;) {
        size_t open = next;
        next = JText::npos;
        for (size_t i = scan; open == JText::npos && i-- > 0;)
            if (text[i] == '(' && followsIdentifier(text, i)) open = i;
        if (open == JText::npos) return;
        size_t nameEnd = open;
        while (nameEnd > 0 && isBlank(text[nameEnd - 1])) --nameEnd;
        size_t nameStart = nameEnd;
        while (nameStart > 0 && isIdentChar(text[nameStart - 1])) --nameStart;
        const size_t close = closingParenthesis(text, open);

        const JText name = trim(text.substr(nameStart, open - nameStart));
        const JText argText = text.substr(open + 1, close - open - 1);

        // Arguments split at commas outside square brackets.
        std::vector<JText> args;
        if (!trim(argText).empty()) {
            checkPairs(argText, '[', ']');
            int brackets = 0;
            size_t start = 0;
            for (size_t i = 0; i < argText.size(); ++i) {
                if (argText[i] == '[') {
                    ++brackets;
                } else if (argText[i] == ']') {
                    --brackets;
                } else if (argText[i] == ',' && brackets == 0) {
                    args.push_back(trim(argText.substr(start, i - start)));
                    start = i + 1;
                }
            }
            args.push_back(trim(argText.substr(start)));
        }

        const std::string result = newTemp();
        const uint32_t nameOrigin = name.firstOrigin(text.origin(open));
        text.replace(nameStart, close - nameStart + 1, toJText(result, nameOrigin));
        TBuildOpeData op{ocFunc, result, {toBytes(name)}};
        for (const JText& arg : args) op.Operands.push_back(argumentOperand(arg, depth));
        ops_.push_back(std::move(op));
        functionOrigins_.push_back(nameOrigin);

        scan = nameStart;
        size_t after = nameStart + result.size();
        while (after < text.size() && isBlank(text[after])) ++after;
        if (after < text.size() && text[after] == '(') next = after;
    }
}

// References are taken from the last "[" backwards; each one cut out holds
// exactly one "[" and one "]", so the counts are compared once.
void Compiler::arrayElements(JText& text, int depth) {
    size_t opens = 0, closes = 0;
    for (JChar c : text.chars()) {
        if (c == '[') ++opens;
        else if (c == ']') ++closes;
    }
    if (opens != closes) {
        checkPairs(text, '[', ']'); // raises at the bracket without its partner
        raiseSyntax(text.firstOrigin());
    }
    size_t scan = text.size();
    for (;;) {
        const size_t open = scan == 0 ? JText::npos : text.rfind(u'[', scan - 1);
        if (open == JText::npos) return;
        const uint32_t openOrigin = text.origin(open);
        const size_t close = text.find(u']', open);
        if (close == JText::npos) raiseSyntax(openOrigin);

        size_t nameEnd = open;
        while (nameEnd > 0 && isBlank(text[nameEnd - 1])) --nameEnd;
        if (nameEnd > 0 && isIn(text[nameEnd - 1], kOperatorChars)) raiseSyntax(openOrigin);
        size_t nameStart = nameEnd;
        while (nameStart > 0 && !isBlank(text[nameStart - 1]) && !isIn(text[nameStart - 1], kOperatorChars)) --nameStart;
        if (nameStart == nameEnd) raiseSyntax(openOrigin);

        const JText name = text.substr(nameStart, nameEnd - nameStart);
        const JText inner = text.substr(open + 1, close - open - 1);
        const std::string ref = newRefTemp();
        text.replace(nameStart, close - nameStart + 1, toJText(ref, name.origin(0)));
        if (trim(inner).empty()) raiseAt(openOrigin, "配列の添え字が不正です");

        TBuildOpeData op{ocDimTo, ref, {toBytes(name)}};
        size_t start = 0;
        for (size_t i = 0; i <= inner.size(); ++i) {
            if (i < inner.size() && inner[i] != ',') continue;
            op.Operands.push_back(argumentOperand(trim(inner.substr(start, i - start)), depth));
            start = i + 1;
        }
        ops_.push_back(std::move(op));
        scan = nameStart;
    }
}

// Groups are taken from the last "(" backwards; replacing one changes nothing
// before it, so the search goes on from there.
void Compiler::groups(JText& text, int depth) {
    checkPairs(text, '(', ')');
    size_t scan = text.size();
    for (;;) {
        size_t open = JText::npos;
        for (size_t i = scan; open == JText::npos && i-- > 0;)
            if (text[i] == '(' && !followsIdentifier(text, i)) open = i;
        if (open == JText::npos) return;
        const size_t close = closingParenthesis(text, open);
        const JText inner = text.substr(open + 1, close - open - 1);
        const std::string group = newTemp();
        const uint32_t origin = text.origin(open);
        text.replace(open, close - open + 1, toJText(group, origin));
        compile(toJText(group + " = ", origin) + inner, depth + 1);
        scan = open;
    }
}

std::string Compiler::argumentOperand(const JText& argument, int depth) {
    const JText text = stripEnclosingParentheses(argument);
    if (text.empty()) return {};
    if (!isCompound(text)) return toBytes(text);
    std::string temp = newTemp();
    compile(toJText(temp + " = ", text.origin(0)) + text, depth + 1);
    return temp;
}

uint8_t binaryOpcode(const JText& t) {
    static const std::array<std::pair<std::u16string_view, uint8_t>, 18> table = {{
        {u"*", ocMul},     {u"/", ocDiv},    {u"%", ocMod},    {u"+", ocPlus},     {u"-", ocMinus},  {u"<<", ocShiftL},
        {u">>", ocShiftR}, {u"==", ocEqual}, {u">=", ocEBig},  {u"<=", ocESmall},  {u">", ocBig},    {u"<", ocSmall},
        {u"<>", ocNEqual}, {u"++", ocComboStr}, {u"&", ocAnd}, {u"^", ocXor},      {u"|", ocOr},     {u"=", ocTo},
    }};
    for (const auto& [text, code] : table)
        if (t == text) return code;
    return ocNone;
}

// Reduction by precedence: the groups in order, and in each group its
// operators from left to right, which is what taking the leftmost operator of
// the first group that has one, over and over, comes to. Each group is one
// pass that builds the shorter token list.
void Compiler::reduce(std::vector<JText>& tokens) {
    static const std::array<std::vector<std::u16string_view>, 9> groups = {{
        {u"*", u"/", u"%"},
        {u"+", u"-"},
        {u"<<", u">>"},
        {u"==", u">=", u"<=", u">", u"<", u"<>"},
        {u"++"},
        {u"&"},
        {u"^"},
        {u"|"},
        {u"="},
    }};
    if (tokens.empty()) {
        append(ocTo, std::string(kArgTemp), {std::string()});
        return;
    }
    bool assigned = false;
    // An operator taken as an operand ("a * * b" multiplies a by a name "*")
    // compiles, but is where a text that fails later went wrong.
    std::optional<uint32_t> operatorOperand;
    for (const auto& group : groups) {
        auto inGroup = [&](const JText& t) {
            for (auto op : group)
                if (t == op) return true;
            return false;
        };
        std::vector<JText> out;
        out.reserve(tokens.size());
        for (size_t i = 0; i < tokens.size(); ++i) {
            if (!inGroup(tokens[i])) {
                out.push_back(std::move(tokens[i]));
                continue;
            }
            const uint8_t code = binaryOpcode(tokens[i]);
            const uint32_t at = tokens[i].origin(0);
            if (i + 1 >= tokens.size()) raiseSyntax(at); // an operator without its right operand
            const JText& right = tokens[i + 1];
            if (!operatorOperand && binaryOpcode(right) != ocNone) operatorOperand = right.origin(0);
            if (code == ocTo) {
                if (out.empty()) raiseSyntax(at);
                append(ocTo, toBytes(out.back()), {toBytes(right)});
                out.pop_back();
                assigned = true;
            } else if (!out.empty()) {
                const JText& left = out.back();
                if (!left.empty() && isIn(left[0], kBadLeftOperand)) raiseSyntax(at);
                std::string temp = newTemp();
                append(code, temp, {toBytes(left), toBytes(right)});
                out.back() = toJText(temp, left.firstOrigin(at));
            } else {
                if (code != ocPlus && code != ocMinus) raiseSyntax(at);
                std::string temp = newTemp();
                append(code, temp, {"0", toBytes(right)});
                out.push_back(toJText(temp, at));
            }
            ++i;
        }
        tokens = std::move(out);
    }
    if (tokens.empty()) return; // an assignment took them all
    // Left over: an operand no operator takes (the first after an assignment,
    // else the second), which only an operator taken as an operand leaves.
    if (assigned || tokens.size() > 1)
        raiseSyntax(operatorOperand.value_or(tokens[assigned ? 0 : 1].firstOrigin()));
    append(ocTo, std::string(kArgTemp), {toBytes(tokens[0])});
}

bool isPlainTemp(std::string_view name) {
    return isTempName(name) && name.substr(0, kRefTempPrefix.size()) != kRefTempPrefix && name != kArgTemp;
}

// A copy from one temporary into another is dropped and the later operations
// use the source directly. Done in one walk: renamed[t] is the name that
// replaces t in every later operation (followed, as renames made later apply
// to names given by earlier ones).
void eliminateCopies(std::vector<TBuildOpeData>& ops) {
    std::unordered_map<std::string, std::string> renamed;
    auto resolve = [&](std::string& name) {
        auto it = renamed.find(name);
        if (it == renamed.end()) return;
        std::string final = it->second;
        for (auto more = renamed.find(final); more != renamed.end(); more = renamed.find(final)) final = more->second;
        it->second = final;
        name = final;
    };
    std::vector<TBuildOpeData> kept;
    kept.reserve(ops.size());
    for (TBuildOpeData& op : ops) {
        resolve(op.Target);
        for (std::string& operand : op.Operands) resolve(operand);
        if (op.Opcode == ocTo && !op.Operands.empty() && isPlainTemp(op.Target) && isPlainTemp(op.Operands[0])) {
            if (op.Target != op.Operands[0]) renamed[op.Target] = op.Operands[0];
            continue;
        }
        kept.push_back(std::move(op));
    }
    ops = std::move(kept);
}

void writeOperand(TStream& s, const std::string& text) {
    if (auto i = parseInt(text)) {
        WriteByte(s, PT_INT);
        WriteInt(s, *i);
    } else if (auto x = parseReal(text)) {
        WriteByte(s, PT_FLOAT);
        WriteFloat(s, *x);
    } else if (text == "TRUE" || text == "FALSE") {
        WriteByte(s, PT_BOOL);
        WriteByte(s, text == "TRUE" ? 1 : 0);
    } else if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        WriteByte(s, PT_STR);
        WriteStr(s, std::string_view(text).substr(1, text.size() - 2));
    } else {
        WriteByte(s, PT_NONE);
        WriteStr(s, text);
    }
}

} // namespace

ECompileError::ECompileError(std::string sjisMessage, size_t offset)
    : ENuvoError(std::move(sjisMessage)), offset_(offset) {}

void TBuildNuvoParser::Build(std::string_view text) {
    ops_.clear();
    functionOrigins_.clear();
    try {
        if (text.size() > kMaxExpressionBytes) raiseAt(static_cast<uint32_t>(kMaxExpressionBytes), "式が長すぎます");
        Compiler compiler(ops_, functionOrigins_);
        compiler.compile(trim(toJText(text)), 0);
        eliminateCopies(ops_);
    } catch (...) {
        ops_.clear();
        functionOrigins_.clear();
        throw;
    }
}

void TBuildNuvoParser::SaveToStream(TStream& s) const {
    // Check every function first, so that nothing is written for a text that fails.
    // The calls are the operations ocFunc, in the order their names were
    // recorded (removing copies never drops one).
    std::vector<int> functions(ops_.size(), -1);
    size_t call = 0;
    for (size_t i = 0; i < ops_.size(); ++i) {
        const TBuildOpeData& op = ops_[i];
        if (op.Opcode != ocFunc) continue;
        const size_t origin = call < functionOrigins_.size() ? functionOrigins_[call] : 0;
        ++call;
        const std::string& name = op.Operands.at(0);
        const int number = findFunction(name);
        if (number < 0) throw ECompileError(formatSjis(sjisText("\"%s\" 関数名がありません"), {name}), origin);
        if (!functionInfo(number).acceptsArgCount(static_cast<int64_t>(op.Operands.size()) - 1))
            throw ECompileError(
                formatSjis(sjisText("%s 引数の数が不正です"), {std::string_view(functionInfo(number).name)}), origin);
        functions[i] = number;
    }
    WriteInt(s, static_cast<int32_t>(ops_.size()));
    for (size_t i = 0; i < ops_.size(); ++i) {
        const TBuildOpeData& op = ops_[i];
        WriteByte(s, op.Opcode);
        WriteStr(s, op.Target);
        const size_t first = op.Opcode == ocFunc ? 1 : 0;
        WriteInt(s, static_cast<int32_t>(op.Operands.size() - first));
        if (op.Opcode == ocFunc) WriteByte(s, static_cast<uint8_t>(functions[i]));
        for (size_t k = first; k < op.Operands.size(); ++k) writeOperand(s, op.Operands[k]);
    }
}

std::string describeOperation(const TBuildOpeData& op) {
    std::string out(opeCodeName(op.Opcode));
    if (out.empty()) out = "oc" + std::to_string(op.Opcode);
    out += ' ';
    out += op.Target;
    out += " :=";
    for (size_t i = 0; i < op.Operands.size(); ++i) {
        out += i == 0 ? " " : ", ";
        out += op.Operands[i];
    }
    return out;
}

} // namespace nuvo
