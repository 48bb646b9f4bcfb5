# Cross build for 64-bit Windows with Debian's mingw-w64 (`make test-wine` uses it):
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KELVARO_MINGW_TRIPLET x86_64-w64-mingw32)

# The posix thread model: GCC 12's std::thread and std::mutex need it on Windows.
set(CMAKE_C_COMPILER ${KELVARO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELVARO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KELVARO_MINGW_TRIPLET}-windres)

# Libraries and headers of the target only. Packages may also come from a prefix given
# with -DCMAKE_PREFIX_PATH (a Qt for Windows), never from the build machine's own /usr.
set(CMAKE_FIND_ROOT_PATH /usr/${KELVARO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
set(CMAKE_IGNORE_PREFIX_PATH /usr /usr/local)

# The compiler's runtime (libstdc++, libgcc, winpthread) goes into each program, so a
# program needs nothing beyond Windows' own libraries.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
