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
#   ENVIRONMENT adds VAR=value entries to the test's environment.
function(quvix_add_test name)
  cmake_parse_arguments(T "PLAIN" "" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  if(T_PLAIN)
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} quvix_test_main)
  endif()
  # Every network test shares the one private namespace: its fixed ports
  # (discovery 1799, replies 4660-4669, sensors on port 80) and its
  # broadcasts reach each other, so they run one at a time.
  set(lock "")
  if("network" IN_LIST T_LABELS)
    set(lock RESOURCE_LOCK quvix_netlab)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    NO_PRETTY_VALUES
    PROPERTIES TIMEOUT 300 ${lock})

  # Discovery hands properties on through a generated script that flattens
  # lists, so several labels or environment entries would be split apart.
  # Both lists are set on the discovered tests once they are known instead.
  set(environment
    QT_QPA_PLATFORM=offscreen
    QUVIX_BIN_DIR=${CMAKE_BINARY_DIR}/bin
    QUVIX_SOURCE_DIR=${CMAKE_SOURCE_DIR}
    XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-config
    XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/test-runtime
    ${T_ENVIRONMENT})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/test-runtime)
  file(CHMOD ${CMAKE_BINARY_DIR}/test-runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  set(labels_line "")
  if(T_LABELS)
    set(labels_line "  set_tests_properties(\"\${test_name}\" PROPERTIES LABELS \"${T_LABELS}\")\n")
  endif()
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake)
  file(WRITE ${script}
    "foreach(test_name IN LISTS ${name}_TESTS)\n"
    "  set_tests_properties(\"\${test_name}\" PROPERTIES ENVIRONMENT \"${environment}\")\n"
    "${labels_line}"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

# quvix_add_screenshot_test(<name> SOURCES ... [LIBS ...] [LABELS ...])
#   A GoogleTest executable on the shared Qt test main, run as one test on a
#   virtual screen (tests/support/run-on-screen.sh): its windows are really
#   shown, and the pictures it keeps (support/screenshot.h) land in the
#   build's artifacts/ folder. Skipped where xvfb-run is missing.
function(quvix_add_screenshot_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} quvix_test_main)
  add_test(NAME ${name}
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/support/run-on-screen.sh $<TARGET_FILE:${name}>)
  set(lock "")
  if("network" IN_LIST T_LABELS)
    set(lock RESOURCE_LOCK quvix_netlab)
  endif()
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/test-runtime)
  set_tests_properties(${name} PROPERTIES
    TIMEOUT 300 SKIP_RETURN_CODE 77 ${lock}
    ENVIRONMENT "QUVIX_BIN_DIR=${CMAKE_BINARY_DIR}/bin;QUVIX_SOURCE_DIR=${CMAKE_SOURCE_DIR};QUVIX_ARTIFACTS_DIR=${CMAKE_BINARY_DIR}/artifacts;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-config;XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/test-runtime")
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# quvix_add_fuzzer(<name> SOURCES ... [LIBS ...] [CORPUS dir] [RSS_LIMIT_MB n])
#   A libFuzzer target; only in builds configured with QUVIX_BUILD_FUZZ (clang).
#   CTest runs it for a bounded time under the label "fuzz"; an input whose
#   memory passes RSS_LIMIT_MB (2048 unless given) fails the run.
function(quvix_add_fuzzer name)
  if(NOT QUVIX_BUILD_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "CORPUS;RSS_LIMIT_MB" "SOURCES;LIBS" ${ARGN})
  if(NOT F_RSS_LIMIT_MB)
    set(F_RSS_LIMIT_MB 2048)
  endif()
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
           COMMAND ${name} -max_total_time=${QUVIX_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=${F_RSS_LIMIT_MB} ${corpus_args})
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
