// The 61 command kinds of a page and their stored fields. What each kind does
// when it runs belongs to the interpreter and the command layer; here every
// kind knows its code, its fields in stream order and the answers of the
// common operations that are fixed by its kind.
//
// Stored expressions are members ending in "Expr"; a field present only from
// a page version on stays empty in older pages.
#pragma once

#include "components/NuvoObject.h"
#include "engine/Command.h"
#include "engine/StoredExpr.h"

namespace nuvo {

// ---- flow ----------------------------------------------------------------

class TComIf : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 0;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override { v.Expr("cond", ConditionExpr); }
    TExpr ConditionExpr;
};

class TComElseif final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 1;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override { v.Expr("cond", ConditionExpr); }
    TExpr ConditionExpr;
};

class TComElse final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 2;
    uint8_t TypeCode() const override { return kCode; }
    bool RunOn() const override { return true; }
    void VisitFields(TFieldVisitor&) override {}
};

class TComLabel final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 3;
    uint8_t TypeCode() const override { return kCode; }
    bool IsLabel(std::string_view name) const override { return name == LabelName; }
    void VisitFields(TFieldVisitor& v) override { v.Str("name", LabelName); }
    std::string LabelName;
};

class TComJump final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 4;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override {
        v.Str("page", PageName);
        v.Int("index", Index);
        v.Expr("cond", ConditionExpr);
    }
    std::string PageName;
    int32_t Index = 0;
    TExpr ConditionExpr;
};

class TComCall final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 5;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override {
        v.Str("page", PageName);
        v.Int("index", Index);
        v.Str("result", ResultVar);
        v.Expr("cond", ConditionExpr);
        v.ExprList("args", ArgExprs);
    }
    std::string PageName;
    int32_t Index = 0;
    std::string ResultVar;
    TExpr ConditionExpr;
    TExprList ArgExprs;
};

class TComExit final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 6;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override { v.Expr("cond", ConditionExpr); }
    TExpr ConditionExpr;
};

class TComWait final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 7;
    uint8_t TypeCode() const override { return kCode; }
    bool IsWaitKind() const override { return true; }
    void VisitFields(TFieldVisitor& v) override {
        v.Expr("cond", ConditionExpr);
        v.Expr("time", TimeExpr);
        v.Expr("blocked", BlockedExpr, 107);
    }
    TExpr ConditionExpr;
    TExpr TimeExpr;
    TExpr BlockedExpr;

    // The run state from Begin until the wait is over: milliseconds still to
    // wait, the frames still not counted, whether events are held back.
    int32_t Remaining = 0;
    int32_t FirstFrame = 0;
    uint8_t Blocked = 0;
};

// ---- components ------------------------------------------------------------

// A command that creates a component from property expressions: it holds an
// expression exactly for each property the page's mask sets for its code.
class TComComponent : public TCommand {
public:
    TComComponent(TComList& owner, uint8_t code);
    void VisitFields(TFieldVisitor& v) override { v.Props(PropExprs); }
    TPropExprs PropExprs;
};

class TComControl : public TComComponent {
public:
    using TComComponent::TComComponent;
};

#define NUVO_COMPONENT_KIND(Class, Base, Code)                                                                         \
    class Class final : public Base {                                                                                  \
    public:                                                                                                            \
        static constexpr uint8_t kCode = Code;                                                                         \
        explicit Class(TComList& owner) : Base(owner, kCode) {}                                                        \
        uint8_t TypeCode() const override { return kCode; }                                                            \
    };

