#include "engine/PageSource.h"

#include "base/Cp932.h"
#include "base/Stream.h"
#include "engine/Commands.h"
#include "engine/ExprText.h"
#include "engine/Page.h"
#include "engine/SourceText.h"
#include "script/NuvoParser.h"
#include "script/Param.h"
#include "script/PropertyTypes.h"

#include <algorithm>
#include <climits>
#include <map>
#include <optional>
#include <variant>

namespace nuvo {
namespace {

// Indent levels written as leading blanks (two per level); others as @indent.
constexpr int32_t kMaxWrittenIndent = 40;

const char* const kTypeNames[] = {nullptr, "int", "float", "bool", "str"};
const char* const kScopeNames[] = {"global", "auto", "local", "status"};

std::string byteText(uint8_t v, ByteFieldKind kind) {
    if (kind == ByteFieldKind::TypeCode && v >= 1 && v <= 4) return kTypeNames[v];
    if (kind == ByteFieldKind::Scope && v <= 3) return kScopeNames[v];
    return std::to_string(v);
}

const char* propertyName(int p) { return propertyTypeInfo(p)->name; }

int propertyByName(std::string_view name) {
    for (int p = 0; p < kPropCount; ++p)
        if (name == propertyName(p)) return p;
    return -1;
}

std::string maskBitText(int bit) { return bit < kPropCount ? propertyName(bit) : "#" + std::to_string(bit); }

// The kinds whose condition, when the source leaves it out, is TRUE: a jump,
// call, exit, break or continue written without one happens. A truly empty
// condition (which counts as false) is written cond={}.
bool condDefaultsTrue(uint8_t code) {
    switch (code) {
    case TComJump::kCode:
    case TComCall::kCode:
    case TComExit::kCode:
    case TComBreak::kCode:
    case TComContinue::kCode:
        return true;
    default:
        return false;
    }
}

constexpr const char* kCondField = "cond";

// The stream form of the compiled TRUE.
const std::string& trueConditionBytes() {
    static const std::string bytes = [] {
        SourceLexer lex("{TRUE}", 0);
        return readExpressionSource(lex);
    }();
    return bytes;
}

std::string exprBytes(const TExpr& e) {
    TKvMemoryStream s;
    e.SaveToStream(s);
    return std::string(s.bytes().begin(), s.bytes().end());
}

// ---- property numbers by name --------------------------------------------------

// The fields that hold a property number (GetProp, SetProp, PropMotion).
constexpr std::string_view kPropField = "prop";

// The stream form of each property's number as a constant ({109}): what a
// property named in a prop field compiles to, and what the writer names.
const std::vector<std::string>& propertyNumberBytes() {
    static const std::vector<std::string> bytes = [] {
        std::vector<std::string> out;
        for (int p = 0; p < kPropCount; ++p) {
            const std::string text = "{" + std::to_string(p) + "}";
            SourceLexer lex(text, 0);
            out.push_back(readExpressionSource(lex));
        }
        return out;
    }();
    return bytes;
}

// The property whose number the expression is exactly, or -1.
int namedProperty(const TExpr& e) {
    if (e.Empty()) return -1;
    const std::string bytes = exprBytes(e);
    const auto& table = propertyNumberBytes();
    for (int p = 0; p < kPropCount; ++p)
        if (table[static_cast<size_t>(p)] == bytes) return p;
    return -1;
}

// ---- loop targets --------------------------------------------------------------

// The index field of each loop kind, which the source may leave out.
const char* loopField(uint8_t code) {
    switch (code) {
    case TComWhile::kCode:
        return "end";
    case TComWhileLoop::kCode:
        return "start";
    case TComBreak::kCode:
    case TComContinue::kCode:
        return "target";
    default:
        return nullptr;
    }
}

struct LoopShape {
    uint8_t code;
    int32_t indent;
};

// The index each loop command stores when its source leaves it out, found by
// nesting. A While's block is the commands after it indented deeper; its
// WhileLoop is the block's last command, standing at the block's outermost
// level (not inside an If of the block, nor the WhileLoop of a While in it).
// Then the While ends after its WhileLoop, the WhileLoop starts again at the
// While, and inside the block (at any depth, but not inside a nested While)
// Break goes to after the WhileLoop and Continue to the WhileLoop itself.
// nullopt where nesting gives nothing: a While without its WhileLoop, a
// WhileLoop that ends no block, a Break or Continue outside a While whose
// WhileLoop is found.
std::vector<std::optional<int32_t>> loopTargets(const std::vector<LoopShape>& cmds) {
    const size_t n = cmds.size();
    std::vector<int64_t> loopOf(n, -1);  // While: its WhileLoop
    std::vector<int64_t> whileOf(n, -1); // WhileLoop: its While; Break, Continue: the While around them
    struct Open {
        size_t index;
        int32_t indent;
        int32_t outermost; // the smallest indent in its block so far
    };
    std::vector<Open> open;
    auto close = [&](size_t end) {
        const Open w = open.back();
        open.pop_back();
        const size_t last = end - 1;
        if (last > w.index && cmds[last].code == TComWhileLoop::kCode && cmds[last].indent == w.outermost) {
            loopOf[w.index] = static_cast<int64_t>(last);
            whileOf[last] = static_cast<int64_t>(w.index);
        }
        if (!open.empty()) open.back().outermost = std::min(open.back().outermost, w.outermost);
    };
    for (size_t k = 0; k < n; ++k) {
        while (!open.empty() && cmds[k].indent <= open.back().indent) close(k);
        if (!open.empty()) open.back().outermost = std::min(open.back().outermost, cmds[k].indent);
        const uint8_t code = cmds[k].code;
        if (code == TComBreak::kCode || code == TComContinue::kCode)
            whileOf[k] = open.empty() ? -1 : static_cast<int64_t>(open.back().index);
        if (code == TComWhile::kCode) open.push_back({k, cmds[k].indent, INT32_MAX});
    }
    while (!open.empty()) close(n);

    std::vector<std::optional<int32_t>> targets(n);
    for (size_t k = 0; k < n; ++k) {
        const int64_t w = whileOf[k];
        const int64_t loop = w >= 0 ? loopOf[static_cast<size_t>(w)] : -1;
        switch (cmds[k].code) {
        case TComWhile::kCode:
            if (loopOf[k] >= 0) targets[k] = static_cast<int32_t>(loopOf[k] + 1);
            break;
        case TComWhileLoop::kCode:
            if (w >= 0) targets[k] = static_cast<int32_t>(w);
            break;
        case TComBreak::kCode:
            if (loop >= 0) targets[k] = static_cast<int32_t>(loop + 1);
            break;
        case TComContinue::kCode:
            if (loop >= 0) targets[k] = static_cast<int32_t>(loop);
            break;
        default:
            break;
        }
    }
    return targets;
}

// Page names as Jump and Call give them, compared as the file manager finds
// files: letter case and the kind of slash do not matter.
bool samePageName(std::string_view a, std::string_view b) {
    auto normal = [](std::string_view s) {
        std::string out = sjisLower(s);
        for (char& c : out)
            if (c == '/') c = '\\';
        return out;
    };
    return normal(a) == normal(b);
}

// ---- writing ------------------------------------------------------------------

class FieldDumper final : public TFieldVisitor {
public:
    // loopTarget: what nesting gives the command's loop field (see
    // loopTargets); the field is written only when it holds something else.
    FieldDumper(int32_t version, uint8_t code, std::optional<int32_t> loopTarget)
        : version_(version), condTrue_(condDefaultsTrue(code)), loopField_(loopField(code)), loopTarget_(loopTarget) {}
    std::string Out;

