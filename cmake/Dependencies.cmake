# Dependencies come from Debian: zlib as the mingw package, hidapi, minizip and
# GoogleTest cross-built by scripts/deps into the cache prefix.
set(TOVRIN_DEPS_PREFIX "$ENV{TOVRIN_DEPS_PREFIX}" CACHE PATH "Prefix of the cross-built dependencies")
if(NOT EXISTS "${TOVRIN_DEPS_PREFIX}/include/hidapi/hidapi.h")
  message(FATAL_ERROR "Cross-built dependencies not found in '${TOVRIN_DEPS_PREFIX}': run scripts/setup")
endif()

# Static zlib: the install image ships no zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)

add_library(hidapi SHARED IMPORTED GLOBAL)
set_target_properties(hidapi PROPERTIES
  IMPORTED_IMPLIB "${TOVRIN_DEPS_PREFIX}/lib/libhidapi.dll.a"
  IMPORTED_LOCATION "${TOVRIN_DEPS_PREFIX}/bin/hidapi.dll"
  INTERFACE_INCLUDE_DIRECTORIES "${TOVRIN_DEPS_PREFIX}/include")

add_library(minizip STATIC IMPORTED GLOBAL)
set_target_properties(minizip PROPERTIES
  IMPORTED_LOCATION "${TOVRIN_DEPS_PREFIX}/lib/libminizip.a"
  INTERFACE_INCLUDE_DIRECTORIES "${TOVRIN_DEPS_PREFIX}/include"
  INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
set(TOVRIN_MINIUNZIP "${TOVRIN_DEPS_PREFIX}/bin/miniunzip.exe")

find_package(GTest CONFIG REQUIRED PATHS "${TOVRIN_DEPS_PREFIX}" NO_DEFAULT_PATH)
