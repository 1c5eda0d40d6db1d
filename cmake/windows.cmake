# Windows build: the GUI program with its resources and pictures, the device library
# stand-in beside it, and the GUI tests that ctest runs under Wine.

add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

file(GLOB VELMARO_APP_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/app/*.cpp ${CMAKE_SOURCE_DIR}/config/*_win.cpp
  ${CMAKE_SOURCE_DIR}/keys/*_win.cpp ${CMAKE_SOURCE_DIR}/device/*_win.cpp)
list(FILTER VELMARO_APP_SOURCES EXCLUDE REGEX "/winmain\\.cpp$")
# velmaroctl.exe's loader of the device library; the utility links the library at load time.
list(FILTER VELMARO_APP_SOURCES EXCLUDE REGEX "/hid_loader_win\\.cpp$")
add_library(velmaro_app STATIC ${VELMARO_APP_SOURCES})
target_include_directories(velmaro_app PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(velmaro_app PUBLIC velmaro_core hid_library comctl32 comdlg32 gdi32 shell32 user32)

# Resources go into each executable itself (a static library would drop them).
set(VELMARO_RESOURCES ${CMAKE_SOURCE_DIR}/resources/velmaro.rc)
set_property(SOURCE ${VELMARO_RESOURCES} APPEND PROPERTY OBJECT_DEPENDS
  ${CMAKE_SOURCE_DIR}/resources/resource.h)
file(GLOB VELMARO_RESOURCE_DEPS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*)
set_property(SOURCE ${VELMARO_RESOURCES} APPEND PROPERTY OBJECT_DEPENDS ${VELMARO_RESOURCE_DEPS})

add_executable(velmaro WIN32 ${CMAKE_SOURCE_DIR}/app/winmain.cpp ${VELMARO_RESOURCES})
target_include_directories(velmaro PRIVATE ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(velmaro PRIVATE velmaro_app)
target_link_options(velmaro PRIVATE -static)

if(EXISTS ${CMAKE_SOURCE_DIR}/tools/art/art.cmake)
  include(${CMAKE_SOURCE_DIR}/tools/art/art.cmake)
endif()

# Users download the 32-bit program only: the x86-64 tree makes no packages.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  include(${CMAKE_SOURCE_DIR}/cmake/package.cmake)
endif()

# The tests, the benchmarks and the Wine helpers below are built only in the tree whose tests
# ctest runs.
option(VELMARO_WINDOWS_TESTS "Build the GUI tests, benchmarks and Wine helpers" ON)
if(NOT VELMARO_WINDOWS_TESTS)
  return()
endif()

# GUI tests: one executable per tests/gui/test_*.cpp, each test in a process of its own,
# one at a time (they share a display and inject real keys). The cases of the executables in
# VELMARO_DPI_TESTS whose names hold "dpiNNN" run in a Wine prefix of that DPI instead
# (tools/wine-run.sh, VELMARO_WINE_DPI), as gui.dpiNNN.*.
set(VELMARO_TEST_DPIS 120 144 192)
set(VELMARO_DPI_TESTS test_startup test_shell_commands)
set(VELMARO_OTHER_DPIS_FILTER "")
foreach(dpi ${VELMARO_TEST_DPIS})
  string(APPEND VELMARO_OTHER_DPIS_FILTER ":*dpi${dpi}*")
endforeach()
file(GLOB VELMARO_HARNESS_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/gui/harness*.cpp)
add_library(gui_harness STATIC ${VELMARO_HARNESS_SOURCES})
target_include_directories(gui_harness PUBLIC ${CMAKE_SOURCE_DIR}/tests/gui)
target_link_libraries(gui_harness PUBLIC velmaro_app GTest::gtest)

# The pinout tests without pictures run only from a copy of the program without them (below).
file(GLOB VELMARO_GUI_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/gui/test_*.cpp)
foreach(src ${VELMARO_GUI_TESTS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src} ${VELMARO_RESOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/resources)
  target_link_libraries(${name} PRIVATE gui_harness GTest::gtest)
  target_link_options(${name} PRIVATE -static)
  set(filter "-PinoutWithoutPicturesTest.*")
  if(name IN_LIST VELMARO_DPI_TESTS)
    string(APPEND filter ${VELMARO_OTHER_DPIS_FILTER})
    foreach(dpi ${VELMARO_TEST_DPIS})
      gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 120
        TEST_PREFIX "gui.dpi${dpi}."
        TEST_FILTER "*dpi${dpi}*"
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
        PROPERTIES RUN_SERIAL TRUE TIMEOUT 60 ENVIRONMENT VELMARO_WINE_DPI=${dpi})
    endforeach()
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    TEST_PREFIX "gui."
    TEST_FILTER "${filter}"
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    PROPERTIES RUN_SERIAL TRUE TIMEOUT 60)
endforeach()

# The pinout tests once more from a copy in a folder without pictures, started in a folder
# without them too: the program runs with an empty picture area.
set(VELMARO_NO_PICTURES_DIR ${CMAKE_BINARY_DIR}/no-pictures)
add_custom_command(TARGET test_pinout POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMARO_NO_PICTURES_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:test_pinout> ${VELMARO_NO_PICTURES_DIR}/
  VERBATIM)
add_test(NAME gui.no_pictures.PinoutWithoutPicturesTest
  COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} ${VELMARO_NO_PICTURES_DIR}/test_pinout.exe
    --gtest_filter=PinoutWithoutPicturesTest.*
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(gui.no_pictures.PinoutWithoutPicturesTest PROPERTIES RUN_SERIAL TRUE TIMEOUT 60
  FAIL_REGULAR_EXPRESSION "Running 0 tests"
  ENVIRONMENT "VELMARO_WINE_STATE=${CMAKE_BINARY_DIR}/wine;VELMARO_WINE_KEEPER=${CMAKE_BINARY_DIR}/bin/wine_keeper.exe")

# GUI benchmarks (they print figures; they are not tests): bench/gui_*.cpp.
file(GLOB VELMARO_GUI_BENCHES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/gui_*.cpp)
foreach(src ${VELMARO_GUI_BENCHES})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src} ${VELMARO_RESOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/resources)
  target_link_libraries(${name} PRIVATE gui_harness)
  target_link_options(${name} PRIVATE -static)
endforeach()

# Keeps the virtual desktop of the test prefix alive between tests (tools/wine-common.sh).
add_executable(wine_keeper WIN32 ${CMAKE_SOURCE_DIR}/tools/wine-keeper.c)
target_link_options(wine_keeper PRIVATE -static)

# Pictures of the running utility in a given state (tools/screenshot.sh, tools/start.sh).
add_executable(wine_screenshot ${CMAKE_SOURCE_DIR}/tools/wine-screenshot.cpp)
target_include_directories(wine_screenshot PRIVATE ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(wine_screenshot PRIVATE gdi32 user32)
target_link_options(wine_screenshot PRIVATE -static)

# The command-line tool, built for Windows too, checked once under Wine.
add_test(NAME win.velmaroctl_new COMMAND velmaroctl new -o ${CMAKE_BINARY_DIR}/win-smoke.qzc)
set_tests_properties(win.velmaroctl_new PROPERTIES TIMEOUT 60 RUN_SERIAL TRUE)
# A name beyond Latin-1 (euro sign, en dash) is saved through a temporary file and a rename.
set(VELMARO_WIDE_NAME "${CMAKE_BINARY_DIR}/€uro – copy.QZC")
add_test(NAME win.velmaroctl_wide_name_save COMMAND velmaroctl new -o "${VELMARO_WIDE_NAME}")
add_test(NAME win.velmaroctl_wide_name_show COMMAND velmaroctl show "${VELMARO_WIDE_NAME}")
set_tests_properties(win.velmaroctl_wide_name_save PROPERTIES TIMEOUT 60 RUN_SERIAL TRUE
  FIXTURES_SETUP wide_name)
set_tests_properties(win.velmaroctl_wide_name_show PROPERTIES TIMEOUT 60 RUN_SERIAL TRUE
  FIXTURES_REQUIRED wide_name PASS_REGULAR_EXPRESSION "Matrix: 5 rows x 4 columns")
add_test(NAME win.velmaroctl_sheet
  COMMAND velmaroctl sheet ${CMAKE_SOURCE_DIR}/tests/fuzz/import_seeds/notation_example.json
          -o ${CMAKE_BINARY_DIR}/win-sheet.svg)
set_tests_properties(win.velmaroctl_sheet PROPERTIES TIMEOUT 60 RUN_SERIAL TRUE)

# The device library: names, conventions, and transfers against the cdecl stand-in.
include(${CMAKE_SOURCE_DIR}/tests/gui/library_tests.cmake)
