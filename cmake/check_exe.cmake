# Run after linking Kalvero.exe: fails the build loudly when the exe grows past
# its limit, or when the standard library's throwing helpers were linked after
# all (the --wrap of their calls no longer matches the library's names).
#   cmake -DEXE=... -DMAP=... -DLIMIT=bytes -P check_exe.cmake
file(SIZE "${EXE}" size)
if(size GREATER LIMIT)
  message(FATAL_ERROR "${EXE} is ${size} bytes, over its limit of ${LIMIT}")
endif()
file(STRINGS "${MAP}" thrown REGEX "functexcept")
if(thrown)
  message(FATAL_ERROR "the library's functexcept.o was linked into ${EXE}: "
                      "check the -Wl,--wrap names in CMakeLists.txt against the library")
endif()
