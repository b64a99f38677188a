# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 compilers (the
# posix-threads ones: Qt and std::thread need them) against the libraries
# that scripts/windows-sdk.sh builds. Q7_WINSDK names that folder, on the
# command line or in the environment. Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(Q7_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${Q7_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${Q7_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${Q7_MINGW}-windres)

if(NOT Q7_WINSDK)
  set(Q7_WINSDK $ENV{Q7_WINSDK})
endif()
if(NOT IS_DIRECTORY "${Q7_WINSDK}")
  message(FATAL_ERROR "Q7_WINSDK must name the folder of scripts/windows-sdk.sh (scripts/windows-sdk.sh --where)")
endif()
# Kept for the try_compile projects that CMake configures with this file.
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES Q7_WINSDK)

set(CMAKE_FIND_ROOT_PATH /usr/${Q7_MINGW} ${Q7_WINSDK})
set(CMAKE_PREFIX_PATH ${Q7_WINSDK})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config sees the SDK's .pc files only.
set(ENV{PKG_CONFIG_LIBDIR} ${Q7_WINSDK}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# The SDK's gflags is the static library with threads, which its package
# file cannot tell by itself (it would look for the one without).
set(gflags_NOTHREADS FALSE)
