#include "script/IntList.h"

#include "base/Error.h"

#include <algorithm>

namespace nuvo {
namespace {

[[noreturn]] void raiseGet() { raiseError("Error:TIntList.GetInt"); }
[[noreturn]] void raiseSet() { raiseError("Error:TIntList.SetInt"); }

} // namespace

int32_t TIntList::GetInt(int32_t index) const {
    if (index < 0 || index >= Count()) raiseGet();
    return items_[static_cast<size_t>(index)];
}

void TIntList::SetInt(int32_t index, int32_t value) {
    if (index < 0 || index >= kMaxIntListCount) raiseSet();
    if (index >= Count()) items_.resize(static_cast<size_t>(index) + 1, 0);
    items_[static_cast<size_t>(index)] = value;
}

void TIntList::Insert(int32_t index, int32_t value) {
    if (index < 0 || index > Count()) raiseSet();
    items_.insert(items_.begin() + index, value);
}

void TIntList::Delete(int32_t index) {
    if (index < 0 || index >= Count()) raiseGet();
    items_.erase(items_.begin() + index);
}

int32_t TIntList::IndexOf(int32_t value) const {
    const auto it = std::find(items_.begin(), items_.end(), value);
    return it == items_.end() ? -1 : static_cast<int32_t>(it - items_.begin());
}

} // namespace nuvo
