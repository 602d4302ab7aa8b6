# The build links well over a hundred programs; mold links them in a fraction
# of the time the default linker takes. Where it is missing the default
# linker is used.
find_program(QUVIX_MOLD mold)
if(QUVIX_MOLD)
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_LINK_OPTIONS -fuse-ld=mold)
  check_cxx_source_compiles("int main() { return 0; }" QUVIX_MOLD_WORKS)
  unset(CMAKE_REQUIRED_LINK_OPTIONS)
  if(QUVIX_MOLD_WORKS)
    add_link_options(-fuse-ld=mold)
  endif()
endif()
