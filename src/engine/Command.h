// The command record every page is made of: the common part (indent,
// disabled, run-on, line number) and the operations the interpreter calls.
// Each command kind (Commands.h) adds its stored fields and lists them, in
// stream order, in VisitFields; the page reader, the page writer and the
// toolkit's text form all walk that one list, so the three can never
// disagree about a record's layout.
#pragma once

#include "engine/StoredExpr.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

class TCallMan;
class TCommand;
class TKvMemoryStream;
class TNuvoParser;
class TPage;
class TStream;

constexpr int kCommandKindCount = 61; // codes 0 .. 60
constexpr int kMaskBytes = 21;        // 168 bits; properties 0 .. 164 use them
constexpr int kPropCount = 165;       // PR_NAME 0 .. PR_BLURDELAY 164

// The property expressions of a component command: optional, indexed by
// property number (PR_NAME 0 ... PR_BLURDELAY 164). Only the present ones are
// allocated, in ascending property number, so that a page of thousands of
// component commands costs no more than its expressions.
class TPropExprs {
public:
    TPropExprs();
    ~TPropExprs();
    TPropExprs(const TPropExprs&) = delete;
    TPropExprs& operator=(const TPropExprs&) = delete;

    // The expression of property p, or none.
    TExpr* operator[](size_t p);
    const TExpr* operator[](size_t p) const;
    // Makes property p present (empty); properties are made in ascending order.
    TExpr& Create(size_t p);
    // The present expressions in ascending property number.
    std::vector<TExpr>& Present() { return items_; }

private:
    static constexpr uint8_t kAbsent = 0xFF;
    std::array<uint8_t, kPropCount> slot_;
    std::vector<TExpr> items_;
};
using TExprList = std::vector<TExpr>;

// How a byte field reads as text.
enum class ByteFieldKind { Number, TypeCode, Scope };

// Walks a command's stored fields in stream order. A field given with a
// version is stored only in pages of at least that version; in older pages it
// keeps its empty value (an empty expression, 0).
class TFieldVisitor {
public:
    virtual ~TFieldVisitor() = default;
    virtual void Expr(const char* name, TExpr& e, int32_t sinceVersion = 0) = 0;
    virtual void Str(const char* name, std::string& s) = 0;
    virtual void Int(const char* name, int32_t& v, int32_t sinceVersion = 0) = 0;
    virtual void Byte(const char* name, uint8_t& v, ByteFieldKind kind) = 0;
    // Int n, then n expressions.
    virtual void ExprList(const char* name, TExprList& list) = 0;
    // Int n, then n bytes (the marked-up text of TextIns).
    virtual void Bytes(const char* name, std::string& bytes) = 0;
    // The expressions of the properties the page's mask sets for this kind,
    // in ascending property number (the array holds exactly those).
    virtual void Props(TPropExprs& props) = 0;
};

// The commands of one page, in order, owned.
class TComList {
public:
    explicit TComList(TPage* page) : page_(page) {}

    TPage* Page() const { return page_; }
    int Count() const { return static_cast<int>(items_.size()); }
    TCommand* At(int index) const { return items_[static_cast<size_t>(index)].get(); }
    void Add(std::unique_ptr<TCommand> command) { items_.push_back(std::move(command)); }
    void Clear() { items_.clear(); }
    void Reserve(size_t n) { items_.reserve(n); }

    // The index of the first command whose IsLabel(name) holds, or -1.
    int FindLabel(std::string_view name) const;

private:
    TPage* page_;
    std::vector<std::unique_ptr<TCommand>> items_;
};

class TCommand {
public:
    explicit TCommand(TComList& owner) : owner_(&owner) {}
    virtual ~TCommand();
    TCommand(const TCommand&) = delete;
    TCommand& operator=(const TCommand&) = delete;

    // The common record.
    int32_t Indent = 0;
    uint8_t FDisabled = 0;
    uint8_t FRunOn = 1;
    int32_t LineNo = 0;

    TComList& Owner() const { return *owner_; }

    // The operations, in the order of the system's table. The run-time ones
    // (BlocksEvents, Begin, Execute, SaveState, LoadState, Abort) perform the
    // kind's entry of the command table (CommandOps.h).
    virtual uint8_t TypeCode() const = 0;
    // Whether the next command may run in the same frame after this one.
    virtual bool RunOn() const { return FRunOn != 0; }
    virtual bool Disabled() const { return FDisabled != 0; }
    virtual void SetDisabled(bool disabled) { FDisabled = disabled ? 1 : 0; }
    // While this command is in progress no event handler may start.
    virtual bool BlocksEvents() const;
    // True for the Label of that name (compared exactly).
    virtual bool IsLabel(std::string_view name) const;
    // Reads the common record and the kind's own fields; version is the page's.
    // With base (the memory s reads, kept by the page) expressions stay views
    // of their bytes until first used.
    virtual void LoadFromStream(TStream& s, int32_t version, const uint8_t* base = nullptr);
    // Called once before the first Execute of a run of the command.
    virtual void Begin(TCallMan& callState);
    // Runs the command; the default moves index to the next command.
    virtual void Execute(TCallMan& callState, TPage*& page, int32_t& index);
    // Appends the in-progress state of a begun command (creating the stream).
    virtual void SaveState(std::unique_ptr<TKvMemoryStream>& stream);
    // Restores what SaveState wrote; callState finds the components the
    // state names. Damaged data raises ENuvoError.
    virtual void LoadState(TCallMan& callState, TStream& s);
    // Cancels an in-progress command.
    virtual void Abort(TCallMan& callState);
    // The interpreter counts a step that ran such a command as a waiting step.
    virtual bool IsWaitKind() const { return false; }

    // The kind's own fields in stream order (after the common record).
    virtual void VisitFields(TFieldVisitor& v) = 0;
    // Writes the code byte, the common record and the own fields as a page of
    // that version stores them.
    void SaveToStream(TStream& s, int32_t version);

private:
    TComList* owner_;
};

} // namespace nuvo
