// A list of 80-bit reals (the list owns its values) that sorts both ways.
// Not-a-number values sort after every number in either direction, so a sort
// is always well-defined.
#pragma once

#include <cstdint>
#include <vector>

namespace nuvo {

class TExtendedList {
public:
    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    // Raise "Error:TExtendedList.Get" / ".Set" outside 0..Count()-1.
    long double Get(int32_t index) const;
    void Set(int32_t index, long double value);
    void Add(long double value) { items_.push_back(value); }
    void Delete(int32_t index);
    void Clear() { items_.clear(); }
    void Sort(bool descending = false);

    const std::vector<long double>& Items() const { return items_; }

private:
    std::vector<long double> items_;
};

} // namespace nuvo
