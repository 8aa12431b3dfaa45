// The tools' WAV reader on any bytes: a format and data, or an error, never
// a crash or a read past the end; the data it gives fits in the input.
#include "media/WavFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const nuvo::TWavData wav = nuvo::readWavBytes(data, size);
        if (wav.Data.size() > size) std::abort();
    } catch (const nuvo::EWavError&) {
    }
    return 0;
}
