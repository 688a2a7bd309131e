# Cross toolchain for the 32-bit Windows module and its tests (Debian's mingw-w64).
# The -posix variants are used because GoogleTest needs std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(QV_TRIPLE i686-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${QV_TRIPLE}-gcc-posix ${QV_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${QV_TRIPLE}-g++-posix ${QV_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${QV_TRIPLE}-windres REQUIRED)
find_program(CMAKE_ASM_COMPILER NAMES ${QV_TRIPLE}-gcc-posix ${QV_TRIPLE}-gcc REQUIRED)
find_program(QV_OBJDUMP NAMES ${QV_TRIPLE}-objdump REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${QV_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
