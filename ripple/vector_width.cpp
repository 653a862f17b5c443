// The processor's widest vector instructions, asked once. The library's check also asks
// whether the system saves the wide registers, so a width it reports can be used.
#include "ripple/vector_width.h"

VectorWidth widest_vector_allowed = VectorWidth::avx512;

namespace {

VectorWidth processor_width() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512dq"))
        return VectorWidth::avx512;
    if (__builtin_cpu_supports("avx2"))
        return VectorWidth::avx2;
    return VectorWidth::sse2;
}

} // namespace

VectorWidth vector_width() {
    static const VectorWidth widest = processor_width();
    return widest < widest_vector_allowed ? widest : widest_vector_allowed;
}
