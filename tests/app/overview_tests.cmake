quvix_add_test(app_sensor_tile_test
  SOURCES quvixdisplaywidget_test.cpp
  LIBS quvix_shell quvix_shell_resources)

quvix_add_test(app_overview_tab_test
  SOURCES overviewtab_test.cpp
  LIBS quvix_shell quvix_shell_resources)
