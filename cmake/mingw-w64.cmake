# Cross build for 64-bit Windows with mingw-w64 (posix threads), from Linux:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# Libraries and headers come only from the MinGW sysroot. The header-only packages
# the host application uses (nlohmann-json, CLI11) are the build machine's copies,
# offered through small config packages beside this file, so nothing else of
# /usr/include can leak into a Windows compile.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZEF_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZEF_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEF_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEF_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZEF_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR}/mingw-w64/nlohmann_json CACHE PATH
    "nlohmann-json for the Windows build (header-only, from the build machine)")
set(CLI11_DIR ${CMAKE_CURRENT_LIST_DIR}/mingw-w64/CLI11 CACHE PATH
    "CLI11 for the Windows build (header-only, from the build machine)")

# Windows binaries run here under Wine, e.g. by try_run and by the Wine tests.
find_program(ZEF_WINE_PROGRAM NAMES wine wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ZEF_WINE_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZEF_WINE_PROGRAM})
endif()
