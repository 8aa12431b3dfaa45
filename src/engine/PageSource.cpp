#include "engine/PageSource.h"

#include "base/Stream.h"
#include "engine/Commands.h"
#include "engine/ExprText.h"
#include "engine/Page.h"
#include "engine/SourceText.h"
#include "script/NuvoParser.h"
#include "script/Param.h"
#include "script/PropertyTypes.h"

#include <map>
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

// ---- writing ------------------------------------------------------------------

class FieldDumper final : public TFieldVisitor {
public:
    FieldDumper(int32_t version, bool condTrueByDefault) : version_(version), condTrue_(condTrueByDefault) {}
    std::string Out;

    void Expr(const char* name, TExpr& e, int32_t since) override {
        if (version_ < since) return;
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
    bool used = false;
};

struct ParsedCommand {
    const CommandKindInfo* kind = nullptr;
    int line = 0;
    int32_t indent = 0;
    uint8_t disabled = 0, runOn = 1;
    std::optional<int32_t> lineNo;
    std::vector<FieldValue> fields;
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

class FieldAssigner final : public TFieldVisitor {
public:
    FieldAssigner(ParsedCommand& pc, int32_t version, SourceLexer& lex) : pc_(pc), version_(version), lex_(lex) {}

    void Expr(const char* name, TExpr& e, int32_t since) override {
        FieldValue* f = take(name, since);
        if (!f) {
            if (condDefaultsTrue(pc_.kind->code) && std::string_view(name) == kCondField)
                load(e, trueConditionBytes());
            return;
        }
        const auto* v = std::get_if<ExprValue>(&f->value);
        if (!v) fail(name, "an expression in braces");
        load(e, v->bytes);
    }
    void Str(const char* name, std::string& s) override {
        FieldValue* f = take(name, 0);
        if (!f) return;
        const auto* v = std::get_if<std::string>(&f->value);
        if (!v) fail(name, "a quoted string");
        s = *v;
    }
    void Int(const char* name, int32_t& out, int32_t since) override {
        FieldValue* f = take(name, since);
        if (!f) return;
        const auto* v = std::get_if<int64_t>(&f->value);
        if (!v) fail(name, "an integer");
        out = toInt32(lex_, *v);
    }
    void Byte(const char* name, uint8_t& out, ByteFieldKind kind) override {
        FieldValue* f = take(name, 0);
        if (!f) return;
        if (const auto* v = std::get_if<int64_t>(&f->value)) {
            if (*v < 0 || *v > 255) fail(name, "a number from 0 to 255");
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
        fail(name, kind == ByteFieldKind::TypeCode ? "int, float, bool, str or a number"
                   : kind == ByteFieldKind::Scope  ? "global, auto, local, status or a number"
                                                   : "a number");
    }
    void ExprList(const char* name, TExprList& list) override {
        FieldValue* f = take(name, 0);
        if (!f) return;
        const auto* v = std::get_if<ListValue>(&f->value);
        if (!v) fail(name, "a list of expressions in square brackets");
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
                if (!v) fail(propertyName(p), "an expression in braces");
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
        if (version_ < since)
            lex_.Fail(std::string(pc_.kind->name) + " field '" + name + "' needs page version " +
                      std::to_string(since) + " or later");
        f->used = true;
        return f;
    }
    [[noreturn]] void fail(const char* name, const char* what) {
        lex_.Fail(std::string(pc_.kind->name) + " field '" + name + "' takes " + what);
    }
    void load(TExpr& e, const std::string& bytes) {
        TKvMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        e.LoadFromStream(s, nullptr);
    }

    ParsedCommand& pc_;
    int32_t version_;
    SourceLexer& lex_;
    bool first_ = true;
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
    while (!lex.AtEnd()) {
        const std::string key = lex.RequireWord("version= or result=");
        lex.Expect('=');
        if (key == "version") {
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
        lex.Fail("page version must be from " + std::to_string(kMinPageVersion) + " to " +
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
    pc.line = lineNo;
    size_t blanks = 0;
    while (blanks < line.size() && (line[blanks] == ' ' || line[blanks] == '\t')) {
        if (line[blanks] == '\t') lex.Fail("indent with blanks, not tabs");
        ++blanks;
    }
    if (blanks % 2) lex.Fail("indent by two blanks per level");
    pc.indent = static_cast<int32_t>(blanks / 2);
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
        if (!atExpressionSource(lex) && lex.Peek() != '"' && lex.Peek() != '[' && lex.Peek() != '-' &&
            !(lex.Peek() >= '0' && lex.Peek() <= '9')) {
            SourceLexer probe = lex;
            const std::string name = probe.Word();
            if (!name.empty() && probe.Accept('=')) {
                lex = probe;
                for (const FieldValue& f : pc.fields)
                    if (f.name == name) lex.Fail("field '" + name + "' given twice");
                FieldValue f = readValue(lex);
                f.name = name;
                pc.fields.push_back(std::move(f));
                continue;
            }
        }
        if (!pc.fields.empty()) lex.Fail("only the first field may go without its name");
        pc.fields.push_back(readValue(lex));
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
    for (int i = 0; i < page.Commands.Count(); ++i) {
        TCommand& c = *page.Commands.At(i);
        std::string line;
        const bool indented = c.Indent >= 0 && c.Indent <= kMaxWrittenIndent;
        if (indented) line.assign(static_cast<size_t>(c.Indent) * 2, ' ');
        line += commandKind(c.TypeCode())->name;
        FieldDumper dumper(page.Version, condDefaultsTrue(c.TypeCode()));
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

void readPageSource(std::string_view text, TPage& page) {
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
                throw ESourceError(pc.line, std::string(f.name) + " is not in the page's mask for " + pc.kind->name);
        }
    }

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
        SourceLexer lex("", pc.line);
        FieldAssigner assigner(pc, page.Version, lex);
        c->VisitFields(assigner);
        for (const FieldValue& f : pc.fields)
            if (!f.used)
                lex.Fail(f.name.empty() ? std::string(pc.kind->name) + " takes no fields"
                                        : std::string(pc.kind->name) + " has no field '" + f.name + "'");
        page.Commands.Add(std::move(c));
    }
}

} // namespace nuvo
