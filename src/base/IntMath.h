// 32-bit arithmetic that wraps as the 32-bit machine did, and the x87's
// real-to-integer conversions, all without undefined behaviour.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace nuvo {

constexpr int32_t wrapAdd(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
constexpr int32_t wrapSub(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
constexpr int32_t wrapMul(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)); }
constexpr int32_t wrapNeg(int32_t a) { return static_cast<int32_t>(0u - static_cast<uint32_t>(a)); }
constexpr int32_t wrapShl(int32_t a, int bits) { return static_cast<int32_t>(static_cast<uint32_t>(a) << (bits & 31)); }
constexpr int32_t wrapAbs(int32_t a) { return a < 0 ? wrapNeg(a) : a; }

// The x87 "integer indefinite" answer for a NaN, an infinity or a value that
// does not fit 64 bits.
constexpr int64_t kInt64Indefinite = std::numeric_limits<int64_t>::min();

// Truncation toward zero to 64 bits, as FISTP with the rounding control set
// to chop.
inline int64_t truncToInt64(long double x) {
    if (!(x > -9223372036854775809.0L && x < 9223372036854775808.0L)) return kInt64Indefinite;
    return static_cast<int64_t>(x);
}

// Rounding to nearest with ties to even, the x87's default mode.
inline int64_t roundToInt64(long double x) {
    if (!std::isfinite(x)) return kInt64Indefinite;
    const long double r = std::nearbyint(x); // the default rounding mode is to nearest, ties to even
    if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L)) return kInt64Indefinite;
    return static_cast<int64_t>(r);
}

// A real converted to a 32-bit integer the way the system does it: through a
// 64-bit integer, keeping the low 32 bits.
inline int32_t truncToInt32(long double x) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(truncToInt64(x)))); }
inline int32_t roundToInt32(long double x) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(roundToInt64(x)))); }

} // namespace nuvo
