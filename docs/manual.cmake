# The user manual: docs/manual.md and the velmaroctl notation (appended as its last chapter),
# built by pandoc into one self-contained HTML file, docs/manual.html in the build tree. It
# uses the committed pictures (the hand-drawn docs/*.svg and the screenshots in docs/images/
# that tools/screenshot.sh --manual makes), so it needs neither Wine nor the network. A
# picture that the manual names but that is missing fails the build.

find_program(VELMARO_PANDOC pandoc)
if(NOT VELMARO_PANDOC)
  message(FATAL_ERROR "pandoc builds the user manual: run tools/setup.sh")
endif()

# pandoc 2.19 renamed --self-contained to --embed-resources.
execute_process(COMMAND ${VELMARO_PANDOC} --version OUTPUT_VARIABLE pandoc_version_text)
string(REGEX MATCH "[0-9]+\\.[0-9]+" pandoc_version "${pandoc_version_text}")
if(pandoc_version VERSION_LESS 2.19)
  set(VELMARO_PANDOC_EMBED --self-contained)
else()
  set(VELMARO_PANDOC_EMBED --embed-resources --standalone)
endif()

set(VELMARO_MANUAL_DIR ${CMAKE_SOURCE_DIR}/docs)
set(VELMARO_MANUAL_SOURCES ${VELMARO_MANUAL_DIR}/manual.md ${CMAKE_SOURCE_DIR}/tools/velmaroctl/NOTATION.md)
set(VELMARO_MANUAL_HTML ${CMAKE_BINARY_DIR}/docs/manual.html)
file(GLOB VELMARO_MANUAL_PICTURES CONFIGURE_DEPENDS
  ${VELMARO_MANUAL_DIR}/*.svg ${VELMARO_MANUAL_DIR}/images/*.png)

add_custom_command(OUTPUT ${VELMARO_MANUAL_HTML}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/docs
  COMMAND ${VELMARO_PANDOC} ${VELMARO_MANUAL_SOURCES}
          --from markdown --to html5 --standalone ${VELMARO_PANDOC_EMBED}
          --toc --toc-depth 2 --fail-if-warnings
          --resource-path ${VELMARO_MANUAL_DIR}
          --css ${VELMARO_MANUAL_DIR}/manual.css
          --lua-filter ${VELMARO_MANUAL_DIR}/manual-links.lua
          --output ${VELMARO_MANUAL_HTML}
  DEPENDS ${VELMARO_MANUAL_SOURCES} ${VELMARO_MANUAL_PICTURES}
          ${VELMARO_MANUAL_DIR}/manual.css ${VELMARO_MANUAL_DIR}/manual-links.lua
  WORKING_DIRECTORY ${VELMARO_MANUAL_DIR}
  COMMENT "Building the user manual, docs/manual.html"
  VERBATIM)
add_custom_target(manual ALL DEPENDS ${VELMARO_MANUAL_HTML})