NUVO_COMPONENT_KIND(TComBoxNew, TComControl, 8)
NUVO_COMPONENT_KIND(TComImgNew, TComControl, 9)
NUVO_COMPONENT_KIND(TComMesNew, TComControl, 10)
NUVO_COMPONENT_KIND(TComMovie, TComControl, 12)
NUVO_COMPONENT_KIND(TComCinema, TComControl, 23)
NUVO_COMPONENT_KIND(TComCaption, TComControl, 24)
NUVO_COMPONENT_KIND(TComMenu, TComControl, 25)
NUVO_COMPONENT_KIND(TComBtnNew, TComControl, 30)
NUVO_COMPONENT_KIND(TComParticleNew, TComControl, 36)
NUVO_COMPONENT_KIND(TComFireNew, TComControl, 37)
NUVO_COMPONENT_KIND(TComEditNew, TComControl, 43)
NUVO_COMPONENT_KIND(TComMemoNew, TComControl, 44)
NUVO_COMPONENT_KIND(TComMapImgNew, TComControl, 48)
NUVO_COMPONENT_KIND(TComWaveNew, TComControl, 49)
NUVO_COMPONENT_KIND(TComTileNew, TComControl, 50)
NUVO_COMPONENT_KIND(TComSliderNew, TComControl, 51)
NUVO_COMPONENT_KIND(TComScrollbarNew, TComControl, 52)
NUVO_COMPONENT_KIND(TComGaugeNew, TComControl, 53)
NUVO_COMPONENT_KIND(TComCGCaption, TComControl, 54)
NUVO_COMPONENT_KIND(TComPrevMenuNew, TComControl, 56)

class TComTimer final : public TComComponent {
public:
    static constexpr uint8_t kCode = 11;
    explicit TComTimer(TComList& owner) : TComComponent(owner, kCode) {}
    uint8_t TypeCode() const override { return kCode; }
};

class TComSound final : public TComComponent {
public:
    static constexpr uint8_t kCode = 42;
    explicit TComSound(TComList& owner) : TComComponent(owner, kCode) {}
    uint8_t TypeCode() const override { return kCode; }
};

// Parks components in a cabinet or takes them out: the property expressions
// (only PR_NAME is used), a mode flag and a list of names.
class TComCabinet : public TComComponent {
public:
    using TComComponent::TComComponent;
    void VisitFields(TFieldVisitor& v) override {
        v.Props(PropExprs);
        v.Expr("mode", ModeExpr);
        v.ExprList("names", NameExprs);
    }
    TExpr ModeExpr;
    TExprList NameExprs;
};

NUVO_COMPONENT_KIND(TComCabinetSave, TComCabinet, 59)
NUVO_COMPONENT_KIND(TComCabinetLoad, TComCabinet, 60)

#undef NUVO_COMPONENT_KIND

// ---- other commands ----------------------------------------------------------

class TComFlip final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 13;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override {
        v.Expr("kind", KindExpr);
        v.Expr("duration", DurationExpr);
        v.Expr("reverse", ReverseExpr);
        v.Expr("mode", ModeExpr);
        v.ExprList("names", NameExprs);
        v.Expr("freeold", FreeOldExpr);
        v.Expr("parama", ParamAExpr);
        v.Expr("paramb", ParamBExpr);
        v.Expr("mask", MaskNameExpr, 101);
        v.Expr("blocked", BlockedExpr, 107);
    }
    TExpr KindExpr, DurationExpr, ReverseExpr, ModeExpr;
    TExprList NameExprs;
    TExpr FreeOldExpr, ParamAExpr, ParamBExpr, MaskNameExpr, BlockedExpr;

    // The switch stays in progress over frames (the command yields them).
    bool IsWaitKind() const override { return Waits != 0; }
    // The run state from Begin until the screens have switched: the phase
    // (0 to 3), the frame clock when the transition's time began, whether
    // events are held back and the outgoing screen's children freed, and
    // whether the command yields frames.
    int32_t Phase = 0;
    int32_t StartTime = 0;
    uint8_t Blocked = 0;
    uint8_t FreeOld = 0;
    uint8_t Waits = 0;
};

class TComCalc final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 14;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override { v.Expr("expr", CalcExpr); }
    TExpr CalcExpr;
};

class TComVarNew final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 15;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override {
        v.Str("name", VarName);
        v.Byte("type", VarType, ByteFieldKind::TypeCode);
        v.Expr("value", InitialExpr);
        v.Byte("scope", Scope, ByteFieldKind::Scope);
    }
    std::string VarName;
    uint8_t VarType = 0;
    TExpr InitialExpr;
    uint8_t Scope = 0;
};

class TComVarDel final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 16;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override { v.Str("name", VarName); }
    std::string VarName;
};

