# Cross build for 64-bit Windows with Debian's mingw-w64 (the POSIX-threads
# compiler, so std::thread and std::mutex work). Use with
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DKESTOV_BUILD_UI=OFF
# Tests run under Wine through the cross-compiling emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KESTOV_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KESTOV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTOV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTOV_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KESTOV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime, libgcc and winpthreads linked in: the programs need no DLL
# beyond the system's own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(KESTOV_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KESTOV_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KESTOV_WINE})
endif()
