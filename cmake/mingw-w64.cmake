# Cross build for 64-bit Windows with mingw-w64 (the POSIX thread model, for
# std::thread), statically linked so the programs need no runtime DLLs.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KFW_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KFW_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KFW_MINGW}-g++-posix)
set(CMAKE_ASM_COMPILER ${KFW_MINGW}-gcc-posix)
set(CMAKE_RC_COMPILER ${KFW_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KFW_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run through wine on the build machine.
find_program(KFW_WINE NAMES wine wine64 PATHS /usr/lib/wine)
if(KFW_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KFW_WINE})
endif()
