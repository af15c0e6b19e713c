# Cross-builds the project for Windows x64 with Debian's MinGW-w64 compiler
# (package g++-mingw-w64-x86-64-posix) and runs the test programs under wine:
#
#   cmake -S . -B build-windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64-x86_64.cmake
#
# The static runtime is chosen by the project itself (if(MINGW) in the top
# CMakeLists.txt), so that a native MinGW build on Windows gets it too.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(BRONDEL_MINGW_TRIPLET x86_64-w64-mingw32)
# The posix thread model is the one Debian's package installs; take the plain
# name only where an alternative points it elsewhere.
find_program(CMAKE_C_COMPILER NAMES ${BRONDEL_MINGW_TRIPLET}-gcc-posix ${BRONDEL_MINGW_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${BRONDEL_MINGW_TRIPLET}-g++-posix ${BRONDEL_MINGW_TRIPLET}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${BRONDEL_MINGW_TRIPLET}-windres)

# Libraries and headers come from the MinGW tree only; programs (nm, python,
# the host tools) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${BRONDEL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# ctest runs the test programs through wine. Set WINEPREFIX (a prefix outside
# the source tree) and WINEDEBUG=-all in the environment of ctest.
find_program(BRONDEL_WINE NAMES wine wine64)
if(BRONDEL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${BRONDEL_WINE}")
endif()
