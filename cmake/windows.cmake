# The Windows program: the real Windows Sockets 1.1 (wsock32), the string
# table and version block compiled from resources/, and one self-contained
# .exe that needs no DLL beyond those every Windows has.
enable_language(RC)

target_sources(pipemeter_core PRIVATE src/platform/win/console_win.cpp src/platform/win/sockets_win.cpp)
target_link_libraries(pipemeter_core PUBLIC wsock32)

# The resources go into the program itself: LoadStringA reads the table from
# the module that runs.
target_sources(pipemeter PRIVATE resources/pipemeter.rc)
# windres hands the file to the C preprocessor: the same includes as the code.
set_property(SOURCE resources/pipemeter.rc APPEND PROPERTY OBJECT_DEPENDS
  ${CMAKE_SOURCE_DIR}/resources/error_texts.def ${CMAKE_BINARY_DIR}/generated/version.h)
# The C and C++ runtimes and winpthreads are linked in, not loaded as DLLs.
target_link_options(pipemeter PRIVATE -static -static-libgcc -static-libstdc++)

if(PIPEMETER_TESTS)
  enable_testing()
  add_subdirectory(tests/wine)
endif()
