#include "engine/ExprText.h"

#include "base/Cp932.h"
#include "base/Error.h"
#include "base/Stream.h"
#include "base/StreamIO.h"
#include "engine/SourceText.h"
#include "script/BuildNuvoParser.h"
#include "script/FunctionCatalogue.h"
#include "script/NumberText.h"
#include "script/NuvoParser.h"
#include "script/OpeCode.h"
#include "script/ParamStorage.h"
#include "script/ParamVar.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <map>

namespace nuvo {
namespace {

// ---- operands ---------------------------------------------------------------

const TParamVar* asReference(const TCustomParam& p) { return dynamic_cast<const TParamVar*>(&p); }

std::array<uint8_t, 10> floatBytes(const TCustomParam& p) {
    std::array<uint8_t, 10> b{};
    float80ToBytes(static_cast<const TParamFloat&>(p).Data()[0], b.data());
    return b;
}

uint8_t flagByte(const TCustomParam& p) { return static_cast<const TParamFlag&>(p).Data()[0]; }

std::string streamBytes(const TNuvoParser& e) {
    TKvMemoryStream s;
    e.SaveToStream(s);
    return std::string(s.bytes().begin(), s.bytes().end());
}

// ---- decompiling ------------------------------------------------------------

// Expressions with more operators than this are tried only without redundant
// parentheses beyond the first ones.
constexpr size_t kMaxGroupSearch = 6;

// Precedence groups of the compiler, highest first; assignment is the last.
int precedenceGroup(uint8_t op) {
    switch (op) {
    case ocMul:
    case ocDiv:
    case ocMod:
        return 0;
    case ocPlus:
    case ocMinus:
        return 1;
    case ocShiftL:
    case ocShiftR:
        return 2;
    case ocEqual:
    case ocBig:
    case ocSmall:
    case ocEBig:
    case ocESmall:
    case ocNEqual:
        return 3;
    case ocComboStr:
        return 4;
    case ocAnd:
        return 5;
    case ocXor:
        return 6;
    case ocOr:
        return 7;
    default:
        return -1;
    }
}

const char* operatorText(uint8_t op) {
    switch (op) {
    case ocPlus:
        return "+";
    case ocMinus:
        return "-";
    case ocMul:
        return "*";
    case ocDiv:
        return "/";
    case ocMod:
        return "%";
    case ocOr:
        return "|";
    case ocAnd:
        return "&";
    case ocXor:
        return "^";
    case ocEqual:
        return "==";
    case ocBig:
        return ">";
    case ocSmall:
        return "<";
    case ocEBig:
        return ">=";
    case ocESmall:
        return "<=";
    case ocShiftL:
        return "<<";
    case ocShiftR:
        return ">>";
    case ocComboStr:
        return "++";
    case ocNEqual:
        return "<>";
    default:
        return nullptr;
    }
}

bool isPlainTempName(std::string_view n) {
    return isTempName(n) && n.substr(0, kRefTempPrefix.size()) != kRefTempPrefix && n != kArgTemp;
}

// A name the compiler reads back as one operand token naming a variable.
bool isPlainToken(std::string_view s) {
    if (s.empty() || isTempName(s) || s == "TRUE" || s == "FALSE") return false;
    for (size_t i = 0; i < s.size(); i += charLength(s, i)) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c <= 0x20 || c == 0x7F || c == '"' ||
            std::string_view("+-*/%|&^=[](),<>{}").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
    }
    return !parseInt(s) && !parseReal(s);
}

// A real constant as the compiler reads it: no sign anywhere (signs are
// operators), a point or an exponent.
std::optional<std::string> realLiteral(const std::array<uint8_t, 10>& bytes) {
    const long double v = float80FromBytes(bytes.data());
    if (!(v >= 0)) return std::nullopt;
    char buf[128];
    for (int precision = 1; precision <= 21; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*Lg", precision, v);
        std::string t = buf;
        if (t.find_first_of("ni-") != std::string::npos) {
            std::snprintf(buf, sizeof buf, "%.*Lf", precision + 40, v);
            t = buf;
            while (t.size() > 1 && t.back() == '0' && t[t.size() - 2] != '.')
                t.pop_back();
        }
        if (t.find_first_of("ni") != std::string::npos) return std::nullopt;
        if (const size_t e = t.find("e+"); e != std::string::npos) t.erase(e + 1, 1);
        if (t.find_first_of(".e") == std::string::npos) t += ".0";
        const auto back = parseReal(t);
        if (parseInt(t) || !back) continue;
        std::array<uint8_t, 10> b{};
        float80ToBytes(*back, b.data());
        if (b == bytes) return t;
    }
    return std::nullopt;
}

// The text of a string literal whose value is s, or nullopt when no literal
// gives it (a lone CR or LF, other control bytes).
std::optional<std::string> stringLiteral(std::string_view s) {
    std::string out = "\"";
    for (size_t i = 0; i < s.size();) {
        const size_t len = charLength(s, i);
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (len == 2) {
            out.append(s.substr(i, 2));
        } else if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            out += "\\n";
            i += 2;
            continue;
        } else if (c < 0x20 || c == 0x7F) {
            return std::nullopt;
        } else if (c == '"') {
            out += "\\\"";
        } else if (c == '\\') {
            const char next = i + 1 < s.size() ? s[i + 1] : '"';
            out += (next == '"' || next == '\\' || next == 'n') ? "\\\\" : "\\";
        } else {
            out += static_cast<char>(c);
        }
        i += len;
    }
    out += '"';
    return out;
}

