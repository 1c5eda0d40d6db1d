# The 19 pictures of the pinout picture, drawn at build time by a small generator of ours.
# This tree cross-compiles, so the generator is built with the host compiler; the pictures
# go into bin/Resource, beside the program (its picture files are found relative to the
# current directory, and the GUI tests run in bin/), and their variants for displays at 150
# and 200 % into bin/Resource/150 and bin/Resource/200.

find_program(VELMARO_HOST_CXX NAMES c++ g++ REQUIRED)

set(VELMARO_ART_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(VELMARO_ART_TOOL ${CMAKE_BINARY_DIR}/host-tools/make_pinout_art)
set(VELMARO_ART_OUTPUT ${CMAKE_BINARY_DIR}/bin/Resource)
set(VELMARO_ART_NAMES HX3476
  CX5621 CX9092 CX5443 CX3134 CX5575 CX2526 CX0817 CX4498
  RX4931 RX7672 RX9173 RX7484 RX3355 RX1606 RX0757 RX8588
  XX0305 CFX981)
set(VELMARO_ART_SCALES 150 200)
set(VELMARO_ART_FILES)
foreach(name ${VELMARO_ART_NAMES})
  list(APPEND VELMARO_ART_FILES ${VELMARO_ART_OUTPUT}/${name}.qzr)
  foreach(scale ${VELMARO_ART_SCALES})
    list(APPEND VELMARO_ART_FILES ${VELMARO_ART_OUTPUT}/${scale}/${name}.qzr)
  endforeach()
endforeach()
set(VELMARO_ART_COMMANDS)
foreach(scale ${VELMARO_ART_SCALES})
  list(APPEND VELMARO_ART_COMMANDS
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMARO_ART_OUTPUT}/${scale}
    COMMAND ${VELMARO_ART_TOOL} ${VELMARO_ART_OUTPUT}/${scale} ${scale})
endforeach()

add_custom_command(OUTPUT ${VELMARO_ART_TOOL}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host-tools
  COMMAND ${VELMARO_HOST_CXX} -std=c++17 -O2 -Wall -Wextra
          -o ${VELMARO_ART_TOOL} ${VELMARO_ART_SOURCE_DIR}/make_pinout_art.cpp
  DEPENDS ${VELMARO_ART_SOURCE_DIR}/make_pinout_art.cpp ${VELMARO_ART_SOURCE_DIR}/pinout_art.h
  COMMENT "Building the pinout picture generator for the host"
  VERBATIM)

add_custom_command(OUTPUT ${VELMARO_ART_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMARO_ART_OUTPUT}
  COMMAND ${VELMARO_ART_TOOL} ${VELMARO_ART_OUTPUT}
  ${VELMARO_ART_COMMANDS}
  DEPENDS ${VELMARO_ART_TOOL}
  COMMENT "Drawing the pinout pictures into bin/Resource"
  VERBATIM)

add_custom_target(pinout_art ALL DEPENDS ${VELMARO_ART_FILES})
if(TARGET velmaro)
  add_dependencies(velmaro pinout_art)
endif()
