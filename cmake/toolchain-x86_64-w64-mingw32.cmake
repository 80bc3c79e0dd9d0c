# Cross-compiling for Windows with MinGW-w64 (x86_64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZIRBEL_TRIPLET x86_64-w64-mingw32)
# The posix threading flavour: it has std::thread, std::mutex and
# std::condition_variable, which the photo worker uses (winpthreads is linked
# statically like the rest of the runtime).
set(CMAKE_C_COMPILER ${ZIRBEL_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZIRBEL_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZIRBEL_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZIRBEL_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# No MinGW runtime DLLs next to the saver: link everything statically.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Release builds carry no symbols.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