class TComGetProp final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 17;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override {
        v.Expr("object", ComponentExpr);
        v.Expr("prop", PropertyExpr);
        v.Str("var", VarName);
    }
    TExpr ComponentExpr, PropertyExpr;
    std::string VarName;
};

class TComSetProp final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 18;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override {
        v.Expr("object", ComponentExpr);
        v.Expr("prop", PropertyExpr);
        v.Expr("value", ValueExpr);
    }
    TExpr ComponentExpr, PropertyExpr, ValueExpr;
};

// Kinds whose only field is one name expression.
#define NUVO_NAME_KIND(Class, Code, FieldName)                                                                         \
    class Class final : public TCommand {                                                                              \
    public:                                                                                                            \
        using TCommand::TCommand;                                                                                      \
        static constexpr uint8_t kCode = Code;                                                                         \
        uint8_t TypeCode() const override { return kCode; }                                                            \
        void VisitFields(TFieldVisitor& v) override { v.Expr(FieldName, NameExpr); }                                   \
        TExpr NameExpr;                                                                                                \
    };

NUVO_NAME_KIND(TComObjDel, 19, "object")
NUVO_NAME_KIND(TComMenuClose, 26, "object")
NUVO_NAME_KIND(TComTextClr, 28, "box")
NUVO_NAME_KIND(TComMediaPlay, 55, "object")

#undef NUVO_NAME_KIND

class TComTextIns final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 20;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override {
        v.Bytes("text", Text);
        v.Expr("box", BoxNameExpr);
        v.Expr("readmark", ReadMarkExpr);
        v.Expr("wait", WaitExpr);
        v.Expr("blocked", BlockedExpr, 107);
    }
    std::string Text; // marked-up text, exactly as stored
    TExpr BoxNameExpr, ReadMarkExpr, WaitExpr, BlockedExpr;
};

class TComMovieStop final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 21;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override {
        v.Expr("object", ComponentExpr);
        v.Expr("fade", FadeTimeExpr);
        v.Expr("wait", WaitExpr);
        v.Expr("blocked", BlockedExpr, 107);
    }
    TExpr ComponentExpr, FadeTimeExpr, WaitExpr, BlockedExpr;

    bool IsWaitKind() const override { return Waiting != 0; }
    // The run state from Begin until the command moves on: the component
    // fading out (none once it is freed), whether the script waits for it
    // to go and whether events are held back meanwhile.
    TNuvoRef<TNuvoObject> TargetComponent;
    uint8_t Waiting = 0;
    uint8_t Blocked = 0;
};

// Kinds without fields of their own.
#define NUVO_PLAIN_KIND(Class, Code)                                                                                   \
    class Class final : public TCommand {                                                                              \
    public:                                                                                                            \
        using TCommand::TCommand;                                                                                      \
        static constexpr uint8_t kCode = Code;                                                                         \
        uint8_t TypeCode() const override { return kCode; }                                                            \
        void VisitFields(TFieldVisitor&) override {}                                                                   \
    };

NUVO_PLAIN_KIND(TComClrHist, 22)
NUVO_PLAIN_KIND(TComTerminate, 45)
NUVO_PLAIN_KIND(TComClrRead, 47)

#undef NUVO_PLAIN_KIND

class TComDoEvent final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 46;
    uint8_t TypeCode() const override { return kCode; }
    // The frame ends after it, and inside a handler it lets deeper events start.
    bool RunOn() const override { return false; }
    bool IsWaitKind() const override { return true; }
    void VisitFields(TFieldVisitor&) override {}
};

class TComComment final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 27;
    uint8_t TypeCode() const override { return kCode; }
    bool Disabled() const override { return true; }
    void VisitFields(TFieldVisitor& v) override { v.Str("text", Text); }
    std::string Text;
};

class TComCallHist final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 29;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override {
        v.Expr("box", BoxNameExpr);
        v.Expr("first", FirstExpr);
        v.Expr("count", CountExpr);
        v.Expr("flag", FlagExpr);
        v.Expr("format", FormatNameExpr, 111);
    }
    TExpr BoxNameExpr, FirstExpr, CountExpr, FlagExpr, FormatNameExpr;
};

