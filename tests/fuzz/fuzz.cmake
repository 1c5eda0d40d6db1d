# The fuzzers (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer), built with clang++
# over the portable sources when clang++ is there: the image fuzzer, whose seeds come from
# make_seeds (built with the rest of the native tree), and the import fuzzer over the
# JSON reader, whose seeds are the documents in import_seeds/.
#
# Run them longer by hand:
#   build/fuzz/fuzz_image -max_len=520 -max_total_time=3600 build/fuzz/corpus build/fuzz/seeds
#   build/fuzz/fuzz_import -dict=tests/fuzz/import.dict -max_total_time=3600 \
#       build/fuzz/import_corpus tests/fuzz/import_seeds

find_program(VELMARO_CLANGXX NAMES clang++ clang++-16 clang++-15 clang++-14)
if(NOT VELMARO_CLANGXX)
  message(STATUS "clang++ not found: the image fuzzer is not built")
  return()
endif()

file(GLOB VELMARO_FUZZ_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/config/*.cpp ${CMAKE_SOURCE_DIR}/keys/*.cpp ${CMAKE_SOURCE_DIR}/sheet/*.cpp)
list(FILTER VELMARO_FUZZ_SOURCES EXCLUDE REGEX "_win\\.cpp$")
file(GLOB VELMARO_FUZZ_HEADERS CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/config/*.h ${CMAKE_SOURCE_DIR}/keys/*.h ${CMAKE_SOURCE_DIR}/sheet/*.h)

set(VELMARO_FUZZ_DIR ${CMAKE_BINARY_DIR}/fuzz)
set(VELMARO_FUZZER ${VELMARO_FUZZ_DIR}/fuzz_image)
file(MAKE_DIRECTORY ${VELMARO_FUZZ_DIR}/corpus ${VELMARO_FUZZ_DIR}/seeds ${VELMARO_FUZZ_DIR}/import_corpus)
set(VELMARO_FUZZ_FLAGS -std=c++17 -g -O1 -fno-omit-frame-pointer
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)

add_custom_command(
  OUTPUT ${VELMARO_FUZZER}
  COMMAND ${VELMARO_CLANGXX} ${VELMARO_FUZZ_FLAGS}
          -I${CMAKE_SOURCE_DIR} -I${CMAKE_SOURCE_DIR}/tests/native -I${VELMARO_THIRD_PARTY}
          ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_image.cpp ${VELMARO_FUZZ_SOURCES}
          -o ${VELMARO_FUZZER}
  DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_image.cpp ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_support.h ${CMAKE_SOURCE_DIR}/tests/native/test_config_helpers.h
          ${VELMARO_FUZZ_SOURCES} ${VELMARO_FUZZ_HEADERS}
  COMMENT "Building the image fuzzer with clang++"
  VERBATIM)
add_custom_target(fuzz_image ALL DEPENDS ${VELMARO_FUZZER})

add_executable(make_seeds ${CMAKE_SOURCE_DIR}/tests/fuzz/make_seeds.cpp)
target_link_libraries(make_seeds PRIVATE velmaro_core)

# The seeds are made afresh before each run; the fuzzer keeps what it finds in corpus/.
add_test(NAME fuzz.image_seeds COMMAND make_seeds ${VELMARO_FUZZ_DIR}/seeds)
set_tests_properties(fuzz.image_seeds PROPERTIES FIXTURES_SETUP fuzz_seeds TIMEOUT 30)
add_test(NAME fuzz.image
  COMMAND ${VELMARO_FUZZER} -max_len=520 -max_total_time=20 -timeout=10 -rss_limit_mb=1024
          -print_final_stats=1 ${VELMARO_FUZZ_DIR}/corpus ${VELMARO_FUZZ_DIR}/seeds)
set_tests_properties(fuzz.image PROPERTIES FIXTURES_REQUIRED fuzz_seeds TIMEOUT 120)

# The import fuzzer: the JSON reader, the wiring sheet and the engine.
set(VELMARO_IMPORT_FUZZER ${VELMARO_FUZZ_DIR}/fuzz_import)
add_custom_command(
  OUTPUT ${VELMARO_IMPORT_FUZZER}
  COMMAND ${VELMARO_CLANGXX} ${VELMARO_FUZZ_FLAGS} -I${CMAKE_SOURCE_DIR} -I${VELMARO_THIRD_PARTY}
          ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_import.cpp ${VELMARO_FUZZ_SOURCES}
          -o ${VELMARO_IMPORT_FUZZER}
  DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_import.cpp ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_support.h
          ${VELMARO_FUZZ_SOURCES} ${VELMARO_FUZZ_HEADERS}
  COMMENT "Building the import fuzzer with clang++"
  VERBATIM)
add_custom_target(fuzz_import ALL DEPENDS ${VELMARO_IMPORT_FUZZER})
add_test(NAME fuzz.import
  COMMAND ${VELMARO_IMPORT_FUZZER} -dict=${CMAKE_SOURCE_DIR}/tests/fuzz/import.dict -max_len=4096
          -max_total_time=20 -timeout=10 -rss_limit_mb=1024 -print_final_stats=1
          ${VELMARO_FUZZ_DIR}/import_corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/import_seeds)
set_tests_properties(fuzz.import PROPERTIES TIMEOUT 120)
