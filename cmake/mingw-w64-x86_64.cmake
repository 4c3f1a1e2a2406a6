# Cross-building the Windows program with Debian's mingw-w64 (win32 threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Every .exe carries its own C and C++ runtimes, so a user copies one file and
# Wine needs no mingw DLLs on its PATH.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Tests run the .exe files under Wine (the build itself does, to list the test
# cases). Debian's wine64 package installs its loader in /usr/lib/wine, off
# PATH; a wine on PATH comes first.
find_program(BOTTLEWATCH_WINE NAMES wine64 wine NAMES_PER_DIR PATHS /usr/lib/wine
             DOC "The Wine loader that runs the Windows test programs")
if(NOT BOTTLEWATCH_WINE)
  message(FATAL_ERROR "No wine64 or wine on PATH or in /usr/lib/wine: install Debian's "
                      "wine64 package (scripts/build-windows does).")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${BOTTLEWATCH_WINE})
