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

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>

namespace nuvo {

TOpeData::TOpeData() = default;
// (TParamCollectionItem is complete here, for SpareEntry.)
TOpeData::~TOpeData() = default;
TOpeData::TOpeData(TOpeData&&) noexcept = default;
TOpeData& TOpeData::operator=(TOpeData&&) noexcept = default;

namespace {

// The program is linked as one image, so a class has one type_info object.
bool isReferenceValue(const TCustomParam* v) { return &typeid(*v) == &typeid(TParamVar); }

// The storage class of a value: PT_INT..PT_STR for the four classes that hold
// their elements, PT_NONE for references and system variables. An entry keeps
// its value object for life, so this is asked once per lookup that is then
// remembered, and lets the evaluator read and write plain values without
// virtual calls.
uint8_t storageOf(const TCustomParam* v) {
    const std::type_info& type = typeid(*v);
    if (&type == &typeid(TParamInt)) return PT_INT;
    if (&type == &typeid(TParamFloat)) return PT_FLOAT;
    if (&type == &typeid(TParamFlag)) return PT_BOOL;
    if (&type == &typeid(TParamStr)) return PT_STR;
    return PT_NONE;
}

// A value of the given storage class read or written as the plain scalar it
// usually is; anything else (an array, an emptied value) goes through the
// virtual operations, which give the same result.
template <typename Storage>
const typename Storage::Element* firstElement(const TCustomParam* v) {
    const auto* p = static_cast<const Storage*>(v);
    return p->Storage::Count() > 0 ? p->Data() : nullptr;
}

template <typename Storage>
typename Storage::Element* onlyElement(TCustomParam& out) {
    auto& p = static_cast<Storage&>(out);
    return p.Dims().empty() && p.Storage::Count() == 1 ? p.Data() : nullptr;
}

// An operand as an operation reads it: a value object, the element that
// scalar reads address (the element of an array-element temporary, else 0)
// and the value's storage class. Reading through it is what reading through
// the bound reference gives.
struct ValueView {
    const TCustomParam* v; // set for every operand that is read
    int32_t i;             // always 0 for a plain value (storage set)
    uint8_t storage;

