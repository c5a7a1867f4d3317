set(CMAKE_C_COMPILER ${TORVA_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${TORVA_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${TORVA_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TORVA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Link the C++ and GCC runtimes (and winpthread, if the posix thread model
# pulls it in) statically, so the programs import only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
