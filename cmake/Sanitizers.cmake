# Sanitizer flags apply to everything in the build, so the core, the
# libraries and their tests are instrumented together.
if(QUVIX_SANITIZE)
  string(REPLACE ";" "," _quvix_sanitizers "${QUVIX_SANITIZE}")
  # Line tables are all a sanitizer report needs to name file and line;
  # full debug info only made these builds slower.
  add_compile_options(-fsanitize=${_quvix_sanitizers} -fno-omit-frame-pointer -g1 -O1)
  add_link_options(-fsanitize=${_quvix_sanitizers})
  if("undefined" IN_LIST QUVIX_SANITIZE)
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()
