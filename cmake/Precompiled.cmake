# quvix_precompile(<target> core|widgets)
#   Gives a library of the program a precompiled header of the Qt (and, for
#   widgets, Qwt) headers its sources share (cmake/precompiled/).
option(QUVIX_PRECOMPILE "Precompile the headers the program's libraries share" ON)
function(quvix_precompile target kind)
  if(QUVIX_PRECOMPILE)
    target_precompile_headers(${target} PRIVATE ${CMAKE_SOURCE_DIR}/cmake/precompiled/${kind}.h)
  endif()
endfunction()
