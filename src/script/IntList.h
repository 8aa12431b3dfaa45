// A growable list of int32 used by the read marks, the history and the
// scripts' helpers. Reading outside 0..Count()-1 raises "Error:TIntList.GetInt";
// writing past the end first appends zeros, and a negative index, or one at or
// beyond kMaxIntListCount, raises "Error:TIntList.SetInt".
#pragma once

#include <cstdint>
#include <vector>

namespace nuvo {

class TIntList {
public:
    // The largest count a write may grow the list to (16 Mi values).
    static constexpr int32_t kMaxIntListCount = 1 << 24;

    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    int32_t GetInt(int32_t index) const;
    void SetInt(int32_t index, int32_t value);
    void Add(int32_t value) { items_.push_back(value); }
    void Insert(int32_t index, int32_t value);
    void Delete(int32_t index);
    // First position of value, or -1.
    int32_t IndexOf(int32_t value) const;
    void Clear() { items_.clear(); }

    const std::vector<int32_t>& Items() const { return items_; }

private:
    std::vector<int32_t> items_;
};

} // namespace nuvo
