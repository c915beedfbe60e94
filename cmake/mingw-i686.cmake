# Cross build for 32-bit Windows with MinGW-w64 (posix thread variant, so that
# std::mutex exists for GoogleTest). Programs are run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

find_program(PELMARIND_CC i686-w64-mingw32-gcc-posix REQUIRED)
find_program(PELMARIND_CXX i686-w64-mingw32-g++-posix REQUIRED)
find_program(PELMARIND_RC i686-w64-mingw32-windres REQUIRED)
set(CMAKE_C_COMPILER ${PELMARIND_CC})
set(CMAKE_CXX_COMPILER ${PELMARIND_CXX})
set(CMAKE_RC_COMPILER ${PELMARIND_RC})

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
