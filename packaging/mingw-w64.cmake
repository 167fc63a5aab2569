# Cross build of dict2step.exe for 64-bit Windows with Debian's mingw-w64
# compiler (g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=packaging/mingw-w64.cmake
# flex and byacc run on the build machine. The program is linked statically,
# C++ and GCC run-time included, so it needs no DLL that Windows lacks.
# Where wine is installed, the tests run the program under it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Libraries and headers from the Windows tree only; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(DICT2STEP_WINE wine)
if(DICT2STEP_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DICT2STEP_WINE})
endif()
