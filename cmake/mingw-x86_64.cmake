# The same sources for x86-64 Windows (PE32+), run under wine64: the test build
# for machines that run no 32-bit x86 code.
set(PELMARIND_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