    uint8_t type() const { return storage != PT_NONE ? storage : v->ParamType(); }
    int32_t asInt() const {
        if (storage == PT_INT)
            if (const int32_t* e = firstElement<TParamInt>(v)) return *e;
        return v->GetIntAt(i);
    }
    long double asFloat() const {
        if (storage == PT_FLOAT)
            if (const long double* e = firstElement<TParamFloat>(v)) return *e;
        return v->GetFloatAt(i);
    }
    bool asBool() const { return v->GetBoolAt(i); }
    std::string asString() const { return v->GetStrAt(i); }
};

// Operands read through views: the two an operator reads, or an array and
// its first indices.
constexpr size_t kViews = 4;

// An entry as an operation finds it (entry none: not found).
struct Found {
    TParamCollectionItem* entry;
    TCustomParam* value;
    uint8_t storage; // of value, as storageOf
};

// Out of line: it makes and frees a string.
[[gnu::noinline]] void storeText(TCustomParam& out, const ValueView& a) { out.SetString(a.asString()); }

void setInt(TCustomParam& out, uint8_t storage, int32_t x) {
    if (storage == PT_INT)
        if (int32_t* e = onlyElement<TParamInt>(out)) {
            *e = x;
            return;
        }
    out.SetInteger(x);
}

void setFloat(TCustomParam& out, uint8_t storage, long double x) {
    if (storage == PT_FLOAT)
        if (long double* e = onlyElement<TParamFloat>(out)) {
            *e = x;
            return;
        }
    out.SetFloat(x);
}

void setBool(TCustomParam& out, uint8_t storage, bool b) {
    if (storage == PT_BOOL)
        if (uint8_t* e = onlyElement<TParamFlag>(out)) {
            *e = b;
            return;
        }
    out.SetBool(b);
}

// Makes a spare temporary entry new again; integer scalars, the common case,
// without a call.
inline bool resetSpare(TParamCollectionItem& entry, uint8_t type) {
    if (type == PT_INT) {
        auto& p = static_cast<TParamInt&>(*entry.Value());
        if (p.Dims().empty() && p.TParamStorage<int32_t>::Count() == 1 && entry.OwnerDepth == -1 && !entry.IsLocal &&
            !entry.IsStatus && !entry.ExtraFlag) {
            p.Data()[0] = 0;
            return true;
        }
    }
    return ScriptContext::ResetSpareEntry(entry, type);
}

// Changes whenever an entry is added or removed (entries are named once,
// right after they are made, and never renamed while an evaluation could run).
uint64_t nameGeneration(const TParamCollection& vars) {
    return static_cast<uint64_t>(vars.Count()) + 2 * vars.DeleteCount();
}

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

// What performing an operation comes to once its target exists (TOpeData::Action).
enum TOpeAction : uint8_t {
    oaNothing,    // ocNone, ocDimTo, codes above ocNEqual, ocFunc of a number beyond the catalogue
    oaInvalid,    // too few operands for the operator
    oaCall,       // ocFunc
    oaAssign,     // ocTo
    oaCompare,    // ocEqual .. ocNEqual
    oaJoin,       // ocComboStr
    oaArithmetic, // ocPlus .. ocXor, ocShiftL, ocShiftR
};

uint8_t actionOf(const TOpeData& op) {
    const uint8_t code = op.Opcode;
    if (code == ocNone || code > kLastOpeCode || code == ocDimTo) return oaNothing;
    if (code == ocFunc && !isFunctionNumber(op.FuncId)) return oaNothing;
    const size_t needed = code == ocTo ? 1 : code == ocFunc ? 0 : 2;
    if (op.Operands.size() < needed) return oaInvalid;
    if (code == ocFunc) return oaCall;
    if (code == ocTo) return oaAssign;
    if (isComparison(code)) return oaCompare;
    if (code == ocComboStr) return oaJoin;
    return oaArithmetic;
}

// The type of a new temporary, from the operator and the bound operands.
uint8_t temporaryType(const TOpeData& op, const ValueView* views) {
    auto operandType = [&](size_t i) {
        // (Only an operation of too few operands can lack one.)
        if (op.Action == oaInvalid && i >= op.Operands.size()) raiseInvalidExpression(op);
        return views[i].type();
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
        // A number beyond the catalogue calls nothing: its temporary stays a
        // new integer, as the result of a function that stores nothing.
        if (!isFunctionNumber(op.FuncId)) return PT_INT;
        // The count goes first: GetProp's type comes from an argument.
        if (!functionInfo(op.FuncId).acceptsArgCount(static_cast<int64_t>(op.Operands.size())))
            raiseArgumentCount(op.FuncId);
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
        : ctx_(ctx), vars_(ctx.Vars), serial_(++ctx.EvaluationSerial ^ (ctx.Id << 40)),
          deletionsAtStart_(vars_.DeleteCount()), detached_(!isTempName(vars_.TempAlias)) {}
    ~Evaluation() { finish(); }
    Evaluation(const Evaluation&) = delete;
    Evaluation& operator=(const Evaluation&) = delete;

    void perform(TOpeData& op);
    std::unique_ptr<TCustomParam> copyValue(std::string_view name);

private:
    // Who holds a temporary's entry: the operation that made it (its spare
    // entry, lent for this evaluation), this evaluation, or the table.
    enum class Holder : uint8_t { Operation, Evaluation, Table };
    // Plain data, so that keeping the list costs nothing.
    struct Temp {
        TParamCollectionItem* entry;
        TOpeData* op; // the operation that made it; its target names the entry
        uint8_t type;
        Holder holder;
    };

    TParamCollectionItem* find(std::string_view name) const;
    Found find(const std::string& name, TOpeData::NameSite& site, uint64_t generation) const;
    std::string_view nameOf(const TParamCollectionItem* entry) const;
    Found createTemporary(TOpeData& op, const ValueView* views);
    void bindElement(const TOpeData& op, TParamVar& ref, const ValueView* views);
    void execute(TOpeData& op, const Found& target, const ValueView* views);
    // The operators; the string work and the calls are kept out of line so
    // that the common numeric operations stay short.
    [[gnu::noinline]] void call(TOpeData& op, const Found& target);
    void assign(const Found& target, const ValueView& a);
    [[gnu::noinline]] static void assignSystem(TCustomParam& out, const ValueView& a);
    [[gnu::noinline]] static void compare(uint8_t code, const Found& target, const ValueView& a, const ValueView& b);
    [[gnu::noinline]] static void join(const Found& target, const ValueView& a, const ValueView& b);
    static void arithmetic(uint8_t code, const Found& target, const ValueView& a, const ValueView& b);
    void attachTemporaries();
    void recycle(const Temp& t, std::unique_ptr<TParamCollectionItem> entry);
    void finish();
    [[gnu::noinline]] void finishAttached();

    ScriptContext& ctx_;
    TParamCollection& vars_;
    const uint64_t serial_;
    uint64_t deletionsAtStart_;
    bool detached_;
    // The temporaries in creation order; the first few live inline, so that
    // an ordinary evaluation does not allocate.
    class TempList {
    public:
        size_t size() const { return size_; }
        Temp& operator[](size_t i) { return i < kInline ? inline_[i] : overflow_[i - kInline]; }
        const Temp& operator[](size_t i) const { return i < kInline ? inline_[i] : overflow_[i - kInline]; }
        void push_back(const Temp& t) {
            if (size_ < kInline) inline_[size_] = t;
            else overflow_.push_back(t);
            ++size_;
        }
        void clear() {
            overflow_.clear();
            size_ = 0;
        }

    private:
        static constexpr size_t kInline = 8;
        std::array<Temp, kInline> inline_;
        std::vector<Temp> overflow_;
        size_t size_ = 0;
    };
    TempList temps_;
};

TParamCollectionItem* Evaluation::find(std::string_view name) const {
    if (detached_)
        for (size_t i = 0; i < temps_.size(); ++i)
            if (sjisSameText(temps_[i].op->Target, name)) return temps_[i].entry;
    return vars_.Find(name);
}

// The same answer as find(name), faster: a detached temporary can only carry a
// name that some operation of this expression targets, and the first such
// operation is the one that made it; the table's answer is remembered while
// the table's names and the call depth stay unchanged.
inline Found Evaluation::find(const std::string& name, TOpeData::NameSite& site, uint64_t generation) const {
    if (detached_ && site.Creator && site.Creator->MadeInEvaluation == serial_)
        return Found{site.Creator->MadeEntry, site.Creator->MadeValue, site.Creator->MadeStorage};
    if (site.CachedGeneration != generation || site.CachedContext != ctx_.Id || site.CachedDepth != vars_.CurrentDepth)
        [[unlikely]] {
        TParamCollectionItem* entry = vars_.Find(name);
        site.Cached = entry;
        site.CachedValue = entry ? entry->Value() : nullptr;
        site.CachedStorage = entry ? storageOf(entry->Value()) : uint8_t{PT_NONE};
        site.CachedContext = ctx_.Id;
        site.CachedGeneration = generation;
        site.CachedDepth = vars_.CurrentDepth;
    }
    return Found{site.Cached, site.CachedValue, site.CachedStorage};
}

std::string_view Evaluation::nameOf(const TParamCollectionItem* entry) const {
    if (detached_)
        for (size_t i = 0; i < temps_.size(); ++i)
            if (temps_[i].entry == entry) return temps_[i].op->Target;
    return entry->Name();
}

void Evaluation::attachTemporaries() {
    if (!detached_) return;
    for (size_t i = 0; i < temps_.size(); ++i) {
        Temp& t = temps_[i];
        if (t.holder == Holder::Operation) {
            t.op->SpareInUse = false;
            vars_.Adopt(std::move(t.op->SpareEntry), t.op->Target);
        } else {
            vars_.Adopt(std::unique_ptr<TParamCollectionItem>(t.entry), t.op->Target);
        }
        t.holder = Holder::Table;
    }
    detached_ = false;
}

Found Evaluation::createTemporary(TOpeData& op, const ValueView* views) {
    if (op.Opcode == ocNone || op.Opcode > kLastOpeCode) raiseInvalidExpression(op);
    const uint8_t type = temporaryType(op, views);
    if (!op.TargetNameValid) TParamCollection::ValidateName(op.Target);
    // The operation's own spare entry, made new again, is the cheapest.
    const bool spare = op.SpareEntry && !op.SpareInUse && op.SpareType == type && resetSpare(*op.SpareEntry, type);
    std::unique_ptr<TParamCollectionItem> entry = spare ? nullptr : ctx_.TakeSpareEntry(type);
    TParamCollectionItem* raw = spare ? op.SpareEntry.get() : entry.get();
    // A value made for type 1..4 is of that storage class.
    const uint8_t storage = type >= PT_INT && type <= PT_STR ? type : storageOf(raw->Value());
    if (detached_) {
        if (spare) {
            op.SpareInUse = true;
            temps_.push_back(Temp{raw, &op, type, Holder::Operation});
        } else {
            temps_.push_back(Temp{entry.release(), &op, type, Holder::Evaluation});
        }
        // Only the first operation with this target can make it (a later one
        // finds it): that is the one lookups ask.
        if (TOpeData* creator = op.TargetSite.Creator) {
            creator->MadeEntry = raw;
            creator->MadeValue = raw->Value();
            creator->MadeStorage = storage;
            creator->MadeInEvaluation = serial_;
        }
    } else {
        vars_.Adopt(spare ? std::move(op.SpareEntry) : std::move(entry), op.Target);
        temps_.push_back(Temp{raw, &op, type, Holder::Table});
    }
    if (op.Opcode == ocDimTo) bindElement(op, *static_cast<TParamVar*>(raw->Value()), views);
    return Found{raw, raw->Value(), storage};
}

// Binds a new array-element temporary to the element its indices address.
// Binds a new array-element temporary to the element its indices address.
// The array is the entry bound to operand 0 (looking its name up again would
// find that same entry).
void Evaluation::bindElement(const TOpeData& op, TParamVar& ref, const ValueView* views) {
    const TCustomParam* first = op.Operands[0].get();
    if (!isReferenceValue(first)) raiseMissingVariable(first->AsString());
    TParamCollectionItem* array = static_cast<const TParamVar*>(first)->Target;
    const TCustomParam& value = *array->Value();

    const size_t n = op.Operands.size() - 1;
    auto indexAt = [&](size_t k) { return k + 1 < kViews ? views[k + 1].asInt() : op.Operands[k + 1]->AsInteger(); };
    auto raiseIndices = [&](const char* what) {
        std::string text(nameOf(array));
        text += '[';
        for (size_t k = 0; k < n; ++k) {
            if (k) text += ',';
            text += intToText(indexAt(k));
        }
        text += "]\r\n";
        text += sjisTemplate(what);
        raiseError(std::move(text));
    };
    if (static_cast<int64_t>(n) != value.DimCount()) raiseIndices("添え字が不正です");
    __int128 position = 0, stride = 1;
    for (size_t k = n; k-- > 0;) {
        position += static_cast<__int128>(indexAt(k)) * stride;
        stride *= value.DimSize(static_cast<int32_t>(k));
    }
    if (position >= value.Count()) raiseIndices("要素数を超えています");
    if (const std::string_view name = nameOf(array); ref.TargetName != name) ref.TargetName = name;
    ref.Target = array;
    ref.Index = position < std::numeric_limits<int32_t>::min() ? std::numeric_limits<int32_t>::min()
                                                               : static_cast<int32_t>(position);
}

void Evaluation::perform(TOpeData& op) {
    // Functions and element references also read the bound references
    // themselves; operators read their operands through views only.
    const bool bind = op.Opcode == ocFunc || op.Opcode == ocDimTo;
    struct Unbind {
        TOpeData& op;
        bool bound;
        ~Unbind() {
            if (bound)
                for (TOpeData::OperandSlot& slot : op.Slots)
                    if (slot.Reference) slot.Reference->Target = nullptr;
        }
    } unbind{op, bind};

    const uint64_t generation = nameGeneration(vars_);
    ValueView views[kViews];
    const size_t count = op.Slots.size();
    for (size_t k = 0; k < count; ++k) {
        TOpeData::OperandSlot& slot = op.Slots[k];
        TParamVar* ref = slot.Reference;
        if (!ref) {
            if (k < kViews) views[k] = ValueView{slot.Constant, 0, slot.ConstantStorage};
            continue;
        }
        const Found found = find(ref->TargetName, slot.Site, generation);
        if (!found.entry) raiseMissingVariable(ref->TargetName);
        const bool element = found.storage == PT_NONE && isReferenceValue(found.value);
        const int32_t index = element ? static_cast<const TParamVar*>(found.value)->Index : 0;
        if (bind) {
            ref->Target = found.entry;
            ref->Index = index;
        }
        if (k < kViews) views[k] = ValueView{found.value, index, found.storage};
    }
    Found target = find(op.Target, op.TargetSite, generation);
    if (!target.entry) {
        if (!op.TargetIsTemp) raiseMissingVariable(op.Target);
        target = createTemporary(op, views);
    }
    execute(op, target, views);
}

// The target of an assignment is one of the "@" variables, itself or
// through an element reference.
static bool writesSystemVariable(const TParamCollectionItem& target, const TCustomParam& out) {
    if (target.IsSystem()) return true;
    if (!isReferenceValue(&out)) return false;
    const TParamCollectionItem* bound = static_cast<const TParamVar&>(out).Target;
    return bound && bound->IsSystem();
}

inline void Evaluation::execute(TOpeData& op, const Found& target, const ValueView* views) {
    switch (op.Action) {
    case oaNothing: return;
    case oaInvalid: raiseInvalidExpression(op);
    case oaCall: call(op, target); return;
    case oaAssign: assign(target, views[0]); return;
    case oaCompare: compare(op.Opcode, target, views[0], views[1]); return;
    case oaJoin: join(target, views[0], views[1]); return;
    default: arithmetic(op.Opcode, target, views[0], views[1]); return;
    }
}

void Evaluation::call(TOpeData& op, const Found& target) {
    if (!ctx_.Functions.IsSelfContained(op.FuncId)) attachTemporaries();
    ctx_.Functions.Call(ctx_, target.entry, op.Target, op.FuncId, op.Args);
}

void Evaluation::compare(uint8_t code, const Found& target, const ValueView& a, const ValueView& b) {
    bool result;
    switch (a.type()) {
    case PT_STR: result = compareWith(code, a.asString(), b.asString()); break;
    case PT_FLOAT: result = compareWith(code, a.asFloat(), b.asFloat()); break;
    case PT_BOOL: result = compareWith(code, a.asBool(), b.asBool()); break;
    default: result = compareWith(code, a.asInt(), b.asInt()); break;
    }
    setBool(*target.value, target.storage, result);
}

void Evaluation::join(const Found& target, const ValueView& a, const ValueView& b) {
    std::string joined = a.asString();
    const std::string tail = b.asString();
    checkStringSize(static_cast<uint64_t>(joined.size()) + tail.size());
    joined += tail;
    target.value->SetString(joined);
}

// A system variable converts by its own rules (the text TRUE makes a flag
// FALSE), so it is given the value in the value's own type.
void Evaluation::assignSystem(TCustomParam& out, const ValueView& a) {
    switch (a.type()) {
    case PT_INT: out.SetInteger(a.asInt()); break;
    case PT_FLOAT: out.SetFloat(a.asFloat()); break;
    case PT_BOOL: out.SetBool(a.asBool()); break;
    case PT_STR: storeText(out, a); break;
    default: break;
    }
}

void Evaluation::assign(const Found& target, const ValueView& a) {
    TCustomParam& out = *target.value;
    if (target.storage == PT_NONE && writesSystemVariable(*target.entry, out)) {
        assignSystem(out, a);
        return;
    }
    switch (target.storage != PT_NONE ? target.storage : out.ParamType()) {
    case PT_INT: setInt(out, target.storage, a.asInt()); break;
    case PT_FLOAT: setFloat(out, target.storage, a.asFloat()); break;
    case PT_BOOL: setBool(out, target.storage, a.asBool()); break;
    case PT_STR: storeText(out, a); break;
    default: break; // a reference without a target stays as it is
    }
}

void Evaluation::arithmetic(uint8_t code, const Found& target, const ValueView& a, const ValueView& b) {
    TCustomParam& out = *target.value;
    if (code <= ocDiv && (target.storage != PT_NONE ? target.storage : out.ParamType()) == PT_FLOAT) {
        const long double x = a.asFloat(), y = b.asFloat();
        switch (code) {
        case ocPlus: setFloat(out, target.storage, checkedReal(x + y)); break;
        case ocMinus: setFloat(out, target.storage, checkedReal(x - y)); break;
        case ocMul: setFloat(out, target.storage, checkedReal(x * y)); break;
        default: setFloat(out, target.storage, realDivide(x, y)); break;
        }
        return;
    }
    const int32_t x = a.asInt(), y = b.asInt();
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
    setInt(out, target.storage, r);
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

// A finished temporary's entry goes back to its operation when that has none
// (it is made new when next used), else to the context's spares.
void Evaluation::recycle(const Temp& t, std::unique_ptr<TParamCollectionItem> entry) {
    if (!t.op->SpareEntry) {
        t.op->SpareEntry = std::move(entry);
        t.op->SpareType = t.type;
    } else {
        ctx_.ReturnSpareEntry(std::move(entry), t.type);
    }
}

void Evaluation::finish() {
    if (!detached_) return finishAttached();
    for (size_t i = temps_.size(); i-- > 0;) {
        const Temp& t = temps_[i];
        if (t.holder == Holder::Operation) t.op->SpareInUse = false;
        else recycle(t, std::unique_ptr<TParamCollectionItem>(t.entry));
    }
    temps_.clear();
}

void Evaluation::finishAttached() {
    // Something run by this evaluation deleted variables (PopVar, a nested
    // evaluation): only entries still in the table may be taken out.
    std::unordered_set<const TParamCollectionItem*> alive;
    const bool checkAlive = vars_.DeleteCount() != deletionsAtStart_;
    if (checkAlive)
        for (int i = 0; i < vars_.Count(); ++i) alive.insert(vars_.Entry(i));
    for (size_t i = temps_.size(); i-- > 0;) {
        const Temp& t = temps_[i];
        if (!checkAlive || alive.count(t.entry)) recycle(t, vars_.Remove(t.entry));
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
    op.Slots.clear();
    for (auto& operand : op.Operands) {
        op.Args.push_back(operand.get());
        TOpeData::OperandSlot slot;
        if (isReferenceValue(operand.get())) {
            slot.Reference = static_cast<TParamVar*>(operand.get());
        } else {
            slot.Constant = operand.get();
            slot.ConstantStorage = storageOf(operand.get());
        }
        op.Slots.push_back(slot);
    }
    op.TargetIsTemp = isTempName(op.Target);
    op.TargetNameValid = false;
    try {
        TParamCollection::ValidateName(op.Target);
        op.TargetNameValid = true;
    } catch (const ENuvoError&) {
    }
    op.TargetSite = TOpeData::NameSite{};
    op.Action = actionOf(op);
}

// For every name, the first operation that targets it (case-insensitively).
// The operations stay where they are for the parser's life (the list is
// never resized once loaded), so the links are plain pointers.
void linkCreators(std::vector<TOpeData>& ops) {
    std::unordered_map<std::string, TOpeData*> first;
    for (TOpeData& op : ops)
        if (op.TargetIsTemp) first.emplace(sjisLower(op.Target), &op);
    auto creatorOf = [&](std::string_view name) -> TOpeData* {
        const auto it = first.find(sjisLower(name));
        return it == first.end() ? nullptr : it->second;
    };
    for (TOpeData& op : ops) {
        op.TargetSite.Creator = op.TargetIsTemp ? creatorOf(op.Target) : nullptr;
        for (TOpeData::OperandSlot& slot : op.Slots)
            if (slot.Reference) slot.Site.Creator = creatorOf(slot.Reference->TargetName);
    }
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
        // A function's number and its argument count are checked when the
        // expression runs, not here: a page may hold calls the catalogue has
        // no function for, or a count outside the function's bounds.
        if (op.Opcode == ocFunc) {
            op.FuncId = ReadByteChecked(s);
        } else if (op.Opcode == ocDimTo && n == 0) {
            raiseBrokenData();
        }
        op.Operands.reserve(static_cast<size_t>(n));
        for (int32_t k = 0; k < n; ++k) op.Operands.push_back(readOperand(s));
        prepare(op);
        ops.push_back(std::move(op));
    }
    ops_ = std::move(ops);
    linkCreators(ops_);
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
    linkCreators(ops_);
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
        out += functionText(op.FuncId);
        i = 1;
    }
    for (const auto& operand : op.Operands) {
        out += i++ == 0 ? " " : ", ";
        out += operandText(*operand);
    }
    return out;
}

} // namespace nuvo