struct Node {
    enum Kind { Atom, Literal, Binary, Unary, Func, Dim, Group } kind = Atom;
    std::string text; // Atom: the token; Literal: the value; Func, Dim: the name
    uint8_t op = 0;
    std::vector<int> kids;
};

class Decompiler {
public:
    explicit Decompiler(const TNuvoParser& e) : ops_(e.Operations()) {}

    // Builds the tree; false when the list is not one the compiler makes.
    bool build();
    // forced: nodes put in parentheses where the precedence does not ask for them.
    std::optional<std::string> render(bool unaryAsMinus, const std::vector<bool>& forced);
    // Binary and unary nodes below the top: where redundant parentheses may stand.
    std::vector<int> groupable() const;
    size_t NodeCount() const { return nodes_.size(); }

private:
    int operandNode(const TCustomParam& p, bool allowEmpty);
    int add(Node n) {
        nodes_.push_back(std::move(n));
        return static_cast<int>(nodes_.size()) - 1;
    }
    // Renders node i; level is its precedence group (-1 for a single token).
    bool renderNode(int i, std::string& out, int& level);
    bool renderChild(int i, int parentLevel, bool right, std::string& out);

    const std::vector<TOpeData>& ops_;
    std::vector<Node> nodes_;
    std::map<std::string, int> temps_; // defined, not yet used
    int root_ = -1;
    std::string assignTarget_;
    int assignDim_ = -1;
    bool unaryAsMinus_ = true;
    std::vector<bool> forced_;
};

int Decompiler::operandNode(const TCustomParam& p, bool allowEmpty) {
    if (const TParamVar* ref = asReference(p)) {
        const std::string& name = ref->TargetName;
        if (isTempName(name)) {
            auto it = temps_.find(name);
            if (it == temps_.end()) return -1;
            const int node = it->second;
            temps_.erase(it);
            return node;
        }
        if (name.empty()) return allowEmpty ? add({Node::Atom, "", 0, {}}) : -1;
        return isPlainToken(name) ? add({Node::Atom, name, 0, {}}) : -1;
    }
    switch (p.ParamType()) {
    case PT_INT: {
        const int32_t v = p.AsInteger();
        return v < 0 ? -1 : add({Node::Atom, std::to_string(v), 0, {}});
    }
    case PT_FLOAT: {
        const auto t = realLiteral(floatBytes(p));
        return t ? add({Node::Atom, *t, 0, {}}) : -1;
    }
    case PT_BOOL: {
        const uint8_t b = flagByte(p);
        return b > 1 ? -1 : add({Node::Atom, b ? "TRUE" : "FALSE", 0, {}});
    }
    default:
        return -1; // string constants only come through literal temporaries
    }
}

