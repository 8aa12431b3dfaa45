#include "script/PropertyTypes.h"

#include <string_view>

namespace nuvo {

namespace {

constexpr bool numberedInOrder() {
    for (int i = 0; i < kPropertyCount; ++i)
        if (kPropertyCatalogue[i].number != i) return false;
    for (int i = 0; i < kComponentTypeCount; ++i)
        if (kComponentTypes[i].number != i) return false;
    return true;
}
static_assert(numberedInOrder(), "every catalogue row sits at its own number");
static_assert(std::size(kPropertyCatalogue) == kPropertyCount && PR_BLURDELAY == kPropertyCount - 1);
static_assert(std::size(kComponentTypes) == kComponentTypeCount && LT_CABINET == kComponentTypeCount - 1);

} // namespace

const PropertyTypeInfo* propertyTypeInfo(int32_t number) {
    if (number < 0 || number >= kPropertyCount) return nullptr;
    return &kPropertyCatalogue[number];
}

const ComponentTypeInfo* componentTypeInfo(int32_t number) {
    if (number < 0 || number >= kComponentTypeCount) return nullptr;
    return &kComponentTypes[number];
}

bool PropertyTypeInfo::isEventHandler() const { return std::string_view(name).starts_with("PR_ON"); }

} // namespace nuvo
