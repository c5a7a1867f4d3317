# Cross-build for 32-bit Windows with Debian's MinGW-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TORVA_MINGW_PREFIX i686-w64-mingw32)
# Doubles in SSE2 registers, as in the 64-bit build. On the x87 unit, which
# MinGW's start-up leaves at 64-bit precision, a product, quotient or square
# root is rounded to 64 bits and again to 53 when stored, and some results
# came out one unit in the last place apart from the 64-bit build's. The
# 32-bit build therefore needs a processor with SSE2.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
