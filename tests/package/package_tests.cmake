# The packages (included by cmake/native.cmake): tools/package.sh makes them from the 32-bit
# Windows tree, then the zip and the installer are tried under Wine, each in a fresh prefix.
add_test(NAME package.make COMMAND ${CMAKE_SOURCE_DIR}/tools/package.sh --no-build)
set_tests_properties(package.make PROPERTIES FIXTURES_SETUP packages TIMEOUT 600
  ENVIRONMENT VELMARO_BUILD_DIR=${CMAKE_BINARY_DIR})
foreach(kind zip installer)
  add_test(NAME package.${kind}
    COMMAND ${CMAKE_SOURCE_DIR}/tests/package/test_package.sh ${kind} ${CMAKE_BINARY_DIR})
  set_tests_properties(package.${kind} PROPERTIES FIXTURES_REQUIRED packages RUN_SERIAL TRUE TIMEOUT 300)
endforeach()