    void Expr(const char* name, TExpr& e, int32_t since) override {
        if (version_ < since) return;
        if (name == kPropField) {
            if (const int p = namedProperty(e); p >= 0) {
                field(name, propertyName(p));
                return;
            }
        }
        if (condTrue_ && std::string_view(name) == kCondField) {
            // TRUE is what leaving the field out gives; an empty one is named.
            if (!e.Empty() && exprBytes(e) != trueConditionBytes()) {
                field(name, expressionSource(e.Parser()));
                return;
            }
            first_ = false;
            if (e.Empty()) Out += std::string(" ") + kCondField + "={}";
            return;
        }
        field(name, e.Empty() ? std::string() : expressionSource(e.Parser()));
    }
    void Str(const char* name, std::string& s) override { field(name, s.empty() ? std::string() : quoteText(s)); }
    void Int(const char* name, int32_t& v, int32_t since) override {
        if (version_ < since) return;
        if (loopField_ && std::string_view(name) == loopField_) {
            field(name, loopTarget_ == v ? std::string() : std::to_string(v));
            return;
        }
        field(name, v == 0 ? std::string() : std::to_string(v));
    }
    void Byte(const char* name, uint8_t& v, ByteFieldKind kind) override {
        field(name, v == 0 ? std::string() : byteText(v, kind));
    }
    void ExprList(const char* name, TExprList& list) override {
        std::string text;
        for (size_t i = 0; i < list.size(); ++i)
            text += (i ? ", " : "[") + expressionSource(list[i].Parser());
        field(name, list.empty() ? std::string() : text + "]");
    }
    void Bytes(const char* name, std::string& bytes) override {
        field(name, bytes.empty() ? std::string() : quoteText(bytes));
    }
    void Props(TPropExprs& props) override {
        first_ = false; // properties are always named
        for (int p = 0; p < kPropCount; ++p) {
            const TExpr* e = props[static_cast<size_t>(p)];
            if (e && !e->Empty()) Out += std::string(" ") + propertyName(p) + "=" + expressionSource(e->Parser());
        }
    }

private:
    // Empty values are left out; the first field goes without its name.
    void field(const char* name, const std::string& value) {
        const bool positional = first_;
        first_ = false;
        if (value.empty()) return;
        Out += ' ';
        if (!positional) Out += std::string(name) + "=";
        Out += value;
    }
    int32_t version_;
    bool condTrue_;
    const char* loopField_;
    std::optional<int32_t> loopTarget_;
    bool first_ = true;
};

TMask usedProperties(const TPage& page, int code) {
    TMask used{};
    for (int i = 0; i < page.Commands.Count(); ++i) {
        const auto* c = dynamic_cast<const TComComponent*>(page.Commands.At(i));
        if (!c || c->TypeCode() != code) continue;
        for (int p = 0; p < kPropCount; ++p) {
            const TExpr* e = c->PropExprs[static_cast<size_t>(p)];
            if (e && !e->Empty()) maskSet(used, p);
        }
    }
    return used;
}

std::string resultTypeText(uint8_t t) { return t >= 1 && t <= 4 ? kTypeNames[t] : std::to_string(t); }

// ---- reading -----------------------------------------------------------------

struct ExprValue {
    std::string bytes; // the stream form
};
struct ListValue {
    std::vector<std::string> items;
};
using Value =
    std::variant<ExprValue, std::string /* quoted, Shift-JIS */, int64_t, ListValue, /* word */ std::monostate>;

struct FieldValue {
    std::string name; // empty for the positional first field
    Value value;
    std::string word; // the text of a word value
    size_t at = 0;    // where the field begins in its line
    bool used = false;
};

struct ParsedCommand {
    const CommandKindInfo* kind = nullptr;
    std::string_view text; // the line
    int line = 0;
    size_t at = 0; // where the kind's name begins
    int32_t indent = 0;
    uint8_t disabled = 0, runOn = 1;
    std::optional<int32_t> lineNo;
    std::vector<FieldValue> fields;

