# Included after hidapi's project(): Windows programs load "hidapi.dll", not "libhidapi.dll".
set(CMAKE_SHARED_LIBRARY_PREFIX "")
set(CMAKE_IMPORT_LIBRARY_PREFIX "lib")
