# The device library on Windows.
#
# The programs import the maker's three functions by their plain names through an import
# library made from device/VELMAROSN.def with dlltool -k, so they load whatever VELMAROSN.dll
# lies beside them: the maker's, or our stand-in.
#
# The stand-in VELMAROSN.dll (device/simulator) goes into bin/, built stdcall. In the 32-bit
# build it is built a second time with the other convention (cdecl) into bin/cdecl/, where a
# chosen set of transfer tests runs against it too. Both export exactly the plain names of
# device/simulator/VELMAROSN.def.

set(VELMARO_STAND_IN_SOURCES ${CMAKE_SOURCE_DIR}/device/simulator/velmaro_sim.cpp
  ${CMAKE_SOURCE_DIR}/device/simulator/VELMAROSN.def)

function(velmaro_stand_in target folder)
  add_library(${target} SHARED ${VELMARO_STAND_IN_SOURCES})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${target} PRIVATE VELMAROSN_BUILDING ${ARGN})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME VELMAROSN PREFIX "" IMPORT_PREFIX "lib"
    RUNTIME_OUTPUT_DIRECTORY ${folder} ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib/${target})
  target_link_options(${target} PRIVATE -static -Wl,--kill-at -Wl,--enable-stdcall-fixup)
endfunction()

velmaro_stand_in(VELMAROSN ${CMAKE_BINARY_DIR}/bin)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  velmaro_stand_in(VELMAROSN_cdecl ${CMAKE_BINARY_DIR}/bin/cdecl VELMAROSN_CDECL)
endif()

# The import library. The 64-bit compiler does not decorate stdcall names: there the list is
# used without the @N suffixes.
set(VELMARO_IMPORT_DEF ${CMAKE_SOURCE_DIR}/device/VELMAROSN.def)
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  file(READ ${VELMARO_IMPORT_DEF} definitions)
  string(REGEX REPLACE "@[0-9]+" "" definitions "${definitions}")
  set(VELMARO_IMPORT_DEF ${CMAKE_BINARY_DIR}/generated/VELMAROSN-64.def)
  file(CONFIGURE OUTPUT ${VELMARO_IMPORT_DEF} CONTENT "${definitions}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/device/VELMAROSN.def)
endif()
if(NOT CMAKE_DLLTOOL)
  get_filename_component(compiler_name ${CMAKE_CXX_COMPILER} NAME)
  string(REGEX REPLACE "-g\\+\\+.*$" "-dlltool" dlltool_name ${compiler_name})
  find_program(CMAKE_DLLTOOL ${dlltool_name} REQUIRED)
endif()
set(VELMARO_IMPORT_LIB ${CMAKE_BINARY_DIR}/lib/libVELMAROSN-import.a)
add_custom_command(OUTPUT ${VELMARO_IMPORT_LIB}
  COMMAND ${CMAKE_DLLTOOL} -d ${VELMARO_IMPORT_DEF} -l ${VELMARO_IMPORT_LIB} -k
  DEPENDS ${VELMARO_IMPORT_DEF}
  COMMENT "Making the import library of VELMAROSN.dll"
  VERBATIM)
add_custom_target(velmarosn_import DEPENDS ${VELMARO_IMPORT_LIB})

add_library(hid_library INTERFACE)
target_link_libraries(hid_library INTERFACE ${VELMARO_IMPORT_LIB})
add_dependencies(hid_library velmarosn_import VELMAROSN)
