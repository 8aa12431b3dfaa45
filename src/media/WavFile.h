// PCM WAV files for the tools: the reader takes the "fmt " and "data"
// chunks of a RIFF WAVE file (in any order, other chunks skipped, odd sizes
// padded), trusting no size in it; the writer makes the plain 44-byte form.
#pragma once

#include "media/WavOut.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace nuvo {

class EWavError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TWavData {
    TWaveFormat Format;
    std::vector<uint8_t> Data;
};

// Raises EWavError for anything that is not a readable PCM WAV file (format
// tag 1, or the extensible form with a PCM sub-format).
TWavData readWavBytes(const uint8_t* data, size_t size);
std::vector<uint8_t> wavBytes(const TWaveFormat& format, const uint8_t* data, size_t size);

} // namespace nuvo
