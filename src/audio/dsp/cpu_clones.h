// Builds a hot function twice, for processors with AVX2 and FMA
// (x86-64-v3) and for the rest; the loader picks one at start-up.
#pragma once

// Not under ThreadSanitizer: the picker runs before its runtime is up, and
// an instrumented picker crashes the program as it loads.
#if defined(__SANITIZE_THREAD__)
#define LUMA_CPU_CLONES
#else
#define LUMA_CPU_CLONES target_clones("arch=x86-64-v3", "default")
#endif
