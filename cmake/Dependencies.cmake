# Everything here comes from Debian packages (scripts/install-deps.sh).
find_package(Qt5 5.11 REQUIRED COMPONENTS Core Gui Widgets Network Svg Test)
find_package(CURL REQUIRED)
find_package(PkgConfig REQUIRED)

# Qwt ships no CMake configuration; wrap the Debian layout.
find_path(QWT_INCLUDE_DIR qwt_plot.h PATH_SUFFIXES qwt)
find_library(QWT_LIBRARY NAMES qwt-qt5)
if(QWT_INCLUDE_DIR AND QWT_LIBRARY)
  add_library(Qwt::Qwt UNKNOWN IMPORTED)
  set_target_properties(Qwt::Qwt PROPERTIES
    IMPORTED_LOCATION ${QWT_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${QWT_INCLUDE_DIR}
    INTERFACE_LINK_LIBRARIES "Qt5::Widgets;Qt5::Svg")
else()
  message(FATAL_ERROR "Qwt for Qt 5 not found (Debian package libqwt-qt5-dev)")
endif()

# jsmn is a single header; exactly one translation unit compiles its bodies,
# every other includes it with JSMN_HEADER defined.
find_path(JSMN_INCLUDE_DIR jsmn.h REQUIRED)
add_library(jsmn::jsmn INTERFACE IMPORTED)
set_target_properties(jsmn::jsmn PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${JSMN_INCLUDE_DIR})

# libusb-0.1 (libusb-dev); the configuration tool links it by SONAME, so a
# simulated library with the same SONAME can stand in at run time.
find_path(LIBUSB0_INCLUDE_DIR usb.h REQUIRED)
find_library(LIBUSB0_LIBRARY NAMES usb-0.1 usb REQUIRED)
add_library(libusb0::libusb0 UNKNOWN IMPORTED)
set_target_properties(libusb0::libusb0 PROPERTIES
  IMPORTED_LOCATION ${LIBUSB0_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${LIBUSB0_INCLUDE_DIR})

# cpp-httplib serves the simulated network sensor.
find_path(HTTPLIB_INCLUDE_DIR httplib.h REQUIRED)
add_library(httplib::httplib INTERFACE IMPORTED)
set_target_properties(httplib::httplib PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${HTTPLIB_INCLUDE_DIR})
# Debian ships cpp-httplib split: the header only declares, the bodies are in
# libcpp-httplib.so, built with TLS and compression. Those switches change the
# layout of the header's classes (Client, Request, ClientImpl), so every user
# must compile with the library's own definitions; without them the library
# writes past objects sized by the header, e.g. a Client on the stack.
find_library(HTTPLIB_LIBRARY NAMES cpp-httplib)
if(HTTPLIB_LIBRARY)
  pkg_check_modules(CPP_HTTPLIB REQUIRED cpp-httplib)
  set_target_properties(httplib::httplib PROPERTIES
    INTERFACE_LINK_LIBRARIES "${HTTPLIB_LIBRARY};Threads::Threads"
    INTERFACE_COMPILE_OPTIONS "${CPP_HTTPLIB_CFLAGS_OTHER}")
endif()

set(THREADS_PREFER_PTHREAD_FLAG ON)
find_package(Threads REQUIRED)

if(QUVIX_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()
if(QUVIX_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
