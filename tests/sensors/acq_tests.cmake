# The network sensor object, the sensor's scan side and the acquisition loop.

# No network library beside this test: every call answers "bad handle".
quvix_add_test(acq_websensor_absent_test
  SOURCES acq_websensor_absent_test.cpp
  LIBS quvix_core
  LABELS threads)

# The acquisition loop against the stand-in USB driver, loaded from the
# program's own folder as the program does.
quvix_add_test(acq_loop_test
  SOURCES acq_loop_test.cpp acq_sensorloop.h loopthread.h
  LIBS quvix_core
  LABELS threads)
set_target_properties(acq_loop_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
add_dependencies(acq_loop_test quvix3)

# The network sensor object against the network library and a simulated
# network sensor (private network namespace only).
if(TARGET Quvix_web_dll AND TARGET quvix_sim_websensor)
  quvix_add_test(acq_websensor_test
    SOURCES acq_websensor_test.cpp acq_sensorloop.h loopthread.h
    LIBS quvix_core quvix_sim_websensor
    LABELS network threads)
  set_target_properties(acq_websensor_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(acq_websensor_test Quvix_web_dll quvix3)
endif()

# How scans change hands and end on a sensor without a library whose loop
# runs on its own thread.
quvix_add_test(acq_scanend_test
  SOURCES acq_scanend_test.cpp
  LIBS quvix_core
  LABELS threads)

# Samples whose length does not fit the harmonic selection.
quvix_add_test(acq_samplelayout_test
  SOURCES acq_samplelayout_test.cpp
  LIBS quvix_core
  LABELS threads)
