# Cross-builds for 64-bit Windows with Debian's mingw-w64 (the posix thread
# model, for std::thread and std::mutex) and runs the results under wine.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64-posix.cmake -DHVT_CORE_ONLY=ON
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(HVT_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HVT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HVT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${HVT_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${HVT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime (libstdc++, libgcc, winpthread) goes into each program, so
# that nothing has to be shipped or found beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Debian 12 installs wine64 outside PATH. gtest_discover_tests and ctest run
# the test programs through it.
find_program(HVT_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(HVT_WINE64 NAMES wine64 wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${HVT_WINE64})
