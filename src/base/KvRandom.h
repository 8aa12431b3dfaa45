// The program's pseudo-random generator: state = state * 5 + seed (32-bit
// wrap-around), with a pool for drawing without repetition. It scrambles
// archive directories and layered images and drives some transitions, so its
// sequence is part of the file formats.
#pragma once

#include <cstdint>
#include <vector>

namespace nuvo {

class TKvRandom {
public:
    explicit TKvRandom(int32_t seed) : seed_(seed) {}

    int32_t seed() const { return seed_; }
    int32_t state() const { return state_; }

    int32_t Next() {
        state_ = static_cast<int32_t>(static_cast<uint32_t>(state_) * 5u + static_cast<uint32_t>(seed_));
        return state_;
    }

    // The pool becomes 0, 1, ..., n-1.
    void PrepareDraw(int32_t n);
    // Takes one pool entry chosen by the next state; n draws after
    // PrepareDraw(n) give a permutation of 0..n-1. On an empty pool the state
    // still advances and the answer is -1.
    int32_t Draw();
    int32_t poolCount() const { return static_cast<int32_t>(pool_.size()); }

private:
    int32_t seed_;
    int32_t state_ = 0;
    std::vector<int32_t> pool_;
};

} // namespace nuvo
