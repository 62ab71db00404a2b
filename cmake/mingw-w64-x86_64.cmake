# Cross build for 64-bit Windows with Debian's MinGW-w64 compilers (the posix
# flavour, whose std::thread the engine's read-ahead needs). The executables
# link the C and C++ run times statically, so they need no DLL beside them, and
# run here under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# A Qt built for Windows (the folder holding its lib/ and include/), for the
# Qt layers; its build tools (moc, rcc, uic) are the build machine's own.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PARVEX_QT_WINDOWS)
if(PARVEX_QT_WINDOWS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${PARVEX_QT_WINDOWS})
  list(APPEND CMAKE_PREFIX_PATH ${PARVEX_QT_WINDOWS})
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
endif()

# Debian installs the 64-bit Wine loader outside the PATH. PARVEX_WINE_LAUNCHER
# is put before it, to run Wine as another user, say.
find_program(PARVEX_WINE64 NAMES wine64 wine PATHS /usr/lib/wine)
if(PARVEX_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PARVEX_WINE_LAUNCHER} ${PARVEX_WINE64})
endif()
