#include "script/NuvoParser.h"

#include "base/Cp932.h"
#include "base/Error.h"
#include "base/IntMath.h"
#include "base/StreamIO.h"
#include "script/BuildNuvoParser.h"
#include "script/FunctionCatalogue.h"
#include "script/NumberText.h"
#include "script/OpeCode.h"
#include "script/ParamCollection.h"
#include "script/ParamStorage.h"
#include "script/ParamVar.h"
#include "script/PropertyTypes.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"

#include <cmath>
#include <limits>
#include <typeinfo>
#include <unordered_set>

namespace nuvo {

TOpeData::TOpeData() = default;
TOpeData::~TOpeData() = default;
TOpeData::TOpeData(TOpeData&&) noexcept = default;
TOpeData& TOpeData::operator=(TOpeData&&) noexcept = default;

namespace {

bool isReferenceValue(const TCustomParam* v) { return typeid(*v) == typeid(TParamVar); }

// Messages raised while evaluating; each template is converted once.
const std::string& sjisTemplate(const char* utf8) {
    thread_local std::vector<std::pair<const char*, std::string>> cache;
    for (const auto& [key, text] : cache)
        if (key == utf8) return text;
    cache.emplace_back(utf8, sjisText(utf8));
    return cache.back().second;
}

[[noreturn]] void raiseMissingVariable(std::string_view name) {
    raiseError(formatSjis(sjisTemplate("\"%s\" 変数がありません"), {name}));
}

[[noreturn]] void raiseInvalidExpression(const TOpeData& op) {
    std::string text = sjisTemplate("不正な式\r\n\r\n代入先:");
    text += op.Target;
    text += sjisTemplate("演算タイプ:");
    text += opeCodeName(op.Opcode);
    for (const auto& operand : op.Operands) {
        text += "\r\n";
        text += operand->AsString();
    }
    raiseError(std::move(text));
}

[[noreturn]] void raiseDivisionByZero() { raiseError("Division by zero"); }
[[noreturn]] void raiseIntOverflow() { raiseError("Integer overflow"); }

// Real results: an infinity or a NaN never reaches a variable.
long double checkedReal(long double x) {
    if (std::isnan(x)) raiseError("Invalid floating point operation");
    if (std::isinf(x)) raiseError("Floating point overflow");
    return x;
}

long double realDivide(long double a, long double b) {
    if (b == 0.0L) {
        if (a == 0.0L || std::isnan(a)) raiseError("Invalid floating point operation");
        raiseError("Floating point division by zero");
    }
    return checkedReal(a / b);
}

int32_t intDivide(int32_t a, int32_t b) {
    if (b == 0) raiseDivisionByZero();
    if (b == -1) {
        if (a == std::numeric_limits<int32_t>::min()) raiseIntOverflow();
        return -a;
    }
    return a / b;
}

int32_t intModulo(int32_t a, int32_t b) {
    if (b == 0) raiseDivisionByZero();
    if (b == -1) {
        if (a == std::numeric_limits<int32_t>::min()) raiseIntOverflow();
        return 0;
    }
    return a % b;
}

template <typename T>
bool compareWith(uint8_t code, const T& a, const T& b) {
    switch (code) {
    case ocEqual: return a == b;
    case ocNEqual: return a != b;
    case ocBig: return a > b;
    case ocSmall: return a < b;
    case ocEBig: return a >= b;
    default: return a <= b; // ocESmall
    }
}

bool isComparison(uint8_t code) {
    return code == ocEqual || code == ocNEqual || code == ocBig || code == ocSmall || code == ocEBig || code == ocESmall;
}

// The type of a new temporary, from the operator and the bound operands.
uint8_t temporaryType(const TOpeData& op) {
    auto operandType = [&](size_t i) {
        if (i >= op.Operands.size()) raiseInvalidExpression(op);
        return op.Operands[i]->ParamType();
    };
    switch (op.Opcode) {
    case ocTo: return operandType(0);
    case ocPlus:
        if (operandType(0) == PT_STR) return PT_STR;
        [[fallthrough]];
    case ocMinus:
    case ocMul:
    case ocDiv: return (operandType(0) == PT_FLOAT || operandType(1) == PT_FLOAT) ? PT_FLOAT : PT_INT;
    case ocMod:
    case ocOr:
    case ocAnd:
    case ocXor:
    case ocShiftL:
    case ocShiftR: return PT_INT;
    case ocDimTo: return PT_NONE;
    case ocFunc:
        if (op.FuncId == FN_GETPROP) {
            const PropertyTypeInfo* prop =
                op.Operands.size() > 1 ? propertyTypeInfo(op.Operands[1]->AsInteger()) : nullptr;
            if (!prop) raiseError(sjisTemplate("GetPropの引数が違います"));
            return prop->type;
        }
        return functionInfo(op.FuncId).resultType;
    case ocComboStr: return PT_STR;
    default: return PT_BOOL; // the comparisons
    }
}

// One run of Execute: binds operands, keeps the temporaries it creates, and
// removes them when it ends, however it ends.
//
// Temporaries start detached from the table (found here first, by name) and
// are put into it, in creation order, as soon as a function that might look
// variables up by name is about to run. Until then nothing else can observe
// the table, so the result is the same as adding each one when it is made,
// and a plain calculation neither allocates nor changes the table's index.
class Evaluation {
public:
    explicit Evaluation(ScriptContext& ctx)
        : ctx_(ctx), vars_(ctx.Vars), deletionsAtStart_(vars_.DeleteCount()),
          detached_(!isTempName(vars_.TempAlias)) {}
    ~Evaluation() { finish(); }
    Evaluation(const Evaluation&) = delete;
    Evaluation& operator=(const Evaluation&) = delete;

