# The -win32 variant of mingw-w64's compilers: its libstdc++ and libgcc use Win32
# critical sections, where the -posix variant would link winpthreads (some 30 KB) into
# keeper.exe. GoogleTest needs no std::thread or std::mutex on Windows: it has its own
# Win32 primitives.
set(CMAKE_C_COMPILER ${KEEPER_MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${KEEPER_MINGW_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER ${KEEPER_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KEEPER_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# CTest runs the Windows test programs under Wine, through a wrapper that picks the
# loader for the bitness and gives the run its own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
