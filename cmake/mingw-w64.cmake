# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the POSIX-threads variant, which Qt's kit uses).
# Configure with -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_PREFIX_PATH=<Qt 5 MinGW kit>.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VQ_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VQ_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VQ_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${VQ_MINGW}-windres)

# Headers, libraries and CMake packages come from the kit and the mingw-w64 tree; programs run on this machine.
set(CMAKE_FIND_ROOT_PATH /usr/${VQ_MINGW} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
