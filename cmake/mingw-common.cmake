# MinGW-w64 for Windows: cross compilers on Linux, MSYS2's own on Windows.
# The including file sets KALVERO_MINGW_ARCH (x86_64 or i686) first.
set(CMAKE_SYSTEM_NAME Windows)
if(CMAKE_HOST_WIN32)
  # Run from the MSYS2 shell whose gcc targets that architecture (MINGW64 or MINGW32).
  set(CMAKE_C_COMPILER gcc)
  set(CMAKE_CXX_COMPILER g++)
  set(CMAKE_RC_COMPILER windres)
else()
  set(CMAKE_C_COMPILER ${KALVERO_MINGW_ARCH}-w64-mingw32-gcc-posix)
  set(CMAKE_CXX_COMPILER ${KALVERO_MINGW_ARCH}-w64-mingw32-g++-posix)
  set(CMAKE_RC_COMPILER ${KALVERO_MINGW_ARCH}-w64-mingw32-windres)
  set(CMAKE_FIND_ROOT_PATH /usr/${KALVERO_MINGW_ARCH}-w64-mingw32)
  set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
endif()
