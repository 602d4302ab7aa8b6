quvix_add_test(app_sensor_tile_test
  SOURCES quvixdisplaywidget_test.cpp
  LIBS quvix_shell quvix_shell_resources)
