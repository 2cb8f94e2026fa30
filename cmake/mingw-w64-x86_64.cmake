# Cross-building for 64-bit Windows with Debian's MinGW-w64 (posix thread model, for
# std::thread); test programs run under Wine. Use with -DCMAKE_TOOLCHAIN_FILE=.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Header-only packages (nlohmann-json) are found among the host's.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# The programs and libraries carry MinGW's runtime inside, so they run without
# copying its DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Wine runs what is built (the tests): its own prefix in the build folder, no display, no
# debug channels.
set(VEXO_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(VEXO_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
  find_program(VEXO_WINE NAMES wine64 wine)
  if(VEXO_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        ${CMAKE_COMMAND} -E env WINEPREFIX=${VEXO_WINEPREFIX} WINEDEBUG=-all DISPLAY=
        ${VEXO_WINE})
  endif()
endif()
