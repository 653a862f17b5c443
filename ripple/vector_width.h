// How wide the frame synthesis computes: with the widest vector instructions that the
// processor has, found once. Every width gives the same bits; tests and benchmarks narrow
// it to check and time the ways that narrower processors take.
#pragma once

enum class VectorWidth {
    sse2,   // four pixels and two sines at a time: every processor
    avx2,   // eight pixels and four sines at a time
    avx512, // sixteen pixels and eight sines at a time
};

// The widest the synthesis may use, where the processor has it; the widest of all unless
// narrowed.
extern VectorWidth widest_vector_allowed;

// The width to compute with now: the processor's widest, but no wider than allowed.
VectorWidth vector_width();
