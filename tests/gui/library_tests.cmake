# Tests of the device library as the Windows programs meet it (included by cmake/windows.cmake).

# The programs import the three functions by their plain names, and both stand-ins export
# exactly those; the second stand-in really is built with the other convention.
if(NOT CMAKE_OBJDUMP)
  get_filename_component(compiler_name ${CMAKE_CXX_COMPILER} NAME)
  string(REGEX REPLACE "-g\\+\\+.*$" "-objdump" objdump_name ${compiler_name})
  find_program(CMAKE_OBJDUMP ${objdump_name} REQUIRED)
endif()
set(stand_ins $<TARGET_FILE:VELMAROSN>)
if(TARGET VELMAROSN_cdecl)
  list(APPEND stand_ins $<TARGET_FILE:VELMAROSN_cdecl>)
endif()
add_test(NAME win.library_names
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP}
    "-DPROGRAMS=$<TARGET_FILE:velmaro>;$<TARGET_FILE:velmaroctl>" "-DSTAND_INS=${stand_ins}"
    -P ${CMAKE_CURRENT_LIST_DIR}/library_names.cmake)

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
