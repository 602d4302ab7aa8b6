# Discovery and the sensor handler.
quvix_add_test(handler_discovery_codec_test
  SOURCES handler_discoveryprotocol_test.cpp handler_rememberednetworksensors_test.cpp
  LIBS quvix_core)
quvix_add_test(handler_discovery_port_test
  SOURCES handler_discoveryport_test.cpp
  LIBS quvix_core
  LABELS network)

# The USB side of the sensor handler with the stand-in driver beside the test.
quvix_add_test(handler_usb_test
  SOURCES handler_usb_test.cpp
  LIBS quvix_core
  LABELS network threads)
set_target_properties(handler_usb_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
add_dependencies(handler_usb_test quvix3)

# Discovery and network connection with simulated network sensors.
if(TARGET quvix_sim_websensor)
  quvix_add_test(handler_network_test
    SOURCES handler_network_test.cpp
    LIBS quvix_core quvix_sim_websensor
    LABELS network threads)
  set_target_properties(handler_network_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(handler_network_test quvix3)
  if(TARGET Quvix_web_dll)
    add_dependencies(handler_network_test Quvix_web_dll)
  endif()
endif()

# Four simulated sensors, two of each kind, recording side by side.
if(TARGET Quvix_web_dll AND TARGET quvix_sim_websensor)
  quvix_add_test(handler_soak_test
    SOURCES handler_soak_test.cpp acq_sensorloop.h loopthread.h
    LIBS quvix_core quvix_sim_websensor
    LABELS network threads)
  set_target_properties(handler_soak_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(handler_soak_test Quvix_web_dll quvix3)
endif()

# The end of the program while a USB and a network sensor record.
if(TARGET Quvix_web_dll AND TARGET quvix_sim_websensor)
  quvix_add_test(handler_shutdown_test
    SOURCES handler_shutdown_test.cpp
    LIBS quvix_core quvix_sim_websensor
    LABELS network threads)
  set_target_properties(handler_shutdown_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  add_dependencies(handler_shutdown_test Quvix_web_dll quvix3)
endif()
