#pragma once

// Hot loops built twice, for AVX2 and for the baseline, chosen when the program loads. Both
// clones run the same operations in the same order (no FMA contraction), so their results are
// identical. Compilers without multiversioned templates build the baseline only.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define BRINDOR_CLONES [[gnu::target_clones("avx2", "default")]]
#else
#define BRINDOR_CLONES
#endif
