# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (POSIX-thread variant, so that
# std::thread and std::call_once work). The static dependencies live in a prefix given as
# TOLLIVANCE_WINDOWS_DEPS (cache variable or environment).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOLLIVANCE_MINGW_HOST x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOLLIVANCE_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOLLIVANCE_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${TOLLIVANCE_MINGW_HOST}-windres)
set(CMAKE_AR ${TOLLIVANCE_MINGW_HOST}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${TOLLIVANCE_MINGW_HOST}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT TOLLIVANCE_WINDOWS_DEPS AND DEFINED ENV{TOLLIVANCE_WINDOWS_DEPS})
    set(TOLLIVANCE_WINDOWS_DEPS "$ENV{TOLLIVANCE_WINDOWS_DEPS}")
endif()
# try_compile projects read this file again: hand them the prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TOLLIVANCE_WINDOWS_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/${TOLLIVANCE_MINGW_HOST} ${TOLLIVANCE_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config must never report the build machine's libraries.
set(ENV{PKG_CONFIG_LIBDIR} "${TOLLIVANCE_WINDOWS_DEPS}/lib/pkgconfig:/usr/${TOLLIVANCE_MINGW_HOST}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
