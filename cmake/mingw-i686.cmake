# The shipped program: 32-bit x86 Windows (PE32), run under Wine's 32-bit loader.
set(PELMARIND_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
