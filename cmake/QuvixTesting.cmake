# Helpers that every tests/ and bench/ folder uses, so tests are declared the
# same way everywhere.
include(GoogleTest)

# quvix_add_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [PLAIN])
#   A GoogleTest executable. By default it links the Qt test main (a
#   QApplication on the offscreen platform and a private settings folder);
#   PLAIN links GoogleTest's own main instead (for code without Qt).
#   Label "network" marks tests that open sockets: they need the private
#   network namespace that scripts/isolate.sh provides, and skip otherwise.
#   Label "threads" marks tests that the ThreadSanitizer stage runs.
function(quvix_add_test name)
  cmake_parse_arguments(T "PLAIN" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  if(T_PLAIN)
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} quvix_test_main)
  endif()
  set(label_property "")
  if(T_LABELS)
    set(label_property LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    NO_PRETTY_VALUES
    PROPERTIES
      ${label_property}
      TIMEOUT 300
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QUVIX_BIN_DIR=${CMAKE_BINARY_DIR}/bin;QUVIX_SOURCE_DIR=${CMAKE_SOURCE_DIR};XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-config;XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/test-runtime")
  # The discovered tests get their properties through a generated script that
  # flattens lists, which keeps only the first of several labels; all labels
  # are set again once the tests are known.
  list(LENGTH T_LABELS label_count)
  if(label_count GREATER 1)
    set(relabel ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
    file(WRITE ${relabel}
      "if(${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"${T_LABELS}\")\nendif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${relabel})
  endif()
endfunction()

# quvix_add_fuzzer(<name> SOURCES ... [LIBS ...] [CORPUS dir])
#   A libFuzzer target; only in builds configured with QUVIX_BUILD_FUZZ (clang).
#   CTest runs it for a bounded time under the label "fuzz".
function(quvix_add_fuzzer name)
  if(NOT QUVIX_BUILD_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS} -fsanitize=fuzzer)
  set(corpus_args "")
  if(F_CORPUS)
    set(work ${CMAKE_BINARY_DIR}/fuzz/${name}-corpus)
    set(corpus_args ${work} ${F_CORPUS})
    file(MAKE_DIRECTORY ${work})
  endif()
  add_test(NAME fuzz.${name}
           COMMAND ${name} -max_total_time=${QUVIX_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048 ${corpus_args})
  set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 600
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-config")
endfunction()
set(QUVIX_FUZZ_SECONDS 30 CACHE STRING "Seconds each fuzz target runs under CTest")

# quvix_add_benchmark(<name> SOURCES ... [LIBS ...])
function(quvix_add_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark Threads::Threads)
endfunction()
