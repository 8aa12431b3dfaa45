#include "base/KvRandom.h"

#include <cstddef>

namespace nuvo {

void TKvRandom::PrepareDraw(int32_t n) {
    pool_.clear();
    if (n <= 0) return;
    pool_.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) pool_.push_back(i);
}

int32_t TKvRandom::Draw() {
    const uint32_t s = static_cast<uint32_t>(Next());
    if (pool_.empty()) return -1;
    const size_t i = s % pool_.size();
    const int32_t v = pool_[i];
    pool_.erase(pool_.begin() + static_cast<std::ptrdiff_t>(i));
    return v;
}

} // namespace nuvo
