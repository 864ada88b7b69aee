set(KALVERO_MINGW_ARCH i686)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
if(NOT CMAKE_HOST_WIN32)
  # Under the 32-bit-capable Wine of scripts/wine32.sh, in a 64-bit prefix: 64-bit Windows, as most
  # users of the x86 exe have it.
  set(CMAKE_CROSSCOMPILING_EMULATOR env KALVERO_WINE32=win64 ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/wine-run.sh)
endif()
