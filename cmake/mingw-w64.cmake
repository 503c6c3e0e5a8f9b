# Cross-compiling for Windows x86-64 with Debian's MinGW-w64 (posix thread model, which
# std::thread and std::mutex need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TIKU_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TIKU_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TIKU_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TIKU_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${TIKU_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${TIKU_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")
# Libraries and headers only from the MinGW sysroot and the cross-built prefix (CMAKE_PREFIX_PATH
# or CMAKE_FIND_ROOT_PATH given by the caller); programs from the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TIKU_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