bool Decompiler::build() {
    for (size_t k = 0; k < ops_.size(); ++k) {
        const TOpeData& op = ops_[k];
        const bool last = k + 1 == ops_.size();
        const auto& args = op.Operands;
        Node n;
        if (op.Opcode == ocTo && args.size() == 1) {
            if (isPlainTempName(op.Target)) {
                if (args[0]->ParamType() == PT_STR && !asReference(*args[0])) {
                    n = {Node::Literal, args[0]->AsString(), 0, {}};
                } else {
                    const int inner = operandNode(*args[0], false);
                    if (inner < 0) return false;
                    n = {Node::Group, "", 0, {inner}};
                }
            } else {
                if (!last) return false;
                const int value = operandNode(*args[0], false);
                if (value < 0) return false;
                root_ = value;
                if (op.Target == kArgTemp) return temps_.empty();
                if (op.Target.substr(0, kRefTempPrefix.size()) == kRefTempPrefix) {
                    auto it = temps_.find(op.Target);
                    if (it == temps_.end()) return false;
                    assignDim_ = it->second;
                    temps_.erase(it);
                } else if (!isPlainToken(op.Target)) {
                    return false;
                }
                assignTarget_ = op.Target;
                return temps_.empty();
            }
        } else if (precedenceGroup(op.Opcode) >= 0 && args.size() == 2 && isPlainTempName(op.Target)) {
            const bool zero = !asReference(*args[0]) && args[0]->ParamType() == PT_INT && args[0]->AsInteger() == 0;
            if (op.Opcode == ocMinus && zero) {
                const int x = operandNode(*args[1], false);
                if (x < 0) return false;
                n = {Node::Unary, "", op.Opcode, {x}};
            } else {
                const int a = operandNode(*args[0], false);
                const int b = a < 0 ? -1 : operandNode(*args[1], false);
                if (b < 0) return false;
                n = {Node::Binary, "", op.Opcode, {a, b}};
            }
        } else if (op.Opcode == ocFunc && isPlainTempName(op.Target)) {
            // No text names a number beyond the catalogue.
            if (!isFunctionNumber(op.FuncId)) return false;
            if (args.size() == 1 && asReference(*args[0]) && asReference(*args[0])->TargetName.empty()) return false;
            n = {Node::Func, functionInfo(op.FuncId).name, 0, {}};
            for (const auto& a : args) {
                const int x = operandNode(*a, true);
                if (x < 0) return false;
                n.kids.push_back(x);
            }
        } else if (op.Opcode == ocDimTo && args.size() >= 2 && op.Target.substr(0, 6) == kRefTempPrefix) {
            const TParamVar* array = asReference(*args[0]);
            if (!array || array->TargetName.empty() || isTempName(array->TargetName)) return false;
            n = {Node::Dim, array->TargetName, 0, {}};
            for (size_t a = 1; a < args.size(); ++a) {
                const int x = operandNode(*args[a], true);
                if (x < 0) return false;
                n.kids.push_back(x);
            }
        } else {
            return false;
        }
        if (temps_.count(op.Target)) return false;
        temps_[op.Target] = add(std::move(n));
    }
    return false; // no final assignment
}

bool Decompiler::renderChild(int i, int parentLevel, bool right, std::string& out) {
    std::string text;
    int level = -1;
    if (!renderNode(i, text, level)) return false;
    bool parens = forced_[static_cast<size_t>(i)] || (right ? level >= parentLevel : level > parentLevel);
    out += parens ? "(" + text + ")" : text;
    return true;
}

bool Decompiler::renderNode(int i, std::string& out, int& level) {
    const Node& n = nodes_[static_cast<size_t>(i)];
    level = -1;
    switch (n.kind) {
    case Node::Atom:
        out += n.text;
        return true;
    case Node::Literal: {
        const auto t = stringLiteral(n.text);
        if (!t) return false;
        out += *t;
        return true;
    }
    case Node::Group: {
        std::string inner;
        int innerLevel;
        if (!renderNode(n.kids[0], inner, innerLevel)) return false;
        out += "(" + inner + ")";
        return true;
    }
    case Node::Unary: {
        if (!unaryAsMinus_) {
            level = 1;
            out += "0 - ";
            return renderChild(n.kids[0], 1, true, out);
        }
        std::string inner;
        int innerLevel;
        if (!renderNode(n.kids[0], inner, innerLevel)) return false;
        out += innerLevel >= 0 ? "-(" + inner + ")" : "-" + inner;
        return true;
    }
    case Node::Binary: {
        level = precedenceGroup(n.op);
        if (!renderChild(n.kids[0], level, false, out)) return false;
        out += ' ';
        out += operatorText(n.op);
        out += ' ';
        return renderChild(n.kids[1], level, true, out);
    }
    case Node::Func:
    case Node::Dim: {
        out += n.text;
        out += n.kind == Node::Func ? '(' : '[';
        for (size_t k = 0; k < n.kids.size(); ++k) {
            if (k) out += ", ";
            std::string arg;
            int argLevel;
            if (!renderNode(n.kids[k], arg, argLevel)) return false;
            // Parentheses around a whole argument are taken off by the compiler.
            out += arg;
        }
        out += n.kind == Node::Func ? ')' : ']';
        return true;
    }
    }
    return false;
}

