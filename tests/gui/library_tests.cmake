# Tests of the device library as the Windows programs meet it (included by cmake/windows.cmake).

# The utility imports the three functions by their plain names, velmaroctl.exe nothing (it
# loads the library for its unit commands), and both stand-ins export exactly those; the
# second stand-in really is built with the other convention.
if(NOT CMAKE_OBJDUMP)
  get_filename_component(compiler_name ${CMAKE_CXX_COMPILER} NAME)
  string(REGEX REPLACE "-g\\+\\+.*$" "-objdump" objdump_name ${compiler_name})
  find_program(CMAKE_OBJDUMP ${objdump_name} REQUIRED)
endif()
set(stand_ins $<TARGET_FILE:VELMAROSN>)
if(TARGET VELMAROSN_cdecl)
  list(APPEND stand_ins $<TARGET_FILE:VELMAROSN_cdecl>)
endif()
set(machine pei-x86-64)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(machine pei-i386)
endif()
add_test(NAME win.library_names
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DMACHINE=${machine}
    -DPROGRAMS=$<TARGET_FILE:velmaro> -DLOADING_PROGRAMS=$<TARGET_FILE:velmaroctl>
    "-DSTAND_INS=${stand_ins}" -P ${CMAKE_CURRENT_LIST_DIR}/library_names.cmake)

# velmaroctl.exe loads the library from its own folder for a unit command: in bin/, beside
# the stand-in, it lists the emulated unit; copied into a folder without a library, its unit
# commands say so and fail (diff with a unit: not compared), its file commands run.
set(VELMARO_CTL_UNITS ${CMAKE_BINARY_DIR}/win-units)
file(MAKE_DIRECTORY ${VELMARO_CTL_UNITS}/unit1)
file(WRITE ${VELMARO_CTL_UNITS}/unit1/serial "00043981")  # read as the decimal 43981
set(VELMARO_LONE_CTL_DIR ${CMAKE_BINARY_DIR}/no-library)
add_custom_command(TARGET velmaroctl POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMARO_LONE_CTL_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:velmaroctl> ${VELMARO_LONE_CTL_DIR}/
  VERBATIM)
set(VELMARO_LONE_CTL ${VELMARO_LONE_CTL_DIR}/velmaroctl.exe)
add_test(NAME win.velmaroctl_loads_library COMMAND velmaroctl units)
set_tests_properties(win.velmaroctl_loads_library PROPERTIES TIMEOUT 60 RUN_SERIAL TRUE
  ENVIRONMENT "VELMARO_SIM_DIR=Z:${VELMARO_CTL_UNITS}" PASS_REGULAR_EXPRESSION "Unit #1  SN- 43981")
set(no_library "VELMAROSN.dll not found beside velmaroctl.exe\n")
foreach(case
    "units_without_library|1|${no_library}|units"
    "read_without_library|1|${no_library}|read;-o;Z:${VELMARO_LONE_CTL_DIR}/x.qzc"
    "write_without_library|2|${no_library}|write;Z:${CMAKE_BINARY_DIR}/win-smoke.qzc;--verify"
    "diff_without_library|2|${no_library}|diff;Z:${CMAKE_BINARY_DIR}/win-smoke.qzc;unit:1"
    "import_without_library|0||import;Z:${CMAKE_SOURCE_DIR}/tests/fuzz/import_seeds/notation_example.json;-o;Z:${VELMARO_LONE_CTL_DIR}/imported.qzc"
    "new_without_library|0||new;-o;Z:${VELMARO_LONE_CTL_DIR}/new.qzc")
  string(REPLACE "|" ";" case "${case}")
  list(POP_FRONT case name status output)
  add_test(NAME win.velmaroctl_${name}
    COMMAND ${CMAKE_COMMAND} -DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR} -DPROGRAM=${VELMARO_LONE_CTL}
      "-DARGS=${case}" -DSTATUS=${status} "-DOUTPUT=${output}" -P ${CMAKE_CURRENT_LIST_DIR}/run_status.cmake)
  set_tests_properties(win.velmaroctl_${name} PROPERTIES TIMEOUT 60 RUN_SERIAL TRUE FIXTURES_REQUIRED win_smoke
    ENVIRONMENT "VELMARO_SIM_DIR=Z:${VELMARO_CTL_UNITS};VELMARO_WINE_STATE=${CMAKE_BINARY_DIR}/wine;VELMARO_WINE_KEEPER=${CMAKE_BINARY_DIR}/bin/wine_keeper.exe")
endforeach()
set_tests_properties(win.velmaroctl_new PROPERTIES FIXTURES_SETUP win_smoke)

# The 32-bit program's calls must work whether the library pops its arguments (stdcall, the
# stand-in in bin/) or leaves them (cdecl, the stand-in in bin/cdecl/). A copy of the device
# command tests sits beside the cdecl stand-in, which Windows loads from the program's own
# folder first, and runs the transfers: write, read, serial numbers, several units, a lost unit.
if(NOT TARGET VELMAROSN_cdecl)
  return()
endif()
set(VELMARO_CDECL_DIR ${CMAKE_BINARY_DIR}/bin/cdecl)
add_custom_command(TARGET test_device_commands POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:test_device_commands> ${VELMARO_CDECL_DIR}/
  VERBATIM)
add_dependencies(test_device_commands VELMAROSN_cdecl)
set(VELMARO_CDECL_TESTS
  DeviceCommands.WriteToOneUnit
  DeviceCommands.ReadFromOneUnit
  DeviceCommands.EnumerationReadsSerialsOfUnitTwoFirstAndClosesEveryUnit
  DeviceCommands.DetectDeviceOpensAndClosesUnitOne
  Units/DeviceUnits.NoticeSelectionProgressAndResult/Write4UnitsChoose4
  Units/DeviceUnits.NoticeSelectionProgressAndResult/Read3UnitsChoose2
  Lost/DeviceFailures.UnitLostDuringTheTransfer/WriteFailAfter20
  Lost/DeviceFailures.UnitLostDuringTheTransfer/ReadFailAfter9)
foreach(test ${VELMARO_CDECL_TESTS})
  add_test(NAME gui.cdecl.${test}
    COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} ${VELMARO_CDECL_DIR}/test_device_commands.exe
      --gtest_filter=${test}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(gui.cdecl.${test} PROPERTIES RUN_SERIAL TRUE TIMEOUT 60
    FAIL_REGULAR_EXPRESSION "0 tests, listed below|Running 0 tests"
    ENVIRONMENT "VELMARO_WINE_STATE=${CMAKE_BINARY_DIR}/wine;VELMARO_WINE_KEEPER=${CMAKE_BINARY_DIR}/bin/wine_keeper.exe")
endforeach()
