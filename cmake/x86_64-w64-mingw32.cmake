# Cross build for 64-bit Windows with the posix-thread MinGW-w64 compilers: the same sources as the
# 32-bit deliverables, for machines whose kernel runs no 32-bit code (tests, demo, benchmarks).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER   x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Without -static the programs import libwinpthread-1.dll and do not start on a bare Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
