# Cross toolchain: 32-bit Windows with mingw-w64 (posix threads): the product's build.
set(VELL_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
