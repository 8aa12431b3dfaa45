// Which implementation the drawing operations run on. The player picks the
// fastest level the processor offers once at start-up; tests and benchmarks
// switch levels to compare every variant with the reference.
//
// Reference: the general path over GetPixel/SetPixel and the channel masks,
//            for every format (the definition every other level must match).
// Scalar:    direct pixel-memory loops for 8/15/16/24/32-bit surfaces and
//            plain 32-bit row kernels.
// Sse2, Avx2: the same with packed 32-bit row kernels.
#pragma once

namespace nuvo {

enum class TKernelLevel { Reference, Scalar, Sse2, Avx2 };

bool kernelLevelSupported(TKernelLevel level);
TKernelLevel bestKernelLevel();
TKernelLevel activeKernelLevel();
// Switches level (an unsupported one is ignored); returns the previous level.
TKernelLevel setKernelLevel(TKernelLevel level);
const char* kernelLevelName(TKernelLevel level);

} // namespace nuvo
