#include "script/ExtendedList.h"

#include "base/Error.h"

#include <algorithm>
#include <cmath>

namespace nuvo {

long double TExtendedList::Get(int32_t index) const {
    if (index < 0 || index >= Count()) raiseError("Error:TExtendedList.Get");
    return items_[static_cast<size_t>(index)];
}

void TExtendedList::Set(int32_t index, long double value) {
    if (index < 0 || index >= Count()) raiseError("Error:TExtendedList.Set");
    items_[static_cast<size_t>(index)] = value;
}

void TExtendedList::Delete(int32_t index) {
    if (index < 0 || index >= Count()) raiseError("Error:TExtendedList.Get");
    items_.erase(items_.begin() + index);
}

void TExtendedList::Sort(bool descending) {
    // NaN compares false both ways, which would break the sort's ordering
    // requirement: keep NaNs apart and put them last.
    const auto numbers = std::partition(items_.begin(), items_.end(), [](long double v) { return !std::isnan(v); });
    if (descending)
        std::sort(items_.begin(), numbers, [](long double a, long double b) { return a > b; });
    else
        std::sort(items_.begin(), numbers);
}

} // namespace nuvo
