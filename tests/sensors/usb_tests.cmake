# The stand-in USB driver library, called directly as the driver contract says.
quvix_add_test(quvix3sim_test
  SOURCES quvix3sim_test.cpp
  LIBS quvix3
  LABELS threads
  PLAIN)
