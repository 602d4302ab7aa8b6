# The stand-in USB driver library, called directly as the driver contract says.
quvix_add_test(quvix3sim_test
  SOURCES quvix3sim_test.cpp
  LIBS quvix3
  LABELS threads
  PLAIN)

# The binding when no sensor library is in reach: this test's own folder
# holds none.
quvix_add_test(sensorbinding_absent_test
  SOURCES sensorbinding_absent_test.cpp
  LIBS quvix_core)

# The binding and the sensor object with the libraries in the program's own
# folder: built beside the deliverables, as the program is.
quvix_add_test(sensors_test
  SOURCES sensorbinding_test.cpp quvixsensor_test.cpp
  LIBS quvix_core)
set_target_properties(sensors_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
add_dependencies(sensors_test quvix3)
if(TARGET Quvix_web_dll)
  add_dependencies(sensors_test Quvix_web_dll)
  target_compile_definitions(sensors_test PRIVATE QUVIX_HAVE_WEB_DLL)
endif()