std::vector<int> Decompiler::groupable() const {
    std::vector<int> out;
    for (size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].kind == Node::Binary || nodes_[i].kind == Node::Unary) out.push_back(static_cast<int>(i));
    return out;
}

std::optional<std::string> Decompiler::render(bool unaryAsMinus, const std::vector<bool>& forced) {
    unaryAsMinus_ = unaryAsMinus;
    forced_ = forced;
    forced_.resize(nodes_.size());
    std::string out;
    int level;
    if (assignDim_ >= 0) {
        if (!renderNode(assignDim_, out, level)) return std::nullopt;
        out += " = ";
    } else if (!assignTarget_.empty()) {
        out += assignTarget_ + " = ";
    }
    std::string value;
    if (!renderNode(root_, value, level)) return std::nullopt;
    out += forced_[static_cast<size_t>(root_)] ? "(" + value + ")" : value;
    return out;
}

enum class Match { Same, SameShape, Different };

// Whether text compiles to the expected stream form; SameShape when only the
// names of temporaries differ in places (what parentheses can change).
Match compiles(const std::string& text, const std::string& expected, const TNuvoParser& original) {
    try {
        TBuildNuvoParser builder;
        builder.Build(text);
        TKvMemoryStream s;
        builder.SaveToStream(s);
        if (std::string(s.bytes().begin(), s.bytes().end()) == expected) return Match::Same;
        const auto& ops = builder.Operations();
        const auto& want = original.Operations();
        // Parentheses change the order of the operations and the numbers of
        // the temporaries, never which operations there are.
        std::vector<std::pair<uint8_t, size_t>> got, wanted;
        for (const auto& op : ops)
            got.emplace_back(op.Opcode, op.Operands.size() - (op.Opcode == ocFunc ? 1 : 0));
        for (const auto& op : want)
            wanted.emplace_back(op.Opcode, op.Operands.size());
        std::sort(got.begin(), got.end());
        std::sort(wanted.begin(), wanted.end());
        return got == wanted ? Match::SameShape : Match::Different;
    } catch (const ENuvoError&) {
        return Match::Different;
    }
}

// The braces of the source form hold the text exactly.
bool fitsBraces(const std::string& utf8) {
    for (unsigned char c : utf8)
        if (c < 0x20 || c == 0x7F) return false;
    if (!utf8.empty() && (utf8.front() == ' ' || utf8.back() == ' ')) return false;
    const std::string braced = "{" + utf8 + "}";
    SourceLexer lex(braced, 0);
    try {
        return lex.BracedExpression() == utf8 && lex.AtEnd();
    } catch (const ESourceError&) {
        return false;
    }
}

// ---- raw operation lists --------------------------------------------------------

std::string rawOperand(const TCustomParam& p) {
    if (const TParamVar* ref = asReference(p)) return nameText(ref->TargetName);
    switch (p.ParamType()) {
    case PT_INT:
        return std::to_string(p.AsInteger());
    case PT_FLOAT:
        return realText(floatBytes(p));
    case PT_BOOL: {
        const uint8_t b = flagByte(p);
        return b == 0 ? "FALSE" : b == 1 ? "TRUE" : "FLAG(" + std::to_string(b) + ")";
    }
    default:
        return quoteText(p.AsString());
    }
}

std::string opcodeText(uint8_t code) {
    const std::string_view name = opeCodeName(code);
    return name.empty() ? "oc" + std::to_string(code) : std::string(name);
}

int opcodeFromText(std::string_view w) {
    for (int c = 0; c <= kLastOpeCode; ++c)
        if (opeCodeName(static_cast<uint8_t>(c)) == w) return c;
    if (w.size() > 2 && w.substr(0, 2) == "oc") {
        int v = 0;
        for (char ch : w.substr(2)) {
            if (ch < '0' || ch > '9') return -1;
            v = v * 10 + (ch - '0');
            if (v > 255) return -1;
        }
        return v;
    }
    return -1;
}

