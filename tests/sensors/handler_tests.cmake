# Discovery and the sensor handler.
quvix_add_test(handler_discovery_codec_test
  SOURCES handler_discoveryprotocol_test.cpp handler_rememberednetworksensors_test.cpp
  LIBS quvix_core)
quvix_add_test(handler_discovery_port_test
  SOURCES handler_discoveryport_test.cpp
  LIBS quvix_core
  LABELS network)
