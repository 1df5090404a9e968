#pragma once
// KORV_VECTOR_CLONES before a pixel loop builds it twice, for the baseline
// x86-64 instruction set and for AVX2 (twice the vector lanes); the dynamic
// loader picks the one the processor runs. Elsewhere (other processors,
// systems without the loader's indirect functions) it builds the loop once.

#if defined(__GNUC__) && defined(__x86_64__) && defined(__ELF__) && !defined(__SANITIZE_ADDRESS__)
#define KORV_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define KORV_VECTOR_CLONES
#endif
