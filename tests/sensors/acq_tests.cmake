# The network sensor object, the sensor's scan side and the acquisition loop.

# No network library beside this test: every call answers "bad handle".
quvix_add_test(acq_websensor_absent_test
  SOURCES acq_websensor_absent_test.cpp
  LIBS quvix_core)
