# Helpers that every tests/ and bench/ folder uses, so tests are declared the
# same way everywhere.
include(GoogleTest)

# The command prefix that runs a network test in a private network namespace
# of its own (scripts/isolate.sh --new).
set(QUVIX_OWN_NETNS bash ${CMAKE_SOURCE_DIR}/scripts/isolate.sh --new)

# Test sources are compiled without optimisation and with line tables only:
# they are checks, not what ships, and optimising and describing them took
# most of each build's time (twice as long under the sanitizers) while the
# tests ran no faster for it. The code under test keeps the build type's own
# options.
set(QUVIX_TEST_COMPILE_OPTIONS -O0 -g1 CACHE STRING "Compile options of the test programs' own sources")

# quvix_add_test_pch(<name>)
#   The program that compiles the precompiled header every Qt test program
#   shares (tests/support/testpch.h). Sharing one needs the same compile
#   definitions and options in every user; the test main links every Qt
#   module a test may use, so that they are.
function(quvix_add_test_pch name)
  add_executable(${name} ${CMAKE_SOURCE_DIR}/tests/support/testpchdonor.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE quvix_test_main Qwt::Qwt)
  target_compile_options(${name} PRIVATE ${QUVIX_TEST_COMPILE_OPTIONS})
  target_precompile_headers(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/testpch.h)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  set_property(GLOBAL PROPERTY QUVIX_TEST_PCH ${name})
  _quvix_flags_signature(${name} signature)
  set_property(GLOBAL PROPERTY QUVIX_TEST_PCH_SIGNATURE "${signature}")
endfunction()

# Collects the compile definitions and options of a target (prefix "") or
# those it passes on (prefix INTERFACE_), with those passed on by everything
# it links, as far as they are known without generating.
function(_quvix_collect_flags target prefix out_var)
  set(flags "")
  foreach(property ${prefix}COMPILE_DEFINITIONS ${prefix}COMPILE_OPTIONS)
    get_target_property(values ${target} ${property})
    if(values)
      list(APPEND flags ${values})
    endif()
  endforeach()
  get_target_property(links ${target} ${prefix}LINK_LIBRARIES)
  if(NOT links)
    set(links "")
  endif()
  foreach(link ${links})
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
    get_property(seen GLOBAL PROPERTY _QUVIX_FLAGS_SEEN)
    if(link IN_LIST seen OR NOT TARGET ${link})
      continue()
    endif()
    set_property(GLOBAL APPEND PROPERTY _QUVIX_FLAGS_SEEN ${link})
    _quvix_collect_flags(${link} INTERFACE_ link_flags)
    list(APPEND flags ${link_flags})
  endforeach()
  set(${out_var} ${flags} PARENT_SCOPE)
endfunction()

function(_quvix_flags_signature target out_var)
  set_property(GLOBAL PROPERTY _QUVIX_FLAGS_SEEN "")
  _quvix_collect_flags(${target} "" flags)
  list(REMOVE_DUPLICATES flags)
  list(SORT flags)
  set(${out_var} "${flags}" PARENT_SCOPE)
endfunction()

# Runs once the folder that declared the test is read, when its own compile
# definitions and links are all known: a program whose flags differ from the
# shared header's compiles its headers itself.
function(_quvix_use_shared_test_pch name)
  target_compile_options(${name} PRIVATE ${QUVIX_TEST_COMPILE_OPTIONS})
  get_property(donor GLOBAL PROPERTY QUVIX_TEST_PCH)
  if(NOT donor)
    return()
  endif()
  get_property(wanted GLOBAL PROPERTY QUVIX_TEST_PCH_SIGNATURE)
  _quvix_flags_signature(${name} signature)
  if(signature STREQUAL wanted)
    target_precompile_headers(${name} REUSE_FROM ${donor})
    # The generated file that gathers a program's moc output is nearly
    # empty; loading the shared header would cost it more than it saves.
    set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen/mocs_compilation.cpp
      PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
  endif()
endfunction()

macro(_quvix_defer_shared_test_pch name)
  cmake_language(EVAL CODE "cmake_language(DEFER CALL _quvix_use_shared_test_pch [[${name}]])")
endmacro()

# quvix_add_test(<name> SOURCES ... [LIBS ...] [LABELS ...] [PLAIN])
#   A GoogleTest executable. By default it links the Qt test main (a
#   QApplication on the offscreen platform and a private settings folder);
#   PLAIN links GoogleTest's own main instead (for code without Qt).
#   Label "network" marks tests that open sockets: they need the private
#   network namespace that scripts/isolate.sh provides, and skip otherwise.
#   Label "threads" marks tests that the ThreadSanitizer stage runs.
#   ENVIRONMENT adds VAR=value entries to the test's environment.
#   ONE_AT_A_TIME names tests of this program that share something beyond
#   their own process (a file beside the program, say): they never overlap.
function(quvix_add_test name)
  cmake_parse_arguments(T "PLAIN" "" "SOURCES;LIBS;LABELS;ENVIRONMENT;ONE_AT_A_TIME" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  if(T_PLAIN)
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} quvix_test_main)
  endif()
  _quvix_defer_shared_test_pch(${name})
  # Network tests use fixed ports (discovery 1799, replies 4660-4669, sensors
  # on port 80) and broadcasts that would reach each other in one namespace,
  # so each runs in a private namespace of its own and they run side by side.
  if("network" IN_LIST T_LABELS)
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${QUVIX_OWN_NETNS}")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    NO_PRETTY_VALUES
    PROPERTIES TIMEOUT 300)

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
  foreach(test_name ${T_ONE_AT_A_TIME})
    file(APPEND ${script} "set_tests_properties(\"${test_name}\" PROPERTIES RESOURCE_LOCK ${name}_one_at_a_time)\n")
  endforeach()
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
  _quvix_defer_shared_test_pch(${name})
  set(namespace "")
  if("network" IN_LIST T_LABELS)
    set(namespace ${QUVIX_OWN_NETNS})
  endif()
  add_test(NAME ${name}
           COMMAND ${namespace} bash ${CMAKE_SOURCE_DIR}/tests/support/run-on-screen.sh $<TARGET_FILE:${name}>)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/test-runtime)
  set_tests_properties(${name} PROPERTIES
    TIMEOUT 300 SKIP_RETURN_CODE 77
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
