# The MinGW-w64 cross build for the processor that the toolchain file including this one sets in
# CMAKE_SYSTEM_PROCESSOR (i686 or x86_64), with the posix-thread compilers.
set(CMAKE_SYSTEM_NAME Windows)
set(_kv_triplet ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)

set(CMAKE_C_COMPILER   ${_kv_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_kv_triplet}-g++-posix)
set(CMAKE_RC_COMPILER  ${_kv_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_kv_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Without -static the programs import libwinpthread-1.dll and do not start on a bare Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