    const FieldValue* find(std::string_view name) const {
        for (const FieldValue& f : fields)
            if (f.name == name) return &f;
        return nullptr;
    }
    [[noreturn]] void failAt(size_t offset, const std::string& message) const {
        throw ESourceError(line, columnAt(text, offset), message);
    }
};

int32_t toInt32(SourceLexer& lex, int64_t v) {
    if (v < INT32_MIN || v > INT32_MAX) lex.Fail("number out of range");
    return static_cast<int32_t>(v);
}

FieldValue readValue(SourceLexer& lex) {
    FieldValue f;
    const char c = lex.Peek();
    if (atExpressionSource(lex)) {
        f.value = ExprValue{readExpressionSource(lex)};
    } else if (c == '"') {
        f.value = lex.QuotedString();
    } else if (c == '[') {
        lex.Expect('[');
        ListValue list;
        while (!lex.Accept(']')) {
            if (!list.items.empty()) lex.Expect(',');
            if (!atExpressionSource(lex)) lex.Fail("expected an expression in braces in a list");
            list.items.push_back(readExpressionSource(lex));
        }
        f.value = std::move(list);
    } else if ((c >= '0' && c <= '9') || c == '-' || c == '+') {
        f.value = lex.Integer();
    } else {
        f.word = lex.RequireWord("a value");
        f.value = std::monostate{};
    }
    return f;
}

// What the fields of one command are read against: the page's labels, the
// page's own name and what nesting gives its loop field.
struct PageContext {
    std::string_view ownName;                     // Shift-JIS; empty when not known
    const std::map<std::string, int32_t>* labels; // first index of each Label name
};

// The field that names a Label where an index is stored.
constexpr std::string_view kLabelField = "label";

class FieldAssigner final : public TFieldVisitor {
public:
    FieldAssigner(ParsedCommand& pc, int32_t version, const PageContext& page, std::optional<int32_t> loopTarget)
        : pc_(pc), version_(version), page_(page), loopField_(loopField(pc.kind->code)), loopTarget_(loopTarget) {}

