# Cross build for Windows with MinGW-w64 (posix thread variant, so that
# std::mutex exists for GoogleTest); included by the toolchain file of each
# target, which names the triplet. Programs are run under Wine.
set(CMAKE_SYSTEM_NAME Windows)

find_program(PELMARIND_CC ${PELMARIND_MINGW_TRIPLET}-gcc-posix REQUIRED)
find_program(PELMARIND_CXX ${PELMARIND_MINGW_TRIPLET}-g++-posix REQUIRED)
find_program(PELMARIND_RC ${PELMARIND_MINGW_TRIPLET}-windres REQUIRED)
set(CMAKE_C_COMPILER ${PELMARIND_CC})
set(CMAKE_CXX_COMPILER ${PELMARIND_CXX})
set(CMAKE_RC_COMPILER ${PELMARIND_RC})

set(CMAKE_FIND_ROOT_PATH /usr/${PELMARIND_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
