# Cross toolchain: 64-bit Windows programs built on Debian with mingw-w64 (posix threads, so
# std::mutex and std::thread work), linked statically so the .exe needs no DLLs, and run under
# Wine by CTest through our harness script.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Every Windows test runs under Wine inside the per-run prefix that the harness fixture made.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../tools/wine-harness.sh;exec")

# Release builds are what users get (make dist): no symbols, and no link time in the header, so
# the same sources give the same bytes.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s -Wl,--no-insert-timestamp")
