// A compiled expression and its evaluator. Pages store every command argument
// as the stream form written by TBuildNuvoParser; TNuvoParser reads it, runs it
// against the variable table (Execute) and keeps the value of a plain,
// non-assignment expression in Result.
//
// Execute performs the operations in order. Names are looked up in the table
// for every operation; intermediate results are temporaries named "____..."
// that exist for the length of one evaluation and are deleted afterwards. A
// failing operation ends the evaluation silently: what earlier operations did
// stays done and later ones do not happen. Execute itself never raises.
//
// Integer arithmetic is 32-bit and wraps; INT_MIN / -1 and INT_MIN % -1 fail
// like a division by zero. Real arithmetic is 80-bit; a division by zero, an
// overflow or an invalid operation fails, so no infinity or NaN is ever stored.
#pragma once

#include "script/Param.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

class ScriptContext;
class TParamCollectionItem;
class TParamVar;
class TStream;

// One operation: operands are constants (TParamInt, TParamFloat, TParamFlag,
// TParamStr scalars) or references naming a variable or a temporary.
struct TOpeData {
    uint8_t Opcode = 0;
    std::string Target;
    uint8_t FuncId = 0; // ocFunc only: the function number
    std::vector<std::unique_ptr<TCustomParam>> Operands;

    TOpeData();
    ~TOpeData();
    TOpeData(TOpeData&&) noexcept;
    TOpeData& operator=(TOpeData&&) noexcept;

    // Derived at load: the operands as a list, whether Target names a
    // temporary, and what performing the operation comes to.
    std::vector<TCustomParam*> Args;
    bool TargetIsTemp = false;
    bool TargetNameValid = false; // a name the table accepts for a new entry
    uint8_t Action = 0;           // decided by the operator code and the operand count

    // How a name is found: a temporary made by this same expression through
    // Creator, the first operation of the expression whose target has that
    // name (none: no such operation); anything else through the table.
    struct NameSite {
        TOpeData* Creator = nullptr;
        // The table's answer for the name, kept while the table's names and
        // the call depth stay as they were when it was asked: the entry, its
        // value (an entry keeps its value object for life) and the value's
        // storage class (PT_INT..PT_STR, 0 for references and system
        // variables).
        TParamCollectionItem* Cached = nullptr;
        TCustomParam* CachedValue = nullptr;
        uint8_t CachedStorage = 0;
        int32_t CachedDepth = 0;
        uint64_t CachedContext = 0;
        uint64_t CachedGeneration = 0;
    };
    // Per operand, in order: a constant with its storage class, or a
    // reference with the way its name is found.
    struct OperandSlot {
        const TCustomParam* Constant = nullptr;
        uint8_t ConstantStorage = 0;
        TParamVar* Reference = nullptr;
        NameSite Site;
    };
    std::vector<OperandSlot> Slots;
    NameSite TargetSite;

    // The entry of this operation's temporary, kept between evaluations so
    // that the next one makes its temporary without allocating.
    std::unique_ptr<TParamCollectionItem> SpareEntry;
    uint8_t SpareType = 0;
    bool SpareInUse = false; // lent to a running evaluation
    // The temporary this operation made in the evaluation numbered
    // MadeInEvaluation (evaluation numbers never repeat within a context).
    TParamCollectionItem* MadeEntry = nullptr;
    TCustomParam* MadeValue = nullptr;
    uint8_t MadeStorage = 0; // the storage class of MadeValue, as NameSite's
    uint64_t MadeInEvaluation = 0;
};

class TNuvoParser {
public:
    TNuvoParser();
    ~TNuvoParser();
    TNuvoParser(const TNuvoParser&) = delete;
    TNuvoParser& operator=(const TNuvoParser&) = delete;

    // Replaces the operations by the stream form at the stream's position.
    // Refuses (raising, with the list left empty) truncated data and an
    // ocDimTo without operands. An ocFunc of a number beyond the catalogue
    // loads and does nothing when run; one whose argument count is outside
    // the function's bounds loads and fails its evaluation with the
    // function's argument-count message when run.
    void LoadFromStream(TStream& s);
    // Writes the stream form (references as names).
    void SaveToStream(TStream& s) const;
    // Becomes a copy of other's operations (constants by value, references by name).
    void Assign(const TNuvoParser& other);
    void Clear();

    // Evaluates against the context's variable table; never raises.
    void Execute(ScriptContext& context);
    // The value of the last evaluation of a plain expression, or none.
    const TCustomParam* Result() const { return result_.get(); }
    std::unique_ptr<TCustomParam> TakeResult() { return std::move(result_); }
    // The message (Shift-JIS) of the error that ended the last evaluation
    // early, empty when it ran to its end. For diagnostics only.
    const std::string& LastError() const { return lastError_; }

    const std::vector<TOpeData>& Operations() const { return ops_; }

private:
    std::vector<TOpeData> ops_;
    std::unique_ptr<TCustomParam> result_;
    std::string lastError_;
};

// Compiles text and returns the loaded form (Build, the stream form, then
// LoadFromStream), raising the compiler's errors.
std::unique_ptr<TNuvoParser> compileExpression(std::string_view text);

// Trims text; empty gives false. Otherwise compiles and evaluates it once and
// gives true; a text that does not compile gives false.
bool RunExpressionText(ScriptContext& context, std::string_view text);

// The listing form of a loaded operation: "ocPlus ____1 := b, 1". Constants are
// written so that they read back as the same kind of operand (a real always
// with a point or an exponent, a string between double quotes with \" \\ and
// \n escapes).
std::string describeOperation(const TOpeData& op);

} // namespace nuvo
