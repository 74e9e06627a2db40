# Cross build for 64-bit Windows with Debian's MinGW-w64 (GCC, POSIX threads).
# Qt's host tools (moc, rcc, uic) come from the host's Qt of the same version
# (-DQT_HOST_PATH=/usr); the cross-built test programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 10)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER /usr/bin/${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER /usr/bin/${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER /usr/bin/${mingw_triple}-windres)
set(CMAKE_AR /usr/bin/${mingw_triple}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB /usr/bin/${mingw_triple}-ranlib CACHE FILEPATH "")
set(CMAKE_OBJCOPY /usr/bin/${mingw_triple}-objcopy CACHE FILEPATH "")
set(CMAKE_STRIP /usr/bin/${mingw_triple}-strip CACHE FILEPATH "")

# Libraries and headers from the MinGW root and from the kit's folders, which
# the build names as roots too (-DCMAKE_FIND_ROOT_PATH=...): a library of the
# kit is then found where it is rather than looked for under the MinGW root.
# Programs and Qt's host-tool packages come from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# pkg-config must not hand the host's Linux libraries to the Windows build.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${mingw_triple}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/wine)
