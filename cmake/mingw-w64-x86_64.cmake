# Cross-compiles for Windows x64 with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix).
#   cmake -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DTARVELIN_QT_PREFIX="$(scripts/windows/build-qt.sh)"
# TARVELIN_QT_PREFIX (cache or environment variable) is optional: the Qt and GoogleTest built for
# MinGW by scripts/windows/build-qt.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The -posix variants: the win32 thread model has no std::thread / std::mutex.
set(_tarvelin_triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_tarvelin_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_tarvelin_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${_tarvelin_triplet}-windres)
# The gcc-ar/ranlib wrappers understand LTO objects; plain ar does not.
find_program(CMAKE_AR ${_tarvelin_triplet}-gcc-ar-posix REQUIRED)
find_program(CMAKE_RANLIB ${_tarvelin_triplet}-gcc-ranlib-posix REQUIRED)

# try_compile projects re-read this file without the caller's -D options: pass the prefix along.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TARVELIN_QT_PREFIX)
if(NOT TARVELIN_QT_PREFIX AND DEFINED ENV{TARVELIN_QT_PREFIX})
  set(TARVELIN_QT_PREFIX "$ENV{TARVELIN_QT_PREFIX}")
endif()

# Look for Windows headers and libraries only in the MinGW sysroot (and the Qt prefix),
# but run build tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${_tarvelin_triplet})
if(TARVELIN_QT_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH "${TARVELIN_QT_PREFIX}")
  list(APPEND CMAKE_PREFIX_PATH "${TARVELIN_QT_PREFIX}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must never hand out the Linux host's libraries.
set(ENV{PKG_CONFIG_LIBDIR} "")
set(ENV{PKG_CONFIG_PATH} "")

# Lets ctest, gtest_discover_tests and add_custom_command run the .exe files under Wine (Debian
# keeps wine64 in /usr/lib/wine, off PATH). A generated wrapper sets WINEPATH so that they find the
# MinGW runtime and Qt DLLs without copies beside each .exe: WINEPATH's ";" separators do not
# survive CMake's list handling inside the emulator command itself.
find_program(TARVELIN_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TARVELIN_WINE64)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
    OUTPUT_VARIABLE _tarvelin_libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(_tarvelin_gcc_dir "${_tarvelin_libstdcxx}" DIRECTORY)
  set(_tarvelin_winepath "Z:${_tarvelin_gcc_dir};Z:/usr/${_tarvelin_triplet}/lib")
  if(TARVELIN_QT_PREFIX)
    string(APPEND _tarvelin_winepath ";Z:${TARVELIN_QT_PREFIX}/bin")
  endif()
  set(_tarvelin_wine_wrapper "${CMAKE_BINARY_DIR}/tarvelin-wine64.sh")
  file(CONFIGURE OUTPUT "${_tarvelin_wine_wrapper}" @ONLY CONTENT [[#!/bin/sh
# Written by cmake/mingw-w64-x86_64.cmake. fixme-all: as Debian's own wine wrapper does.
export WINEPATH="@_tarvelin_winepath@${WINEPATH:+;$WINEPATH}"
export WINEDEBUG="${WINEDEBUG:-fixme-all}"
exec "@TARVELIN_WINE64@" "$@"
]])
  file(CHMOD "${_tarvelin_wine_wrapper}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${_tarvelin_wine_wrapper}")
endif()
