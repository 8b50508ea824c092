# Cross build for 64-bit Windows: the same sources, for the tests, the demo and the benchmarks on
# machines whose kernel runs no 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
