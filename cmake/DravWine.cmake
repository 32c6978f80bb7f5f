# Tests of the Windows build run under Wine, in a 32-bit prefix of the build
# tree. scripts/wine-session.sh creates the prefix and keeps one wineserver
# running for the whole test run (without it every run waits for the server).
set(DRAV_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "32-bit Wine prefix for tests")
set(CMAKE_CROSSCOMPILING_EMULATOR
    env;WINEPREFIX=${DRAV_WINEPREFIX};WINEARCH=win32;WINEDEBUG=-all;wine
    CACHE STRING "Runs Windows test executables" FORCE)
set(DRAV_WINE_SYSTEM32 "${DRAV_WINEPREFIX}/drive_c/windows/system32")