void writeRawOperand(SourceLexer& lex, TStream& out) {
    const char c = lex.Peek();
    if (c == '"') {
        WriteByte(out, PT_STR);
        WriteStr(out, lex.QuotedString());
    } else if (c == '$') {
        WriteByte(out, PT_NONE);
        WriteStr(out, lex.Name());
    } else if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '#') {
        const std::string t = lex.NumberToken();
        if (t[0] == '#' || t.find_first_of(".eE") != std::string::npos) {
            const auto bytes = parseRealText(t);
            if (!bytes) lex.Fail("bad real constant '" + t + "'");
            WriteByte(out, PT_FLOAT);
            out.write(bytes->data(), 10);
        } else {
            SourceLexer num(t, lex.Line());
            const int64_t v = num.Integer();
            if (!num.AtEnd() || v < INT32_MIN || v > INT32_MAX) lex.Fail("bad integer constant '" + t + "'");
            WriteByte(out, PT_INT);
            WriteInt(out, static_cast<int32_t>(v));
        }
    } else if (lex.StartsWith("TRUE") || lex.StartsWith("FALSE") || lex.StartsWith("FLAG")) {
        const std::string w = lex.Word();
        if (w != "TRUE" && w != "FALSE" && w != "FLAG") {
            const auto name = utf8EscapedToSjis(w);
            if (!name) lex.Fail("a name without a Shift-JIS form");
            WriteByte(out, PT_NONE);
            WriteStr(out, *name);
            return;
        }
        WriteByte(out, PT_BOOL);
        if (w == "FLAG") {
            lex.Expect('(');
            const int64_t v = lex.Integer();
            if (v < 0 || v > 255) lex.Fail("a flag constant holds one byte");
            lex.Expect(')');
            WriteByte(out, static_cast<uint8_t>(v));
        } else {
            WriteByte(out, w == "TRUE" ? 1 : 0);
        }
    } else {
        WriteByte(out, PT_NONE);
        WriteStr(out, lex.Name());
    }
}

std::string readRawList(SourceLexer& lex) {
    TKvMemoryStream body;
    int32_t count = 0;
    lex.Expect('{');
    while (!lex.Accept('}')) {
        if (count > 0) lex.Expect(';');
        const std::string word = lex.RequireWord("an operation name");
        const int code = opcodeFromText(word);
        if (code < 0) lex.Fail("unknown operation '" + word + "'");
        WriteByte(body, static_cast<uint8_t>(code));
        WriteStr(body, lex.Name());
        lex.Expect(':');
        lex.Expect('=');
        TKvMemoryStream operands;
        int32_t n = 0;
        const bool func = code == ocFunc;
        int funcId = -1;
        if (func) {
            if (lex.Accept('#')) {
                // Any number a stored expression may carry, in the catalogue or not.
                const int64_t v = lex.Integer();
                if (v < 0 || v > 255) lex.Fail("a function number is 0 to 255");
                funcId = static_cast<int>(v);
            } else {
                const std::string fname = lex.RequireWord("a function name");
                const auto sjisName = utf8EscapedToSjis(fname);
                funcId = sjisName ? findFunction(*sjisName) : -1;
                if (funcId < 0) lex.Fail("unknown function '" + fname + "'");
            }
            lex.Expect('(');
        }
        const char close = func ? ')' : ';';
        while (!lex.AtEnd() && lex.Peek() != close && lex.Peek() != '}') {
            if (n > 0) lex.Expect(',');
            writeRawOperand(lex, operands);
            ++n;
        }
        if (func) lex.Expect(')');
        WriteInt(body, n);
        if (func) WriteByte(body, static_cast<uint8_t>(funcId));
        body.write(operands.memory(), operands.size());
        ++count;
    }
    TKvMemoryStream out;
    WriteInt(out, count);
    out.write(body.memory(), body.size());
    return std::string(out.bytes().begin(), out.bytes().end());
}

} // namespace

