set(KALVERO_MINGW_ARCH x86_64)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
if(NOT CMAKE_HOST_WIN32)
  # Tests of the real exe run under Wine; the wrapper sets up the throwaway prefix.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/wine-run.sh)
endif()
