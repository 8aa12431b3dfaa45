// Packed 32-bit row kernels, written once over a vector traits type V and
// included by each instruction-set file inside an anonymous namespace, after
// defining NUVO_SIMD_TARGET. V works on bytes of whole pixels and provides:
//   reg, N (pixels per register), load, store, set1, set16, zero, lo16, hi16
//   (bytes to 16-bit lanes, in-lane), pack16, mul16, add16, sub16, srl8,
//   adds8, subs8, cmpeq32, cmpeq8, sel (mask ? a : b), orr, expandMask
//   (N mask bytes -> each pixel's byte repeated over its four bytes), and
//   maskBits (N mask bytes as one integer, for the all-0 / all-255 tests).
// Every kernel gives exactly the values of the scalar rules in Blend.h; the
// tails run through those rules.

template <class V>
NUVO_SIMD_TARGET inline typename V::reg blendConst(typename V::reg s, typename V::reg d, typename V::reg w16,
                                                    typename V::reg iw16) {
    const auto lo = V::srl8(V::add16(V::mul16(V::lo16(s), w16), V::mul16(V::lo16(d), iw16)));
    const auto hi = V::srl8(V::add16(V::mul16(V::hi16(s), w16), V::mul16(V::hi16(d), iw16)));
    return V::pack16(lo, hi);
}

// Per-channel weights given as 16-bit lanes for the low and high halves.
template <class V>
NUVO_SIMD_TARGET inline typename V::reg blendLanes(typename V::reg s, typename V::reg d, typename V::reg wlo,
                                                    typename V::reg whi) {
    const auto k255 = V::set16(255);
    const auto lo = V::srl8(V::add16(V::mul16(V::lo16(s), wlo), V::mul16(V::lo16(d), V::sub16(k255, wlo))));
    const auto hi = V::srl8(V::add16(V::mul16(V::hi16(s), whi), V::mul16(V::hi16(d), V::sub16(k255, whi))));
    return V::pack16(lo, hi);
}

template <class V>
NUVO_SIMD_TARGET void simdFillAlpha(uint32_t* d, int n, uint32_t p, uint32_t a) {
    const auto pv = V::set1(p);
    const auto ap = V::mul16(V::lo16(pv), V::set16(static_cast<uint16_t>(a)));
    const auto ia = V::set16(static_cast<uint16_t>(255 - a));
    int i = 0;
    for (; i + V::N <= n; i += V::N) {
        const auto dv = V::load(d + i);
        const auto lo = V::srl8(V::add16(ap, V::mul16(V::lo16(dv), ia)));
        const auto hi = V::srl8(V::add16(ap, V::mul16(V::hi16(dv), ia)));
        V::store(d + i, V::sel(V::cmpeq32(dv, pv), dv, V::pack16(lo, hi)));
    }
    for (; i < n; ++i)
        if (d[i] != p) d[i] = blend32(p, d[i], a);
}

template <class V>
NUVO_SIMD_TARGET void simdFillAdd(uint32_t* d, int n, uint32_t p) {
    const auto pv = V::set1(p);
    int i = 0;
    for (; i + V::N <= n; i += V::N) V::store(d + i, V::adds8(V::load(d + i), pv));
    for (; i < n; ++i) d[i] = addSat32(p, d[i]);
}

template <class V>
NUVO_SIMD_TARGET void simdFillSub(uint32_t* d, int n, uint32_t p) {
    const auto pv = V::set1(p);
    int i = 0;
    for (; i + V::N <= n; i += V::N) V::store(d + i, V::subs8(V::load(d + i), pv));
    for (; i < n; ++i) d[i] = subSat32(p, d[i]);
}

template <class V>
NUVO_SIMD_TARGET void simdCopyKey(uint32_t* d, const uint32_t* s, int n, uint32_t key) {
    const auto kv = V::set1(key);
    int i = 0;
    for (; i + V::N <= n; i += V::N) {
        const auto sv = V::load(s + i);
        V::store(d + i, V::sel(V::cmpeq32(sv, kv), V::load(d + i), sv));
    }
    for (; i < n; ++i)
        if (s[i] != key) d[i] = s[i];
}