    void Expr(const char* name, TExpr& e, int32_t since) override {
        FieldValue* f = take(name, since);
        if (!f) {
            if (condDefaultsTrue(pc_.kind->code) && std::string_view(name) == kCondField)
                load(e, trueConditionBytes());
            return;
        }
        if (name == kPropField && std::holds_alternative<std::monostate>(f->value)) {
            const int p = propertyByName(f->word);
            if (p < 0) pc_.failAt(f->at, "unknown property '" + f->word + "'");
            load(e, propertyNumberBytes()[static_cast<size_t>(p)]);
            return;
        }
        const auto* v = std::get_if<ExprValue>(&f->value);
        if (!v)
            fail(*f, name,
                 name == kPropField ? "an expression in braces or a property name" : "an expression in braces");
        load(e, v->bytes);
    }
    void Str(const char* name, std::string& s) override {
        FieldValue* f = take(name, 0);
        if (std::string_view(name) == "page") pageSeen_ = true;
        if (!f) return;
        const auto* v = std::get_if<std::string>(&f->value);
        if (!v) fail(*f, name, "a quoted string");
        s = *v;
        if (std::string_view(name) == "page") pageName_ = *v;
    }
    void Int(const char* name, int32_t& out, int32_t since) override {
        FieldValue* f = take(name, since);
        if (pageSeen_ && std::string_view(name) == "index") {
            if (FieldValue* label = find(kLabelField)) {
                if (f) pc_.failAt(label->at, "give index= or label=, not both");
                label->used = true;
                if (version_ < since) pc_.failAt(label->at, needsVersion(name, since));
                out = labelIndex(*label);
                return;
            }
        }
        if (!f) {
            if (loopField_ && std::string_view(name) == loopField_) {
                if (!loopTarget_) pc_.failAt(pc_.at, unmatchedLoopMessage());
                out = *loopTarget_;
            }
            return;
        }
        const auto* v = std::get_if<int64_t>(&f->value);
        if (!v) fail(*f, name, "an integer");
        if (*v < INT32_MIN || *v > INT32_MAX) pc_.failAt(f->at, "number out of range");
        out = static_cast<int32_t>(*v);
    }
    void Byte(const char* name, uint8_t& out, ByteFieldKind kind) override {
        FieldValue* f = take(name, 0);
        if (!f) return;
        if (const auto* v = std::get_if<int64_t>(&f->value)) {
            if (*v < 0 || *v > 255) fail(*f, name, "a number from 0 to 255");
            out = static_cast<uint8_t>(*v);
            return;
        }
        if (std::holds_alternative<std::monostate>(f->value)) {
            for (uint8_t b = 0; b < 5; ++b)
                if (byteText(b, kind) == f->word && !(f->word[0] >= '0' && f->word[0] <= '9')) {
                    out = b;
                    return;
                }
        }
        fail(*f, name,
             kind == ByteFieldKind::TypeCode ? "int, float, bool, str or a number"
             : kind == ByteFieldKind::Scope  ? "global, auto, local, status or a number"
                                             : "a number");
    }
    void ExprList(const char* name, TExprList& list) override {
        FieldValue* f = take(name, 0);
        if (!f) return;
        const auto* v = std::get_if<ListValue>(&f->value);
        if (!v) fail(*f, name, "a list of expressions in square brackets");
        for (const std::string& bytes : v->items) {
            list.emplace_back();
            load(list.back(), bytes);
        }
    }
    void Bytes(const char* name, std::string& bytes) override { Str(name, bytes); }
    void Props(TPropExprs& props) override {
        first_ = false;
        for (int p = 0; p < kPropCount; ++p) {
            if (!props[static_cast<size_t>(p)]) continue;
            if (FieldValue* f = find(propertyName(p))) {
                f->used = true;
                const auto* v = std::get_if<ExprValue>(&f->value);
                if (!v) fail(*f, propertyName(p), "an expression in braces");
                load(*props[static_cast<size_t>(p)], v->bytes);
            }
        }
    }

private:
    FieldValue* find(std::string_view name) {
        for (FieldValue& f : pc_.fields)
            if (f.name == name) return &f;
        return nullptr;
    }
    FieldValue* take(const char* name, int32_t since) {
        const bool first = first_;
        first_ = false;
        FieldValue* f = find(name);
        if (!f && first) f = find("");
        if (!f) return nullptr;
        if (version_ < since) pc_.failAt(f->at, needsVersion(name, since));
        f->used = true;
        return f;
    }
    std::string needsVersion(const char* name, int32_t since) const {
        return std::string(pc_.kind->name) + " field '" + name + "' needs page version " + std::to_string(since) +
               " or later";
    }
    [[noreturn]] void fail(const FieldValue& f, const char* name, const char* what) {
        pc_.failAt(f.at, std::string(pc_.kind->name) + " field '" + name + "' takes " + what);
    }
    std::string unmatchedLoopMessage() const {
        switch (pc_.kind->code) {
        case TComWhile::kCode:
            return "While without its WhileLoop (the last command of its block, one level deeper); or give end=";
        case TComWhileLoop::kCode:
            return "WhileLoop that ends no While's block; or give start=";
        default:
            return std::string(pc_.kind->name) + " outside a While ... WhileLoop; or give target=";
        }
    }
    // The index of the Label a label= field names, on the page being built.
    int32_t labelIndex(const FieldValue& f) {
        std::string name;
        if (const auto* quoted = std::get_if<std::string>(&f.value)) {
            name = *quoted;
        } else if (std::holds_alternative<std::monostate>(f.value)) {
            const auto sjis = utf8EscapedToSjis(f.word);
            if (!sjis) pc_.failAt(f.at, "a label without a Shift-JIS form");
            name = *sjis;
        } else {
            pc_.failAt(f.at, std::string(pc_.kind->name) + " field 'label' takes a name or a quoted string");
        }
        const std::string shown = sjisToUtf8Escaped(name);
        if (page_.ownName.empty())
            pc_.failAt(f.at, "label " + shown + ": the name of the page being built is not known; give index=");
        if (!samePageName(pageName_, page_.ownName))
            pc_.failAt(f.at, "label " + shown + ": " + quoteText(pageName_) +
                                 " is not this page; a label is looked up only on the page being built (" +
                                 quoteText(std::string(page_.ownName)) + "); give index=");
        const auto it = page_.labels->find(name);
        if (it == page_.labels->end()) pc_.failAt(f.at, "no Label " + quoteText(name) + " on this page");
        return it->second;
    }
    void load(TExpr& e, const std::string& bytes) {
        TKvMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        e.LoadFromStream(s, nullptr);
    }

