# Native build: unit tests of the core and the command-line tool, the fuzzer,
# the benchmarks, and the Windows build as a sub-project whose tests ctest runs too.

file(GLOB VELMARO_NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(velmaro_tests ${VELMARO_NATIVE_TESTS})
target_include_directories(velmaro_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/native)
# The manual test compares docs/manual.md with the program's sources.
target_compile_definitions(velmaro_tests PRIVATE VELMARO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
find_package(EXPAT REQUIRED)  # the wiring sheet's tests read it with an XML parser
target_link_libraries(velmaro_tests PRIVATE velmaroctl_lib velmaro_core VELMAROSN GTest::gtest_main EXPAT::EXPAT)
gtest_discover_tests(velmaro_tests DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT 60)

file(GLOB VELMARO_BENCHES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_bench.cpp)
foreach(src ${VELMARO_BENCHES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE velmaro_core VELMAROSN)
endforeach()

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz.cmake)
  include(${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz.cmake)
endif()

# The user manual, build/docs/manual.html.
include(${CMAKE_SOURCE_DIR}/docs/manual.cmake)

# The Windows program, cross-compiled in a tree of its own.
option(VELMARO_WINDOWS "Cross-compile the Windows program with mingw-w64" ON)
find_program(MINGW_CXX x86_64-w64-mingw32-g++-posix)
if(VELMARO_WINDOWS AND MINGW_CXX)
  include(ExternalProject)
  set(VELMARO_WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)
  ExternalProject_Add(windows
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${VELMARO_WINDOWS_DIR}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
               -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    BUILD_ALWAYS 1
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD 1)
  # ctest in this tree runs the Windows tree's tests as well.
  file(WRITE ${CMAKE_BINARY_DIR}/windows_tests.cmake "subdirs(\"${VELMARO_WINDOWS_DIR}\")\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/windows_tests.cmake)
endif()
