// The 44-byte header of a PCM WAV file (RIFF, "fmt " of 16 bytes, "data").
#pragma once

#include <array>
#include <cstdint>

namespace nuvo::platform {

inline std::array<uint8_t, 44> makeWavHeader(uint32_t dataBytes, uint16_t channels, uint32_t rate,
                                              uint16_t bitsPerSample) {
    std::array<uint8_t, 44> h{};
    const auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            h[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    const auto put16 = [&](size_t at, uint16_t v) {
        h[at] = static_cast<uint8_t>(v);
        h[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    const auto tag = [&](size_t at, const char* t) {
        for (int i = 0; i < 4; ++i)
            h[at + i] = static_cast<uint8_t>(t[i]);
    };
    const uint16_t align = static_cast<uint16_t>(channels * ((bitsPerSample + 7) / 8));
    tag(0, "RIFF");
    // A data size past what RIFF can hold keeps the largest size it can.
    put32(4, dataBytes > 0xFFFFFFFFu - 36 ? 0xFFFFFFFFu : dataBytes + 36);
    tag(8, "WAVE");
    tag(12, "fmt ");
    put32(16, 16);
    put16(20, 1); // PCM
    put16(22, channels);
    put32(24, rate);
    put32(28, rate * align);
    put16(32, align);
    put16(34, bitsPerSample);
    tag(36, "data");
    put32(40, dataBytes);
    return h;
}

} // namespace nuvo::platform
