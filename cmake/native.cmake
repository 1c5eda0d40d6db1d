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

# The Windows program, cross-compiled in trees of their own: build/windows is the 32-bit
# program that users run and download (the maker's library is 32-bit), whose GUI tests ctest
# runs; build/windows64 is the same program for x86-64, built only. On a machine that cannot
# start 32-bit programs (a kernel built without 32-bit support makes Wine's 32-bit loader fail
# with "Exec format error") the tests run on the x86-64 tree instead: the same program, the same
# tests, and the 32-bit one is read (below). build/test-tree names the tree the tests run on.
option(VELMARO_WINDOWS "Cross-compile the Windows program with mingw-w64" ON)
find_program(MINGW32_CXX i686-w64-mingw32-g++-posix)
find_program(MINGW64_CXX x86_64-w64-mingw32-g++-posix)
if(VELMARO_WINDOWS AND MINGW32_CXX AND MINGW64_CXX)
  include(ExternalProject)
  execute_process(COMMAND /usr/lib/wine/wine --version RESULT_VARIABLE wine32_status
    OUTPUT_QUIET ERROR_QUIET)
  if(wine32_status EQUAL 0)
    set(VELMARO_TEST_TREE windows)
  else()
    set(VELMARO_TEST_TREE windows64)
    message(STATUS "This machine does not start 32-bit programs: the Windows and GUI tests "
      "run on the x86-64 program (build/windows64)")
  endif()
  file(WRITE ${CMAKE_BINARY_DIR}/test-tree "${VELMARO_TEST_TREE}\n")
  set(VELMARO_WINDOWS_DIR ${CMAKE_BINARY_DIR}/${VELMARO_TEST_TREE})
  foreach(tree windows:i686 windows64:x86_64)
    string(REPLACE ":" ";" tree ${tree})
    list(GET tree 0 name)
    list(GET tree 1 arch)
    set(with_tests OFF)
    if(name STREQUAL VELMARO_TEST_TREE)
      set(with_tests ON)
    endif()
    # A tree configured for the other architecture (build/windows was the x86-64 tree once)
    # keeps its compiler whatever toolchain it is given: start it afresh.
    set(cache ${CMAKE_BINARY_DIR}/${name}/CMakeCache.txt)
    if(EXISTS ${cache})
      file(STRINGS ${cache} compiler REGEX "^CMAKE_CXX_COMPILER_AR:")
      if(compiler AND NOT compiler MATCHES "${arch}-w64-mingw32")
        message(STATUS "${name}: configured for another architecture, made again")
        file(REMOVE_RECURSE ${CMAKE_BINARY_DIR}/${name} ${CMAKE_BINARY_DIR}/${name}-prefix)
      endif()
    endif()
    ExternalProject_Add(${name}
      SOURCE_DIR ${CMAKE_SOURCE_DIR}
      BINARY_DIR ${CMAKE_BINARY_DIR}/${name}
      CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-${arch}.cmake
                 -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
                 -DVELMARO_WINDOWS_TESTS=${with_tests}
                 -DVELMARO_NATIVE_BINARY_DIR=${CMAKE_BINARY_DIR}
      BUILD_ALWAYS 1
      INSTALL_COMMAND ""
      USES_TERMINAL_BUILD 1)
  endforeach()
  # One tree builds at a time: the machine has two cores, and each tree builds with both.
  ExternalProject_Add_StepDependencies(windows64 configure windows)
  # The 32-bit programs that users run, read (where the tests run on the x86-64 ones, the only
  # check they get): machine, the library's functions by their plain names, no DLL but the
  # library and Windows' own, velmaroctl.exe without the library at load time; both stand-ins.
  find_program(MINGW32_OBJDUMP i686-w64-mingw32-objdump REQUIRED)
  set(bin32 ${CMAKE_BINARY_DIR}/windows/bin)
  add_test(NAME win32.library_names
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${MINGW32_OBJDUMP} -DMACHINE=pei-i386 -DPROGRAMS=${bin32}/velmaro.exe
      -DLOADING_PROGRAMS=${bin32}/velmaroctl.exe "-DSTAND_INS=${bin32}/VELMAROSN.dll;${bin32}/cdecl/VELMAROSN.dll"
      -P ${CMAKE_SOURCE_DIR}/tests/gui/library_names.cmake)
  # ctest in this tree runs the tests of the Windows tree as well.
  file(WRITE ${CMAKE_BINARY_DIR}/windows_tests.cmake "subdirs(\"${VELMARO_WINDOWS_DIR}\")\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/windows_tests.cmake)
  include(${CMAKE_SOURCE_DIR}/tests/package/package_tests.cmake)
elseif(VELMARO_WINDOWS)
  message(WARNING "mingw-w64 (i686 and x86_64, posix) not found: the Windows program is not built")
endif()