template <class V>
NUVO_SIMD_TARGET void simdAlpha(uint32_t* d, const uint32_t* s, int n, uint32_t a, bool useKey, uint32_t key) {
    const auto w = V::set16(static_cast<uint16_t>(a));
    const auto iw = V::set16(static_cast<uint16_t>(255 - a));
    const auto kv = V::set1(key);
    int i = 0;
    for (; i + V::N <= n; i += V::N) {
        const auto sv = V::load(s + i);
        const auto dv = V::load(d + i);
        auto keep = V::cmpeq32(sv, dv);
        if (useKey) keep = V::orr(keep, V::cmpeq32(sv, kv));
        V::store(d + i, V::sel(keep, dv, blendConst<V>(sv, dv, w, iw)));
    }
    for (; i < n; ++i)
        if (s[i] != d[i] && !(useKey && s[i] == key)) d[i] = blend32(s[i], d[i], a);
}

template <class V>
NUVO_SIMD_TARGET void simdMask(uint32_t* d, const uint32_t* s, const uint8_t* m, int n) {
    const auto ones = V::set1(0xFFFFFFFFu);
    const auto zero = V::zero();
    int i = 0;
    for (; i + V::N <= n; i += V::N) {
        const auto bits = V::maskBits(m + i);
        if (bits == 0) continue;
        const auto sv = V::load(s + i);
        if (bits == V::kAllOnes) {
            V::store(d + i, sv);
            continue;
        }
        const auto dv = V::load(d + i);
        const auto mv = V::expandMask(m + i);
        auto r = blendLanes<V>(sv, dv, V::lo16(mv), V::hi16(mv));
        r = V::sel(V::cmpeq8(mv, ones), sv, r);
        r = V::sel(V::cmpeq8(mv, zero), dv, r);
        V::store(d + i, r);
    }
    for (; i < n; ++i) {
        const uint32_t w = m[i];
        if (w == 255)
            d[i] = s[i];
        else if (w)
            d[i] = blend32(s[i], d[i], w);
    }
}

template <class V>
NUVO_SIMD_TARGET void simdAlphaMask(uint32_t* d, const uint32_t* s, const uint8_t* m, int n, uint32_t a) {
    const auto av = V::set16(static_cast<uint16_t>(a));
    const auto zero = V::zero();
    int i = 0;
    for (; i + V::N <= n; i += V::N) {
        if (V::maskBits(m + i) == 0) continue;
        const auto sv = V::load(s + i);
        const auto dv = V::load(d + i);
        const auto mv = V::expandMask(m + i);
        const auto wlo = V::srl8(V::mul16(V::lo16(mv), av));
        const auto whi = V::srl8(V::mul16(V::hi16(mv), av));
        V::store(d + i, V::sel(V::cmpeq8(mv, zero), dv, blendLanes<V>(sv, dv, wlo, whi)));
    }
    for (; i < n; ++i)
        if (m[i]) d[i] = blend32(s[i], d[i], (a * m[i]) >> 8);
}

template <class V>
NUVO_SIMD_TARGET void simdAdd(uint32_t* d, const uint32_t* s, int n, uint32_t amount, bool useKey, uint32_t key) {
    const auto am = V::set16(static_cast<uint16_t>(amount));
    const auto kv = V::set1(key);
    int i = 0;
    for (; i + V::N <= n; i += V::N) {
        const auto sv = V::load(s + i);
        const auto dv = V::load(d + i);
        const auto t = V::pack16(V::srl8(V::mul16(V::lo16(sv), am)), V::srl8(V::mul16(V::hi16(sv), am)));
        auto r = V::adds8(dv, t);
        if (useKey) r = V::sel(V::cmpeq32(sv, kv), dv, r);
        V::store(d + i, r);
    }
    for (; i < n; ++i)
        if (!(useKey && s[i] == key)) d[i] = addScaled32(s[i], d[i], amount);
}