    void perform(TOpeData& op);
    std::unique_ptr<TCustomParam> copyValue(std::string_view name);

private:
    struct Temp {
        std::string name;
        uint8_t type;
        TParamCollectionItem* entry;
        std::unique_ptr<TParamCollectionItem> detached; // set while outside the table
    };

    TParamCollectionItem* find(std::string_view name) const;
    std::string_view nameOf(const TParamCollectionItem* entry) const;
    TParamCollectionItem* createTemporary(const TOpeData& op);
    void bindElement(const TOpeData& op, TParamVar& ref);
    void execute(TOpeData& op, TParamCollectionItem* target);
    void attachTemporaries();
    void finish();

    ScriptContext& ctx_;
    TParamCollection& vars_;
    uint64_t deletionsAtStart_;
    bool detached_;
    std::vector<Temp> temps_;
};

TParamCollectionItem* Evaluation::find(std::string_view name) const {
    if (detached_)
        for (const Temp& t : temps_)
            if (sjisSameText(t.name, name)) return t.entry;
    return vars_.Find(name);
}

std::string_view Evaluation::nameOf(const TParamCollectionItem* entry) const {
    if (detached_)
        for (const Temp& t : temps_)
            if (t.entry == entry) return t.name;
    return entry->Name();
}

void Evaluation::attachTemporaries() {
    if (!detached_) return;
    for (Temp& t : temps_) t.entry = vars_.Adopt(std::move(t.detached), t.name);
    detached_ = false;
}

TParamCollectionItem* Evaluation::createTemporary(const TOpeData& op) {
    if (op.Opcode == ocNone || op.Opcode > kLastOpeCode) raiseInvalidExpression(op);
    const uint8_t type = temporaryType(op);
    TParamCollection::ValidateName(op.Target);
    std::unique_ptr<TParamCollectionItem> entry = ctx_.TakeSpareEntry(type);
    TParamCollectionItem* raw = entry.get();
    if (detached_) {
        temps_.push_back(Temp{op.Target, type, raw, std::move(entry)});
    } else {
        vars_.Adopt(std::move(entry), op.Target);
        temps_.push_back(Temp{op.Target, type, raw, nullptr});
    }
    if (op.Opcode == ocDimTo) bindElement(op, *static_cast<TParamVar*>(raw->Value()));
    return raw;
}

// Binds a new array-element temporary to the element its indices address.
void Evaluation::bindElement(const TOpeData& op, TParamVar& ref) {
    const TCustomParam* first = op.Operands[0].get();
    if (!isReferenceValue(first)) raiseMissingVariable(first->AsString());
    const auto* bound = static_cast<const TParamVar*>(first);
    const std::string arrayName(nameOf(bound->Target));
    TParamCollectionItem* array = find(arrayName);
    if (!array) raiseMissingVariable(arrayName);
    const TCustomParam& value = *array->Value();

    const size_t n = op.Operands.size() - 1;
    std::vector<int32_t> indices(n);
    for (size_t k = 0; k < n; ++k) indices[k] = op.Operands[k + 1]->AsInteger();
    auto raiseIndices = [&](const char* what) {
        std::string text = arrayName + "[";
        for (size_t k = 0; k < n; ++k) text += (k ? "," : "") + intToText(indices[k]);
        text += "]\r\n";
        text += sjisTemplate(what);
        raiseError(std::move(text));
    };
    if (static_cast<int64_t>(n) != value.DimCount()) raiseIndices("添え字が不正です");
    __int128 position = 0, stride = 1;
    for (size_t k = n; k-- > 0;) {
        position += static_cast<__int128>(indices[k]) * stride;
        stride *= value.DimSize(static_cast<int32_t>(k));
    }
    if (position >= value.Count()) raiseIndices("要素数を超えています");
    ref.TargetName = arrayName;
    ref.Target = array;
    ref.Index = position < std::numeric_limits<int32_t>::min() ? std::numeric_limits<int32_t>::min()
                                                               : static_cast<int32_t>(position);
}

void Evaluation::perform(TOpeData& op) {
    struct Unbind {
        std::vector<TParamVar*>& refs;
        ~Unbind() {
            for (TParamVar* r : refs) r->Target = nullptr;
        }
    } unbind{op.References};

    for (TParamVar* ref : op.References) {
        TParamCollectionItem* entry = find(ref->TargetName);
        if (!entry) raiseMissingVariable(ref->TargetName);
        ref->Target = entry;
        const TCustomParam* value = entry->Value();
        ref->Index = isReferenceValue(value) ? static_cast<const TParamVar*>(value)->Index : 0;
    }
    TParamCollectionItem* target = find(op.Target);
    if (!target) {
        if (!op.TargetIsTemp) raiseMissingVariable(op.Target);
        target = createTemporary(op);
    }
    execute(op, target);
}

void Evaluation::execute(TOpeData& op, TParamCollectionItem* target) {
    TCustomParam& out = *target->Value();
    const uint8_t code = op.Opcode;
    if (code == ocNone || code > kLastOpeCode || code == ocDimTo) return;
    const size_t needed = code == ocTo ? 1 : code == ocFunc ? 0 : 2;
    if (op.Operands.size() < needed) raiseInvalidExpression(op);

    if (code == ocFunc) {
        if (!ctx_.Functions.IsSelfContained(op.FuncId)) attachTemporaries();
        ctx_.Functions.Call(ctx_, target, op.Target, op.FuncId, op.Args);
        return;
    }

    const TCustomParam& a = *op.Operands[0];
    const uint8_t outType = out.ParamType();
    if (code == ocTo) {
        switch (outType) {
        case PT_INT: out.SetInteger(a.AsInteger()); break;
        case PT_FLOAT: out.SetFloat(a.AsFloat()); break;
        case PT_BOOL: out.SetBool(a.AsBool()); break;
        case PT_STR: out.SetString(a.AsString()); break;
        default: break; // a reference without a target stays as it is
        }
        return;
    }

    const TCustomParam& b = *op.Operands[1];
    if (isComparison(code)) {
        bool result;
        switch (a.ParamType()) {
        case PT_STR: result = compareWith(code, a.AsString(), b.AsString()); break;
        case PT_FLOAT: result = compareWith(code, a.AsFloat(), b.AsFloat()); break;
        case PT_BOOL: result = compareWith(code, a.AsBool(), b.AsBool()); break;
        default: result = compareWith(code, a.AsInteger(), b.AsInteger()); break;
        }
        out.SetBool(result);
        return;
    }
    if (code == ocComboStr) {
        std::string joined = a.AsString();
        const std::string tail = b.AsString();
        checkStringSize(static_cast<uint64_t>(joined.size()) + tail.size());
        joined += tail;
        out.SetString(joined);
        return;
    }
    if (outType == PT_FLOAT && code >= ocPlus && code <= ocDiv) {
        const long double x = a.AsFloat(), y = b.AsFloat();
        switch (code) {
        case ocPlus: out.SetFloat(checkedReal(x + y)); break;
        case ocMinus: out.SetFloat(checkedReal(x - y)); break;
        case ocMul: out.SetFloat(checkedReal(x * y)); break;
        default: out.SetFloat(realDivide(x, y)); break;
        }
        return;
    }
    const int32_t x = a.AsInteger(), y = b.AsInteger();
    int32_t r = 0;
    switch (code) {
    case ocPlus: r = wrapAdd(x, y); break;
    case ocMinus: r = wrapSub(x, y); break;
    case ocMul: r = wrapMul(x, y); break;
    case ocDiv: r = intDivide(x, y); break;
    case ocMod: r = intModulo(x, y); break;
    case ocOr: r = x | y; break;
    case ocAnd: r = x & y; break;
    case ocXor: r = x ^ y; break;
    case ocShiftL: r = wrapShl(x, y); break;
    case ocShiftR: r = static_cast<int32_t>(static_cast<uint32_t>(x) >> (y & 31)); break;
    default: return;
    }
    out.SetInteger(r);
}

std::unique_ptr<TCustomParam> Evaluation::copyValue(std::string_view name) {
    const TParamCollectionItem* entry = find(name);
    if (!entry) return nullptr;
    const uint8_t type = entry->Value()->ParamType();
    if (type < PT_INT || type > PT_STR) raiseError(formatSjis(sjisTemplate("%s:不正な変数です"), {name}));
    auto copy = CreateValue(type);
    copy->AssignFrom(*entry->Value());
    return copy;
}

void Evaluation::finish() {
    // Something run by this evaluation deleted variables (PopVar, a nested
    // evaluation): only entries still in the table may be taken out.
    std::unordered_set<const TParamCollectionItem*> alive;
    const bool checkAlive = !detached_ && vars_.DeleteCount() != deletionsAtStart_;
    if (checkAlive)
        for (int i = 0; i < vars_.Count(); ++i) alive.insert(vars_.Entry(i));
    for (size_t i = temps_.size(); i-- > 0;) {
        Temp& t = temps_[i];
        if (t.detached) {
            ctx_.ReturnSpareEntry(std::move(t.detached), t.type);
        } else if (!checkAlive || alive.count(t.entry)) {
            ctx_.ReturnSpareEntry(vars_.Remove(t.entry), t.type);
        }
    }
    temps_.clear();
}

struct DepthGuard {
    int& depth;
    explicit DepthGuard(int& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
};

std::unique_ptr<TCustomParam> readOperand(TStream& s) {
    const uint8_t tag = ReadByteChecked(s);
    switch (tag) {
    case PT_INT: {
        auto p = std::make_unique<TParamInt>();
        p->Data()[0] = ReadIntChecked(s);
        return p;
    }
    case PT_FLOAT: {
        auto p = std::make_unique<TParamFloat>();
        p->Data()[0] = ReadFloatChecked(s);
        return p;
    }
    case PT_BOOL: {
        auto p = std::make_unique<TParamFlag>();
        p->Data()[0] = ReadByteChecked(s);
        return p;
    }
    case PT_STR: {
        auto p = std::make_unique<TParamStr>();
        p->Data()[0] = ReadStrChecked(s);
        return p;
    }
    default: {
        auto p = std::make_unique<TParamVar>();
        p->TargetName = ReadStrChecked(s);
        return p;
    }
    }
}

void writeOperand(TStream& s, const TCustomParam& operand) {
    if (isReferenceValue(&operand)) {
        WriteByte(s, PT_NONE);
        WriteStr(s, static_cast<const TParamVar&>(operand).TargetName);
        return;
    }
    const uint8_t type = operand.ParamType();
    WriteByte(s, type);
    switch (type) {
    case PT_INT: WriteInt(s, operand.AsInteger()); break;
    case PT_FLOAT: WriteFloat(s, operand.AsFloat()); break;
    case PT_BOOL: WriteByte(s, static_cast<const TParamFlag&>(operand).Data()[0]); break;
    default: WriteStr(s, operand.AsString()); break;
    }
}

std::unique_ptr<TCustomParam> copyOperand(const TCustomParam& operand) {
    if (isReferenceValue(&operand)) {
        auto p = std::make_unique<TParamVar>();
        p->TargetName = static_cast<const TParamVar&>(operand).TargetName;
        return p;
    }
    auto p = CreateValue(operand.ParamType());
    p->AssignFrom(operand);
    return p;
}

// Fills the fields derived from the operands.
void prepare(TOpeData& op) {
    op.Args.clear();
    op.References.clear();
    for (auto& operand : op.Operands) op.Args.push_back(operand.get());
    for (auto& operand : op.Operands)
        if (isReferenceValue(operand.get())) op.References.push_back(static_cast<TParamVar*>(operand.get()));
    op.TargetIsTemp = isTempName(op.Target);
}

std::string operandText(const TCustomParam& operand) {
    if (isReferenceValue(&operand)) return static_cast<const TParamVar&>(operand).TargetName;
    switch (operand.ParamType()) {
    case PT_INT: return intToText(operand.AsInteger());
    case PT_FLOAT: {
        std::string t = realToText(operand.AsFloat());
        if (t.find_first_of(".EN") == std::string::npos) t += ".0";
        return t;
    }
    case PT_BOOL: return operand.AsBool() ? "TRUE" : "FALSE";
    default: {
        std::string t = "\"";
        const std::string s = operand.AsString();
        for (size_t i = 0; i < s.size(); i += charLength(s, i)) {
            if (s[i] == '"' || s[i] == '\\') t += '\\';
            if (s.compare(i, 2, "\r\n") == 0) {
                t += "\\n";
                ++i;
                continue;
            }
            t.append(s, i, charLength(s, i));
        }
        return t + "\"";
    }
    }
}

} // namespace

TNuvoParser::TNuvoParser() = default;
TNuvoParser::~TNuvoParser() = default;

void TNuvoParser::Clear() {
    ops_.clear();
    result_.reset();
}

void TNuvoParser::LoadFromStream(TStream& s) {
    Clear();
    std::vector<TOpeData> ops;
    const int32_t count = ReadCountChecked(s, 9); // opcode, target length, operand count
    ops.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        TOpeData op;
        op.Opcode = ReadByteChecked(s);
        op.Target = ReadStrChecked(s);
        const int32_t n = ReadCountChecked(s, 2); // the smallest operand record is a flag
        if (op.Opcode == ocFunc) {
            op.FuncId = ReadByteChecked(s);
            if (op.FuncId >= kFunctionCount || !functionInfo(op.FuncId).acceptsArgCount(n)) raiseBrokenData();
        } else if (op.Opcode == ocDimTo && n == 0) {
            raiseBrokenData();
        }
        op.Operands.reserve(static_cast<size_t>(n));
        for (int32_t k = 0; k < n; ++k) op.Operands.push_back(readOperand(s));
        prepare(op);
        ops.push_back(std::move(op));
    }
    ops_ = std::move(ops);
}

void TNuvoParser::SaveToStream(TStream& s) const {
    WriteInt(s, static_cast<int32_t>(ops_.size()));
    for (const TOpeData& op : ops_) {
        WriteByte(s, op.Opcode);
        WriteStr(s, op.Target);
        WriteInt(s, static_cast<int32_t>(op.Operands.size()));
        if (op.Opcode == ocFunc) WriteByte(s, op.FuncId);
        for (const auto& operand : op.Operands) writeOperand(s, *operand);
    }
}

void TNuvoParser::Assign(const TNuvoParser& other) {
    if (&other == this) return;
    std::vector<TOpeData> ops;
    ops.reserve(other.ops_.size());
    for (const TOpeData& from : other.ops_) {
        TOpeData op;
        op.Opcode = from.Opcode;
        op.Target = from.Target;
        op.FuncId = from.FuncId;
        for (const auto& operand : from.Operands) op.Operands.push_back(copyOperand(*operand));
        prepare(op);
        ops.push_back(std::move(op));
    }
    ops_ = std::move(ops);
    result_.reset();
}

void TNuvoParser::Execute(ScriptContext& context) {
    result_.reset();
    lastError_.clear();
    if (context.EvaluationDepth >= ScriptContext::kMaxEvaluationDepth) return;
    if (context.EvaluationDepth == 0) {
        context.NestedRuns = 0;
        context.NestedBytes = 0;
    }
    DepthGuard depth(context.EvaluationDepth);
    Evaluation evaluation(context);
    try {
        for (TOpeData& op : ops_) evaluation.perform(op);
    } catch (const ENuvoError& e) {
        lastError_ = e.message(); // a failing operation ends the evaluation silently
    }
    if (!ops_.empty() && ops_.back().Opcode == ocTo && ops_.back().Target == kArgTemp) {
        try {
            result_ = evaluation.copyValue(kArgTemp);
        } catch (const ENuvoError& e) {
            lastError_ = e.message();
        }
    }
}

std::unique_ptr<TNuvoParser> compileExpression(std::string_view text) {
    TBuildNuvoParser builder;
    builder.Build(text);
    TKvMemoryStream stream;
    builder.SaveToStream(stream);
    stream.setPosition(0);
    auto parser = std::make_unique<TNuvoParser>();
    parser->LoadFromStream(stream);
    return parser;
}

bool RunExpressionText(ScriptContext& context, std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<uint8_t>(text[b]) <= 0x20) ++b;
    while (e > b && static_cast<uint8_t>(text[e - 1]) <= 0x20) --e;
    if (b == e) return false;
    std::unique_ptr<TNuvoParser> parser;
    try {
        parser = compileExpression(text.substr(b, e - b));
    } catch (const ENuvoError&) {
        return false;
    }
    parser->Execute(context);
    return true;
}

std::string describeOperation(const TOpeData& op) {
    std::string out(opeCodeName(op.Opcode));
    if (out.empty()) out = "oc" + std::to_string(op.Opcode);
    out += ' ';
    out += op.Target;
    out += " :=";
    size_t i = 0;
    if (op.Opcode == ocFunc) {
        out += ' ';
        out += functionInfo(op.FuncId).name;
        i = 1;
    }
    for (const auto& operand : op.Operands) {
        out += i++ == 0 ? " " : ", ";
        out += operandText(*operand);
    }
    return out;
}

} // namespace nuvo
