# One floating-point set-up for both builds, so that the native and the Windows
# builds compute the ripple frames bit for bit alike: IEEE arithmetic as written
# (no fast-math, no fused multiply-adds), and on i686 SSE2 instead of the x87 unit,
# whose 80-bit registers would round differently.
add_library(ondrella_floating_point INTERFACE)
target_compile_options(ondrella_floating_point INTERFACE -ffp-contract=off -fno-fast-math)
# 32-bit x86, cross compiled or built on Windows itself (where the processor may read AMD64).
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "i.86|x86|AMD64")
  target_compile_options(ondrella_floating_point INTERFACE -msse2 -mfpmath=sse)
endif()
