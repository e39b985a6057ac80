# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOVRIN_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${TOVRIN_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOVRIN_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${TOVRIN_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOVRIN_TRIPLET})
if(DEFINED ENV{TOVRIN_DEPS_PREFIX})
  list(APPEND CMAKE_FIND_ROOT_PATH $ENV{TOVRIN_DEPS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test executables and tools run under Wine through our wrapper.
get_filename_component(_tovrin_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_tovrin_root}/scripts/wine")
