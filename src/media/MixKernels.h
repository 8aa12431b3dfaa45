// The mixer's inner loop: a block of 16-bit samples added into the output
// block with saturation, each sample first scaled by the buffer's volume
// when that is below 255, as (sample × volume) >> 8 with an arithmetic
// shift. A plain version defines the result; SSE2 and AVX2 versions give
// the same samples and are chosen once by what the processor offers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nuvo {

enum class TMixKernel { Plain, Sse2, Avx2 };

// dst[i] := saturate(dst[i] + scaled(src[i])), for `samples` samples.
void mixSamples(int16_t* dst, const int16_t* src, size_t samples, int32_t volume);

bool mixKernelSupported(TMixKernel kernel);
TMixKernel bestMixKernel();
TMixKernel activeMixKernel();
// Switches kernel (an unsupported one is ignored); returns the previous one.
TMixKernel setMixKernel(TMixKernel kernel);
const char* mixKernelName(TMixKernel kernel);
// One kernel directly, for tests and benchmarks.
void mixSamplesWith(TMixKernel kernel, int16_t* dst, const int16_t* src, size_t samples, int32_t volume);

} // namespace nuvo