template <class V>
NUVO_SIMD_TARGET void simdAddMask(uint32_t* d, const uint32_t* s, const uint8_t* m, int n, uint32_t amount) {
    const auto am = V::set16(static_cast<uint16_t>(amount));
    int i = 0;
    for (; i + V::N <= n; i += V::N) {
        if (V::maskBits(m + i) == 0) continue;
        const auto sv = V::load(s + i);
        const auto mv = V::expandMask(m + i);
        const auto wlo = V::srl8(V::mul16(V::lo16(mv), am));
        const auto whi = V::srl8(V::mul16(V::hi16(mv), am));
        const auto t = V::pack16(V::srl8(V::mul16(V::lo16(sv), wlo)), V::srl8(V::mul16(V::hi16(sv), whi)));
        V::store(d + i, V::adds8(V::load(d + i), t));
    }
    for (; i < n; ++i) d[i] = addScaled32(s[i], d[i], (amount * m[i]) >> 8);
}

template <class V>
NUVO_SIMD_TARGET void simdFillMask(uint32_t* d, const uint8_t* m, int n, uint32_t p, uint32_t a) {
    const auto pv = V::set1(p);
    const auto av = V::set16(static_cast<uint16_t>(a));
    const auto zero = V::zero();
    int i = 0;
    for (; i + V::N <= n; i += V::N) {
        if (V::maskBits(m + i) == 0) continue;
        const auto dv = V::load(d + i);
        const auto mv = V::expandMask(m + i);
        auto wlo = V::lo16(mv);
        auto whi = V::hi16(mv);
        if (a != 255) {
            wlo = V::srl8(V::mul16(wlo, av));
            whi = V::srl8(V::mul16(whi, av));
        }
        const auto keep = V::orr(V::cmpeq8(mv, zero), V::cmpeq32(dv, pv));
        V::store(d + i, V::sel(keep, dv, blendLanes<V>(pv, dv, wlo, whi)));
    }
    for (; i < n; ++i) {
        if (!m[i] || d[i] == p) continue;
        d[i] = blend32(p, d[i], a == 255 ? m[i] : (a * m[i]) >> 8);
    }
}

template <class V>
NUVO_SIMD_TARGET void simdGlyph(uint32_t* d, const uint8_t* m, int n, uint32_t p, uint32_t a) {
    const auto pv = V::set1(p);
    const auto av = V::set16(static_cast<uint16_t>(a));
    const auto zero = V::zero();
    const auto ones = V::set1(0xFFFFFFFFu);
    int i = 0;
    for (; i + V::N <= n; i += V::N) {
        const auto bits = V::maskBits(m + i);
        if (bits == 0) continue;
        if (a == 255 && bits == V::kAllOnes) {
            V::store(d + i, pv);
            continue;
        }
        const auto dv = V::load(d + i);
        auto wv = V::expandMask(m + i);
        auto wlo = V::lo16(wv);
        auto whi = V::hi16(wv);
        if (a != 255) {
            wlo = V::srl8(V::mul16(wlo, av));
            whi = V::srl8(V::mul16(whi, av));
            wv = V::pack16(wlo, whi);
        }
        auto r = blendLanes<V>(pv, dv, wlo, whi);
        r = V::sel(V::cmpeq8(wv, ones), pv, r);
        r = V::sel(V::cmpeq8(wv, zero), dv, r);
        V::store(d + i, r);
    }
    for (; i < n; ++i) {
        const uint32_t w = a == 255 ? m[i] : (a * m[i]) >> 8;
        if (w) d[i] = w == 255 ? p : blend32(p, d[i], w);
    }
}

template <class V>
constexpr TRowKernels32 makeSimdKernels() {
    return TRowKernels32{&simdFillAlpha<V>, &simdFillAdd<V>, &simdFillSub<V>,  &simdCopyKey<V>,
                         &simdAlpha<V>,     &simdMask<V>,    &simdAlphaMask<V>, &simdAdd<V>,
                         &simdAddMask<V>,   &simdFillMask<V>, &simdGlyph<V>};
}