    ParsedCommand& pc_;
    int32_t version_;
    const PageContext& page_;
    const char* loopField_;
    std::optional<int32_t> loopTarget_;
    bool first_ = true;
    bool pageSeen_ = false; // the kind stores a page before its index
    std::string pageName_;  // the page it names
};

struct Header {
    bool seen = false;
    int32_t version = 0;
    uint8_t resultType = 1;
};

void readHeader(SourceLexer& lex, Header& h) {
    if (h.seen) lex.Fail("a second page line");
    h.seen = true;
    bool version = false;
    size_t versionAt = 0;
    while (!lex.AtEnd()) {
        const std::string key = lex.RequireWord("version= or result=");
        lex.Expect('=');
        if (key == "version") {
            lex.Peek();
            versionAt = lex.Position();
            h.version = toInt32(lex, lex.Integer());
            version = true;
        } else if (key == "result") {
            if (lex.Peek() >= '0' && lex.Peek() <= '9') {
                const int64_t v = lex.Integer();
                if (v < 0 || v > 255) lex.Fail("result type out of range");
                h.resultType = static_cast<uint8_t>(v);
            } else {
                const std::string w = lex.RequireWord("a result type");
                uint8_t t = 0;
                for (uint8_t k = 1; k <= 4; ++k)
                    if (w == kTypeNames[k]) t = k;
                if (!t) lex.Fail("result type must be int, float, bool, str or a number");
                h.resultType = t;
            }
        } else {
            lex.Fail("unknown page setting '" + key + "'");
        }
    }
    if (!version) lex.Fail("the page line needs version=");
    if (h.version < kMinPageVersion || h.version > kMaxPageVersion)
        lex.FailAt(versionAt, "page version must be from " + std::to_string(kMinPageVersion) + " to " +
                                  std::to_string(kMaxPageVersion));
}

void readMaskLine(SourceLexer& lex, TMasks& masks, std::array<bool, kCommandKindCount>& stated) {
    const std::string kindName = lex.RequireWord("a command kind");
    const CommandKindInfo* kind = commandKindByName(kindName);
    if (!kind) lex.Fail("unknown command kind '" + kindName + "'");
    if (stated[kind->code]) lex.Fail("a second mask line for " + kindName);
    stated[kind->code] = true;
    while (!lex.AtEnd()) {
        int bit;
        if (lex.Accept('#')) {
            const int64_t v = lex.Integer();
            if (v < 0 || v >= kMaskBytes * 8) lex.Fail("mask bit out of range");
            bit = static_cast<int>(v);
        } else {
            const std::string name = lex.RequireWord("a property name");
            bit = propertyByName(name);
            if (bit < 0) lex.Fail("unknown property '" + name + "'");
        }
        maskSet(masks[kind->code], bit);
    }
}

ParsedCommand readCommandLine(SourceLexer& lex, std::string_view line, int lineNo) {
    ParsedCommand pc;
    pc.text = line;
    pc.line = lineNo;
    size_t blanks = 0;
    while (blanks < line.size() && (line[blanks] == ' ' || line[blanks] == '\t')) {
        if (line[blanks] == '\t') lex.FailAt(blanks, "indent with blanks, not tabs");
        ++blanks;
    }
    if (blanks % 2) lex.FailAt(blanks, "indent by two blanks per level");
    pc.indent = static_cast<int32_t>(blanks / 2);
    pc.at = blanks;
    const std::string kindName = lex.RequireWord("a command kind");
    pc.kind = commandKindByName(kindName);
    if (!pc.kind) lex.Fail("unknown command kind '" + kindName + "'");
    while (!lex.AtEnd()) {
        if (lex.Accept('@')) {
            const std::string flag = lex.RequireWord("a flag name");
            std::optional<int64_t> value;
            if (lex.Accept('=')) value = lex.Integer();
            if (flag == "disabled") {
                const int64_t v = value.value_or(1);
                if (v < 0 || v > 255) lex.Fail("@disabled takes a byte");
                pc.disabled = static_cast<uint8_t>(v);
            } else if (flag == "runon") {
                if (!value || *value < 0 || *value > 255) lex.Fail("@runon takes a byte: @runon=0");
                pc.runOn = static_cast<uint8_t>(*value);
            } else if (flag == "line") {
                if (!value) lex.Fail("@line takes a number: @line=12");
                pc.lineNo = toInt32(lex, *value);
            } else if (flag == "indent") {
                if (!value) lex.Fail("@indent takes a number: @indent=3");
                if (blanks) lex.Fail("@indent on an indented line");
                pc.indent = toInt32(lex, *value);
            } else {
                lex.Fail("unknown flag @" + flag);
            }
            continue;
        }
        // A field: name=value, or the first field's value alone.
        const size_t at = lex.Position(); // AtEnd stepped over the blanks
        if (!atExpressionSource(lex) && lex.Peek() != '"' && lex.Peek() != '[' && lex.Peek() != '-' &&
            !(lex.Peek() >= '0' && lex.Peek() <= '9')) {
            SourceLexer probe = lex;
            const std::string name = probe.Word();
            if (!name.empty() && probe.Accept('=')) {
                lex = probe;
                for (const FieldValue& f : pc.fields)
                    if (f.name == name) lex.FailAt(at, "field '" + name + "' given twice");
                FieldValue f = readValue(lex);
                f.name = name;
                f.at = at;
                pc.fields.push_back(std::move(f));
                continue;
            }
        }
        if (!pc.fields.empty()) lex.FailAt(at, "only the first field may go without its name");
        pc.fields.push_back(readValue(lex));
        pc.fields.back().at = at;
    }
    return pc;
}

} // namespace

std::string writePageSource(const TPage& page) {
    std::string out =
        "page version=" + std::to_string(page.Version) + " result=" + resultTypeText(page.ResultType) + "\n";
    // Masks that the commands' properties do not give are stated.
    for (int code = 0; code < kCommandKindCount; ++code) {
        const TMask& mask = page.Masks[static_cast<size_t>(code)];
        if (mask == usedProperties(page, code)) continue;
        out += std::string("mask ") + commandKind(code)->name;
        for (int bit = 0; bit < kMaskBytes * 8; ++bit)
            if (maskHas(mask, bit)) out += " " + maskBitText(bit);
        out += "\n";
    }
    std::vector<LoopShape> shapes;
    for (int i = 0; i < page.Commands.Count(); ++i)
        shapes.push_back({page.Commands.At(i)->TypeCode(), page.Commands.At(i)->Indent});
    const std::vector<std::optional<int32_t>> targets = loopTargets(shapes);
    for (int i = 0; i < page.Commands.Count(); ++i) {
        TCommand& c = *page.Commands.At(i);
        std::string line;
        const bool indented = c.Indent >= 0 && c.Indent <= kMaxWrittenIndent;
        if (indented) line.assign(static_cast<size_t>(c.Indent) * 2, ' ');
        line += commandKind(c.TypeCode())->name;
        FieldDumper dumper(page.Version, c.TypeCode(), targets[static_cast<size_t>(i)]);
        c.VisitFields(dumper);
        line += dumper.Out;
        if (!indented) line += " @indent=" + std::to_string(c.Indent);
        if (c.FDisabled == 1)
            line += " @disabled";
        else if (c.FDisabled != 0)
            line += " @disabled=" + std::to_string(c.FDisabled);
        if (c.FRunOn != 1) line += " @runon=" + std::to_string(c.FRunOn);
        if (c.LineNo != i) line += " @line=" + std::to_string(c.LineNo);
        out += line + "\n";
    }
    return out;
}

void readPageSource(std::string_view text, TPage& page, std::string_view pageName) {
    Header header;
    TMasks masks{};
    std::array<bool, kCommandKindCount> stated{};
    std::vector<ParsedCommand> commands;
    int lineNo = 0;
    for (size_t pos = 0; pos <= text.size();) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        SourceLexer lex(line, lineNo);
        if (lex.AtEnd() || lex.Peek() == '#') continue;
        if (!header.seen) {
            if (lex.Word() != "page") lex.Fail("a page source begins with: page version=N");
            readHeader(lex, header);
        } else if (lex.StartsWith("mask ")) {
            lex.Word();
            readMaskLine(lex, masks, stated);
        } else {
            commands.push_back(readCommandLine(lex, line, lineNo));
        }
    }
    if (!header.seen) throw ESourceError(0, "empty page source: it begins with: page version=N");

