quvix_add_test(app_sensor_tile_test
  SOURCES quvixdisplaywidget_test.cpp
  LIBS quvix_shell quvix_shell_resources)

quvix_add_test(app_overview_tab_test
  SOURCES overviewtab_test.cpp
  LIBS quvix_shell quvix_shell_resources)

# Beside the stand-in USB driver, which the window's sensor handler loads;
# once offscreen and once on a virtual screen, whose picture is kept.
quvix_add_test(app_overview_sensors_test
  SOURCES overview_sensors_test.cpp
  LIBS quvix_shell quvix_shell_resources
  LABELS network)
quvix_add_screenshot_test(app_overview_sensors_screenshot
  SOURCES overview_sensors_test.cpp
  LIBS quvix_shell quvix_shell_resources
  LABELS network)
foreach(target app_overview_sensors_test app_overview_sensors_screenshot)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(${target} quvix3)
endforeach()