std::optional<std::string> decompileExpression(const TNuvoParser& e) {
    if (e.Operations().empty()) return std::nullopt;
    const std::string expected = streamBytes(e);
    Decompiler d(e);
    if (!d.build()) return std::nullopt;
    bool shapeFits = false;
    for (bool unaryAsMinus : {true, false}) {
        const auto text = d.render(unaryAsMinus, {});
        if (!text) return std::nullopt;
        const Match m = compiles(*text, expected, e);
        if (m == Match::Same) return text;
        shapeFits = shapeFits || m == Match::SameShape;
    }
    if (!shapeFits) return std::nullopt;
    // Redundant parentheses leave no operation behind, only a gap in the
    // numbering of the temporaries: try the fewest first.
    const std::vector<int> candidates = d.groupable();
    const size_t k = std::min<size_t>(candidates.size(), kMaxGroupSearch);
    std::vector<uint32_t> masks;
    for (uint32_t m = 1; m < (1u << k); ++m)
        masks.push_back(m);
    std::stable_sort(masks.begin(), masks.end(),
                     [](uint32_t a, uint32_t b) { return std::popcount(a) < std::popcount(b); });
    for (uint32_t m : masks) {
        std::vector<bool> forced(d.NodeCount());
        for (size_t b = 0; b < k; ++b)
            if (m >> b & 1) forced[static_cast<size_t>(candidates[b])] = true;
        for (bool unaryAsMinus : {true, false}) {
            const auto text = d.render(unaryAsMinus, forced);
            if (text && compiles(*text, expected, e) == Match::Same) return text;
        }
    }
    return std::nullopt;
}

std::string rawExpressionSource(const TNuvoParser& e) {
    std::string out = "raw{";
    bool first = true;
    for (const TOpeData& op : e.Operations()) {
        if (!first) out += "; ";
        first = false;
        out += opcodeText(op.Opcode) + ' ' + nameText(op.Target) + " :=";
        size_t k = 0;
        if (op.Opcode == ocFunc) out += " " + functionText(op.FuncId) + "(";
        for (const auto& operand : op.Operands) {
            out += k++ == 0 ? (op.Opcode == ocFunc ? "" : " ") : ", ";
            out += rawOperand(*operand);
        }
        if (op.Opcode == ocFunc) out += ")";
    }
    return out + "}";
}

std::string expressionSource(const TNuvoParser& e) {
    if (e.Operations().empty()) return "{}";
    if (const auto text = decompileExpression(e)) {
        const std::string utf8 = sjisToUtf8Escaped(*text);
        if (fitsBraces(utf8)) return "{" + utf8 + "}";
    }
    return rawExpressionSource(e);
}

bool atExpressionSource(SourceLexer& lex) { return lex.Peek() == '{' || lex.StartsWith("raw{"); }

std::string readExpressionSource(SourceLexer& lex) {
    std::string bytes;
    lex.Peek();
    const size_t start = lex.Position();
    if (lex.StartsWith("raw{")) {
        lex.Word();
        bytes = readRawList(lex);
    } else {
        const std::string body = lex.BracedExpression();
        const auto text = utf8EscapedToSjis(body);
        if (!text) lex.FailAt(start, "an expression with a character that has no Shift-JIS form");
        size_t b = 0;
        while (b < text->size() && static_cast<unsigned char>((*text)[b]) <= 0x20)
            ++b;
        if (b == text->size()) return std::string(4, '\0'); // no operations
        try {
            TBuildNuvoParser builder;
            builder.Build(*text);
            TKvMemoryStream s;
            builder.SaveToStream(s);
            bytes.assign(s.bytes().begin(), s.bytes().end());
        } catch (const ECompileError& err) {
            // The body begins after the brace.
            lex.FailAt(start + 1 + sourceOffsetOfSjis(body, err.Offset()), err.what());
        } catch (const ENuvoError& err) {
            lex.FailAt(start, err.what());
        }
    }
    // The player's reader decides what a page may hold.
    try {
        TKvMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        TNuvoParser check;
        check.LoadFromStream(s);
        if (s.remaining() != 0) lex.FailAt(start, "operation list longer than its count");
    } catch (const ENuvoError& err) {
        lex.FailAt(start, std::string("operation list the player cannot load: ") + err.what());
    }
    return bytes;
}

std::string compileErrorText(std::string_view utf8Text, const ENuvoError& e) {
    const auto* placed = dynamic_cast<const ECompileError*>(&e);
    if (!placed) return e.what();
    const size_t at = sourceOffsetOfSjis(utf8Text, placed->Offset());
    const size_t lineStart = utf8Text.rfind('\n', at == 0 ? 0 : at - 1);
    const size_t from = lineStart == std::string_view::npos || at == 0 ? 0 : lineStart + 1;
    int line = 1;
    for (size_t i = 0; i < from; ++i)
        if (utf8Text[i] == '\n') ++line;
    return sourcePlaceText(line, columnAt(utf8Text.substr(from), at - from)) + e.what();
}

} // namespace nuvo