    // Unstated masks hold the properties their commands give.
    for (const ParsedCommand& pc : commands) {
        if (!pc.kind->component) continue;
        for (const FieldValue& f : pc.fields) {
            const int p = propertyByName(f.name);
            if (p < 0) continue;
            if (!stated[pc.kind->code])
                maskSet(masks[pc.kind->code], p);
            else if (!maskHas(masks[pc.kind->code], p))
                pc.failAt(f.at, std::string(f.name) + " is not in the page's mask for " + pc.kind->name);
        }
    }

    // Labels by name (the first of a name is the one a jump finds), and the
    // loop fields nesting gives.
    std::map<std::string, int32_t> labels;
    std::vector<LoopShape> shapes;
    for (size_t i = 0; i < commands.size(); ++i) {
        const ParsedCommand& pc = commands[i];
        shapes.push_back({pc.kind->code, pc.indent});
        if (pc.kind->code != TComLabel::kCode) continue;
        const FieldValue* name = pc.find("name");
        if (!name) name = pc.find("");
        if (const auto* quoted = name ? std::get_if<std::string>(&name->value) : nullptr)
            labels.emplace(*quoted, static_cast<int32_t>(i));
    }
    const std::vector<std::optional<int32_t>> targets = loopTargets(shapes);
    const PageContext context{pageName, &labels};

    page.Commands.Clear();
    page.Version = header.version;
    page.ResultType = header.resultType;
    page.Masks = masks;
    page.Commands.Reserve(commands.size());
    for (size_t i = 0; i < commands.size(); ++i) {
        ParsedCommand& pc = commands[i];
        std::unique_ptr<TCommand> c = pc.kind->create(page.Commands);
        c->Indent = pc.indent;
        c->FDisabled = pc.disabled;
        c->FRunOn = pc.runOn;
        c->LineNo = pc.lineNo.value_or(static_cast<int32_t>(i));
        FieldAssigner assigner(pc, page.Version, context, targets[i]);
        c->VisitFields(assigner);
        for (const FieldValue& f : pc.fields)
            if (!f.used)
                pc.failAt(f.at, f.name.empty() ? std::string(pc.kind->name) + " takes no fields"
                                               : std::string(pc.kind->name) + " has no field '" + f.name + "'");
        page.Commands.Add(std::move(c));
    }
}

} // namespace nuvo
