// The commands that create components from their property expressions
// (every creating kind, through one table and ApplyProperties) and those that
// read, write and delete single components: GetProp, SetProp, ObjDel, and
// PropMotion, which makes a property motion. Each moves to the next command
// before its work, so an error it raises leaves the script after it.
#include "components/NuvoBaseList.h"
#include "components/NuvoPropMotion.h"
#include "components/PropertyDispatch.h"
#include "engine/CallMan.h"
#include "engine/CommandRuntime.h"
#include "engine/Commands.h"
#include "engine/EngineMessages.h"
#include "engine/ProgramContext.h"
#include "script/NuvoParser.h"
#include "script/Param.h"
#include "script/ParamCollection.h"

#include <array>

namespace nuvo::run {
namespace {

// The order in which a new component's properties are applied: name,
// parent and source first, the zooms and the zoom flag before the size, the
// size before the position, the rest ascending with a few moved.
constexpr std::array<uint8_t, kPropCount> makePropertyOrder() {
    std::array<uint8_t, kPropCount> order{};
    size_t n = 0;
    const auto add = [&](int p) { order[n++] = static_cast<uint8_t>(p); };
    const auto range = [&](int from, int to) {
        for (int p = from; p <= to; ++p)
            add(p);
    };
    for (int p : {0, 1, 2, 7, 132, 100, 5, 6, 3, 4, 8, 157, 9, 10, 11, 12, 13, 14, 159, 160})
        add(p);
    range(15, 24);
    for (int p : {153, 154, 155, 156})
        add(p);
    range(25, 29);
    add(162);
    range(30, 79);
    add(161);
    range(80, 99);
    range(101, 131);
    range(133, 152);
    for (int p : {158, 163, 164})
        add(p);
    return order;
}

constexpr std::array<uint8_t, kPropCount> kPropertyOrder = makePropertyOrder();

constexpr bool isPermutation(const std::array<uint8_t, kPropCount>& order) {
    std::array<bool, kPropCount> seen{};
    for (uint8_t p : order) {
        if (p >= kPropCount || seen[p]) return false;
        seen[p] = true;
    }
    return true;
}
static_assert(isPermutation(kPropertyOrder), "every property exactly once");
static_assert(kPropertyOrder[0] == PR_NAME && kPropertyOrder[1] == PR_PARENT, "the name, then the parent");

// Properties a creating command never applies, whatever its mask says.
constexpr bool neverApplied(int p) {
    switch (p) {
    case PR_CARETX:
    case PR_CARETY:
    case PR_APPEARX:
    case PR_APPEARY:
    case PR_PLAYING:
    case PR_COMPOTYPE:
    case PR_PLUSX:
    case PR_PLUSY:
    case PR_CARETHEIGHT:
        return true;
    default:
        return false;
    }
}

// The value a property takes when its expression yields none.
std::unique_ptr<TCustomParam> defaultValue(int p) {
    const uint8_t type = propertyTypeInfo(p)->type;
    std::unique_ptr<TCustomParam> v = CreateValue(type);
    switch (p) {
    case PR_ZOOMX:
    case PR_ZOOMY:
    case PR_TEXTDELAY:
        v->SetInteger(256);
        break;
    case PR_COLOR:
    case PR_BORDERCOLOR:
    case PR_HOVERCOLOR:
        v->SetInteger(-1);
        break;
    case PR_ALPHA:
        v->SetInteger(255);
        break;
    case PR_FONTHEIGHT:
        v->SetInteger(16);
        break;
    case PR_VOLUME:
        v->SetInteger(1000);
        break;
    case PR_WAVELEN:
        v->SetInteger(100);
        break;
    case PR_COLCOUNT:
    case PR_ROWCOUNT:
    case PR_AMP:
    case PR_SMALLCHANGE:
    case PR_LARGECHANGE:
    case PR_GLYPHWIDTH:
    case PR_GLYPHHEIGHT:
        v->SetInteger(1);
        break;
    case PR_VISIBLE:
    case PR_OVERLAY:
        v->SetBool(true);
        break;
    default:
        break; // 0, false, 0.0 or the empty string as made
    }
    return v;
}

// What each creating kind makes: the component type, the property
// expressions the component keeps its own copies of (handed over before the
// properties are applied), and what follows the properties. A kind whose
// type has no class in the factory yet makes nothing.
enum class TAfterCreation : uint8_t {
    None,
    StartPlaying, // play state 1 (fading in) with a Delay, else 0 (at once)
    Open,         // play state 1: a menu opens with its animation
};

struct TCreatingKind {
    uint8_t code;
    uint8_t type;
    std::array<uint8_t, 3> kept; // PR_ numbers; PR_NAME ends the list
    TAfterCreation after;
};

constexpr std::array<uint8_t, 3> kNone{};

constexpr TCreatingKind kCreatingKinds[] = {
    {TComBoxNew::kCode, LT_BOX, kNone, TAfterCreation::None},
    {TComImgNew::kCode, LT_IMAGES, {PR_DELAY}, TAfterCreation::None},
    {TComMesNew::kCode, LT_MES, kNone, TAfterCreation::None},
    {TComTimer::kCode, LT_TIMER, kNone, TAfterCreation::None},
    {TComMovie::kCode, LT_VIDEO, kNone, TAfterCreation::StartPlaying},
    {TComCinema::kCode, LT_CINEMA, kNone, TAfterCreation::None},
    {TComCaption::kCode, LT_LABEL, kNone, TAfterCreation::None},
    {TComMenu::kCode, LT_MENU, kNone, TAfterCreation::Open},
    {TComBtnNew::kCode, LT_BUTTON, kNone, TAfterCreation::None},
    {TComParticleNew::kCode, LT_PARTICLE, {PR_APPEARX, PR_APPEARY, PR_DELAY}, TAfterCreation::None},
    {TComFireNew::kCode, LT_FIRE, kNone, TAfterCreation::None},
    {TComSound::kCode, LT_SOUND, kNone, TAfterCreation::StartPlaying},
    {TComEditNew::kCode, LT_EDIT, kNone, TAfterCreation::None},
    {TComMemoNew::kCode, LT_MEMO, kNone, TAfterCreation::None},
    {TComMapImgNew::kCode, LT_MAPIMG, kNone, TAfterCreation::None},
    {TComWaveNew::kCode, LT_WAVE, kNone, TAfterCreation::None},
    {TComTileNew::kCode, LT_TILE, kNone, TAfterCreation::None},
    {TComSliderNew::kCode, LT_SLIDER, kNone, TAfterCreation::None},
    {TComScrollbarNew::kCode, LT_SCROLLBAR, kNone, TAfterCreation::None},
    {TComGaugeNew::kCode, LT_GAUGE, kNone, TAfterCreation::None},
    {TComCGCaption::kCode, LT_CGLABEL, kNone, TAfterCreation::None},
    {TComPrevMenuNew::kCode, LT_PREVMENU, kNone, TAfterCreation::None},
};

const TCreatingKind* creatingKind(uint8_t code) {
    for (const TCreatingKind& k : kCreatingKinds)
        if (k.code == code) return &k;
    return nullptr;
}

// The component's own copies of the expressions it keeps (an expression the
// page's mask leaves out is not handed over at all).
void handOverExpressions(const TCreatingKind& kind, const TComComponent& command, TNuvoObject& object) {
    for (uint8_t p : kind.kept) {
        if (p == PR_NAME) break;
        const TExpr* e = command.PropExprs[p];
        if (!e) continue;
        auto copy = std::make_unique<TNuvoParser>();
        if (!e->Empty()) copy->Assign(e->Parser());
        object.TakeExpression(p, std::move(copy));
    }
}

void finishCreation(TAfterCreation after, TNuvoObject& object) {
    switch (after) {
    case TAfterCreation::None:
        break;
    case TAfterCreation::StartPlaying:
        object.SetPlayState(object.GetDelay() != 0 ? 1 : 0);
        break;
    case TAfterCreation::Open:
        object.SetPlayState(1);
        break;
    }
}

} // namespace

std::string textOf(TCallMan& cm, const TExpr& e) {
    const TCustomParam* v = cm.Evaluate(e);
    return v ? v->AsString() : std::string();
}

TNuvoBaseList* componentRegistry(TCallMan& cm) {
    IScriptEvents* events = cm.Events();
    return events ? events->Components() : nullptr;
}

void ApplyProperties(TCallMan& cm, const TComComponent& command, TNuvoObject& object) {
    TNuvoBaseList* registry = object.Owner();
    // The name first, then the parent (a control the command gives no parent
    // stands on the active screen), then the rest in order.
    const std::string name = command.PropExprs[PR_NAME] ? textOf(cm, *command.PropExprs[PR_NAME]) : std::string();
    if (!name.empty()) object.SetName(name);
    if (registry && object.AsControl() && !object.AsBase()) {
        TNuvoControl* parent = nullptr;
        if (const TExpr* e = command.PropExprs[PR_PARENT]) {
            const std::string parentName = textOf(cm, *e);
            if (!parentName.empty()) parent = registry->FindControlByName(parentName);
        }
        object.SetParent(parent ? parent : registry->ActiveBase());
        // A parent naming the new control itself makes a cycle, which
        // SetParent refuses: the control goes on the active screen instead
        // of standing on none.
        if (!object.GetParent()) object.SetParent(registry->ActiveBase());
    }
    for (uint8_t p : kPropertyOrder) {
        const TExpr* e = command.PropExprs[p];
        if (!e || p == PR_NAME || p == PR_PARENT || neverApplied(p)) continue;
        if (const TCustomParam* value = cm.Evaluate(*e)) {
            ApplyProperty(object, p, *value);
        } else {
            const std::unique_ptr<TCustomParam> fallback = defaultValue(p);
            ApplyProperty(object, p, *fallback);
        }
    }
    object.Invalidate();
}

void createExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    auto& cmd = static_cast<TComComponent&>(c);
    ++index;
    TNuvoBaseList* registry = componentRegistry(cm);
    const TCreatingKind* kind = creatingKind(cmd.TypeCode());
    if (!registry || !kind) return;
    TNuvoObject* object = registry->CreateByType(kind->type);
    if (!object) {
        const CommandKindInfo* info = commandKind(cmd.TypeCode());
        cm.Context().ReportOnce(std::string(info ? info->name : "?") + " is not supported yet");
        return;
    }
    handOverExpressions(*kind, cmd, *object);
    ApplyProperties(cm, cmd, *object);
    finishCreation(kind->after, *object);
}

void getPropExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    auto& cmd = static_cast<TComGetProp&>(c);
    ++index;
    TNuvoBaseList* registry = componentRegistry(cm);
    if (!registry) return;
    TNuvoObject* object = registry->FindByName(textOf(cm, cmd.ComponentExpr));
    if (!object) return;
    const TCustomParam* property = cm.Evaluate(cmd.PropertyExpr);
    if (!property) raiseEngineError(EngineText::BadProperty);
    const int32_t number = property->AsInteger();
    TParamCollection* vars = cm.Context().Vars;
    if (cmd.VarName.empty() || !vars) return;
    // A missing variable is not made.
    if (TParamCollectionItem* var = vars->Find(cmd.VarName)) GetProperty(*var->Value(), *object, number);
}

void setPropExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    auto& cmd = static_cast<TComSetProp&>(c);
    ++index;
    TNuvoBaseList* registry = componentRegistry(cm);
    if (!registry) return;
    TNuvoObject* object = registry->FindByName(textOf(cm, cmd.ComponentExpr));
    if (!object) return;
    const TCustomParam* property = cm.Evaluate(cmd.PropertyExpr);
    if (!property) raiseEngineError(EngineText::BadProperty);
    const int32_t number = property->AsInteger();
    if (const TCustomParam* value = cm.Evaluate(cmd.ValueExpr)) SetProperty(*object, number, *value);
}

void objDelExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    auto& cmd = static_cast<TComObjDel&>(c);
    ++index;
    TNuvoBaseList* registry = componentRegistry(cm);
    const std::string name = textOf(cm, cmd.NameExpr);
    if (!registry || name.empty()) return;
    if (TNuvoObject* object = registry->FindByName(name)) object->Delete();
}

// The property number is checked before anything is made, so that a
// command without one leaves no motion behind; it is kept whole (a number
// outside the catalogue ends the motion when it starts).
void propMotionExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    auto& cmd = static_cast<TComPropMotion&>(c);
    ++index;
    TNuvoBaseList* registry = componentRegistry(cm);
    if (!registry) return;
    const std::string name = textOf(cm, cmd.MotionNameExpr);
    const std::string target = textOf(cm, cmd.TargetNameExpr);
    const TCustomParam* property = cm.Evaluate(cmd.PropertyExpr);
    if (!property) raiseEngineError(EngineText::BadProperty);
    const int32_t number = property->AsInteger();
    auto* motion = dynamic_cast<TNuvoPropMotion*>(registry->CreateByType(LT_PROPMOTION));
    if (!motion) return;
    if (!name.empty()) motion->SetName(name);
    if (!target.empty()) motion->TargetName = target;
    motion->Property = number;
    if (const TCustomParam* v = cm.Evaluate(cmd.TargetValueExpr)) motion->TargetValue = v->AsFloat();
    if (const TCustomParam* v = cm.Evaluate(cmd.DurationExpr)) motion->Duration = v->AsInteger();
    if (const TCustomParam* v = cm.Evaluate(cmd.CurveTypeExpr))
        motion->CurveType = static_cast<uint8_t>(v->AsInteger());
    if (const TCustomParam* v = cm.Evaluate(cmd.PausedExpr)) motion->SetPaused(v->AsBool());
}

} // namespace nuvo::run