class TComWhile final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 31;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override {
        v.Expr("cond", ConditionExpr);
        v.Int("end", EndIndex);
    }
    TExpr ConditionExpr;
    int32_t EndIndex = 0;
};

class TComWhileInit final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 32;
    uint8_t TypeCode() const override { return kCode; }
    bool RunOn() const override { return true; }
    void VisitFields(TFieldVisitor& v) override { v.Expr("expr", InitExpr); }
    TExpr InitExpr;
};

class TComWhileLoop final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 33;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override {
        v.Expr("expr", LoopExpr);
        v.Int("start", StartIndex);
    }
    TExpr LoopExpr;
    int32_t StartIndex = 0;
};

class TComBreak final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 34;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override {
        v.Expr("cond", ConditionExpr);
        v.Int("target", TargetIndex);
    }
    TExpr ConditionExpr;
    int32_t TargetIndex = 0;
};

class TComContinue final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 35;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override {
        v.Expr("cond", ConditionExpr);
        v.Int("target", TargetIndex);
    }
    TExpr ConditionExpr;
    int32_t TargetIndex = 0;
};

class TComGameSave final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 38;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override {
        v.Expr("slot", SlotExpr);
        v.Str("page", LoadPage);
        v.Int("index", LoadIndex, 105);
        v.Expr("caption", CaptionExpr);
    }
    TExpr SlotExpr;
    std::string LoadPage;
    int32_t LoadIndex = 0;
    TExpr CaptionExpr;
};

class TComGameLoad final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 39;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override { v.Expr("slot", SlotExpr); }
    TExpr SlotExpr;
};

class TComPCReset : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 40;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override {
        v.Str("page", PageName);
        v.Int("index", Index);
        v.Byte("all", AllThreads, ByteFieldKind::Number);
    }
    std::string PageName;
    int32_t Index = 0;
    uint8_t AllThreads = 0;
};

// Stores the same fields as PCReset; the flag is ignored.
class TComReset final : public TComPCReset {
public:
    using TComPCReset::TComPCReset;
    static constexpr uint8_t kCode = 41;
    uint8_t TypeCode() const override { return kCode; }
};

class TComPropMotion final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 57;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override {
        v.Expr("name", MotionNameExpr);
        v.Expr("target", TargetNameExpr);
        v.Expr("prop", PropertyExpr);
        v.Expr("value", TargetValueExpr);
        v.Expr("duration", DurationExpr);
        v.Expr("curve", CurveTypeExpr);
        v.Expr("paused", PausedExpr, 108);
    }
    TExpr MotionNameExpr, TargetNameExpr, PropertyExpr, TargetValueExpr, DurationExpr, CurveTypeExpr, PausedExpr;
};

// The FormatHist command.
class TComEntryHist final : public TCommand {
public:
    using TCommand::TCommand;
    static constexpr uint8_t kCode = 58;
    uint8_t TypeCode() const override { return kCode; }
    void VisitFields(TFieldVisitor& v) override {
        v.Expr("object", ComponentExpr);
        v.Expr("format", FormatNameExpr, 111);
    }
    TExpr ComponentExpr, FormatNameExpr;
};

// ---- the catalogue -----------------------------------------------------------

struct CommandKindInfo {
    uint8_t code;
    const char* name;      // "If" ... "LoadCabinet": the text form uses these
    const char* caption;   // the authoring side's caption, UTF-8
    const char* className; // "TComIf" ...
    bool component;        // stores property expressions
    std::unique_ptr<TCommand> (*create)(TComList& owner);
};

// The kind of a code 0 .. 60, or none.
const CommandKindInfo* commandKind(int code);
// The kind of that exact name, or none.
const CommandKindInfo* commandKindByName(std::string_view name);
// The caption in Shift-JIS.
const std::string& commandCaption(int code);
// Creates the command of code (the top bit ignored) owned by owner; an unknown
// code raises "不正なコマンド".
std::unique_ptr<TCommand> createCommand(uint8_t code, TComList& owner);

} // namespace nuvo
