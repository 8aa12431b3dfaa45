// SaveCabinet and LoadCabinet: components of the incoming (inactive) screen
// are parked in a cabinet, where they are neither shown, ticked nor
// focused, and taken out again onto the incoming screen later, typically
// around a Flip. A cabinet is a control under Base0 (whichever screen is
// active) whose children are the parked components.
//
// Which components move follows the cabinet rule: a component is listed when
// its name equals the whole text of one of the name expressions that have a
// value; with the mode flag false the listed ones move, with it true every
// one that is not listed.
#include "components/NuvoBaseList.h"
#include "engine/CallMan.h"
#include "engine/CommandRuntime.h"
#include "engine/Commands.h"

#include <algorithm>
#include <string>
#include <vector>

namespace nuvo::run {

namespace {

struct TCabinetChoice {
    bool allButListed = false;
    std::vector<std::string> listed;

    bool chooses(const TNuvoControl& c) const {
        const bool isListed = std::find(listed.begin(), listed.end(), c.Name()) != listed.end();
        return allButListed ? !isListed : isListed;
    }
};

TCabinetChoice readChoice(TCallMan& cm, const TComCabinet& cmd) {
    TCabinetChoice choice;
    choice.allButListed = cm.Condition(cmd.ModeExpr, false);
    for (const TExpr& e : cmd.NameExprs)
        if (const TCustomParam* v = cm.Evaluate(e)) choice.listed.push_back(v->AsString());
    return choice;
}

// Every move re-sorts the children, so the walk goes over a copy of them,
// from the last to the first. Components already being deleted stay where
// they are; the destination itself is never moved into itself.
void moveChosen(const TNuvoControl& from, TNuvoControl& to, const TCabinetChoice& choice) {
    const std::vector<TNuvoControl*> children = from.Children();
    for (size_t i = children.size(); i-- > 0;) {
        TNuvoControl* child = children[i];
        if (child == &to || child->IsPendingDeletion() || !choice.chooses(*child)) continue;
        child->SetParent(&to);
    }
}

bool isEmpty(const TNuvoControl& cabinet) {
    const std::vector<TNuvoControl*>& children = cabinet.Children();
    return std::all_of(children.begin(), children.end(), [](const TNuvoControl* c) { return c->IsPendingDeletion(); });
}

std::string cabinetName(TCallMan& cm, const TComCabinet& cmd) {
    const TExpr* e = cmd.PropExprs[PR_NAME];
    return e ? textOf(cm, *e) : std::string();
}

} // namespace

void saveCabinetExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    auto& cmd = static_cast<TComCabinet&>(c);
    ++index;
    TNuvoBaseList* registry = componentRegistry(cm);
    if (!registry) return;
    const std::string name = cabinetName(cm, cmd);
    TNuvoObject* found = name.empty() ? nullptr : registry->FindByName(name);
    TNuvoControl* cabinet = found && found->GetCompoType() == LT_CABINET ? found->AsControl() : nullptr;
    if (!cabinet) {
        TNuvoObject* made = registry->CreateByType(LT_CABINET);
        cabinet = made ? made->AsControl() : nullptr;
        if (!cabinet) return;
        // A control holding the name is renamed, by the controls' rule.
        if (!name.empty()) cabinet->SetName(name);
        cabinet->SetParent(registry->Base(0));
    }
    moveChosen(*registry->InactiveBase(), *cabinet, readChoice(cm, cmd));
    if (isEmpty(*cabinet)) cabinet->Delete();
}

void loadCabinetExecute(TCallMan& cm, TCommand& c, TPage*&, int32_t& index) {
    auto& cmd = static_cast<TComCabinet&>(c);
    ++index;
    TNuvoBaseList* registry = componentRegistry(cm);
    const std::string name = cabinetName(cm, cmd);
    if (!registry || name.empty()) return;
    TNuvoObject* found = registry->FindByName(name);
    TNuvoControl* cabinet = found && found->GetCompoType() == LT_CABINET ? found->AsControl() : nullptr;
    if (!cabinet) return;
    moveChosen(*cabinet, *registry->InactiveBase(), readChoice(cm, cmd));
    if (isEmpty(*cabinet)) cabinet->Delete();
}

} // namespace nuvo::run
