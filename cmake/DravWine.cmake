# Tests of the Windows build run under Wine, in a prefix of the build tree
# whose architecture follows the toolchain: win32 for i686, win64 for x86-64.
# scripts/wine-session.sh creates the prefix and keeps one wineserver running
# for the whole test run (without it every run waits for the server).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(DRAV_WINEARCH win64)
  # Debian's `wine` starts the 32-bit loader, and a 32-bit process in a 64-bit
  # prefix sees the 32-bit registry view and syswow64: tools such as reg.exe
  # must run as 64-bit programs to reach the view 64-bit hosts read.
  find_program(DRAV_WINE_LOADER NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
  find_program(DRAV_WINE_LOADER NAMES wine64 REQUIRED)
else()
  set(DRAV_WINEARCH win32)
  find_program(DRAV_WINE_LOADER NAMES wine REQUIRED)
endif()
set(DRAV_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "${DRAV_WINEARCH} Wine prefix for tests")
set(CMAKE_CROSSCOMPILING_EMULATOR
    env;WINEPREFIX=${DRAV_WINEPREFIX};WINEARCH=${DRAV_WINEARCH};WINEDEBUG=-all;${DRAV_WINE_LOADER}
    CACHE STRING "Runs Windows test executables" FORCE)
set(DRAV_WINE_SYSTEM32 "${DRAV_WINEPREFIX}/drive_c/windows/system32")
