#include "components/ComponentFunctions.h"

#include "components/NuvoBaseList.h"
#include "components/PropertyDispatch.h"
#include "script/SysFuncMan.h"

namespace nuvo {

void installComponentFunctions(TSysFuncMan& functions, TNuvoBaseList& registry) {
    TNuvoBaseList* bases = &registry;
    functions.SetHandler(FN_GETPROP, [bases](FunctionCall& call) {
        const std::string name = call.Str(0);
        const int32_t number = call.Int(1);
        const TNuvoObject* object = bases->FindByName(name);
        if (!object) return;
        if (TCustomParam* result = call.ResultValue()) GetProperty(*result, *object, number);
    });
    functions.SetHandler(FN_SETPROP, [bases](FunctionCall& call) {
        const std::string name = call.Str(0);
        const int32_t number = call.Int(1);
        if (TNuvoObject* object = bases->FindByName(name)) SetProperty(*object, number, call.Arg(2));
    });
    // The check flags of a list box's items (false outside the items).
    functions.SetHandler(FN_GETCHECK, [bases](FunctionCall& call) {
        const TNuvoObject* object = bases->FindByName(call.Str(0));
        call.SetResultBool(object && object->GetCheck(call.Int(1)));
    });
    functions.SetHandler(FN_SETCHECK, [bases](FunctionCall& call) {
        if (TNuvoObject* object = bases->FindByName(call.Str(0))) object->SetCheck(call.Int(1), call.Bool(2));
    });
}

} // namespace nuvo
