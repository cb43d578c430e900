# Cross-building the game for 64-bit Windows on Debian, with Debian's MinGW-w64 compiler
# (g++-mingw-w64-x86-64-posix) and a Qt built for Windows, installed in the prefix given as the
# cache variable GIRO_QT_WINDOWS (or the environment variable of that name). The `windows`
# preset uses this file; scripts/build-qt-windows.sh builds such a Qt from Debian's source.
# Qt's own toolchain file in that prefix is included last: it finds Qt there, and moc, rcc and
# uic in the host's Qt (qt6-base-dev-tools), which must be the same version.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# Appended, as CMake reads this file more than once and Qt's file puts its prefix first.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Qt's toolchain file includes this one again (as the toolchain it chains to); the guard stops
# there, and try_compile projects, which read the toolchain afresh, see the prefix too.
if(NOT giro_qt_toolchain_included)
    set(giro_qt_toolchain_included ON)
    if(NOT GIRO_QT_WINDOWS AND DEFINED ENV{GIRO_QT_WINDOWS})
        set(GIRO_QT_WINDOWS "$ENV{GIRO_QT_WINDOWS}")
    endif()
    set(GIRO_QT_WINDOWS "${GIRO_QT_WINDOWS}" CACHE PATH "Prefix of the Qt 6 built for Windows")
    list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES GIRO_QT_WINDOWS)
    if(NOT EXISTS "${GIRO_QT_WINDOWS}/lib/cmake/Qt6/qt.toolchain.cmake")
        message(FATAL_ERROR "GIRO_QT_WINDOWS (\"${GIRO_QT_WINDOWS}\") is not a Qt for Windows prefix: "
                            "build one with scripts/build-qt-windows.sh PREFIX and pass -DGIRO_QT_WINDOWS=PREFIX")
    endif()
    set(QT_HOST_PATH /usr CACHE PATH "Where the host's Qt tools live")
    set(QT_CHAINLOAD_TOOLCHAIN_FILE "${CMAKE_CURRENT_LIST_FILE}")
    include("${GIRO_QT_WINDOWS}/lib/cmake/Qt6/qt.toolchain.cmake")
endif()
