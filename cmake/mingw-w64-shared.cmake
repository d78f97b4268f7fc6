# The whole program for Windows: the MinGW-w64 compilers with the runtime as DLLs, as the Qt
# for Windows it links against uses them (one C++ runtime for the programs and Qt).
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
set(CMAKE_EXE_LINKER_FLAGS_INIT "")
