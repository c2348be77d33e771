# The catalogues of the desktop program's texts: translations/<name>.ts, kept in the repository
# and edited by hand (scripts/update-translations refreshes them from the sources), compiled by
# lrelease into .qm files that become resources of `target` under ":/translations/", so the
# program carries them and needs no file beside it.
find_program(NIMBREL_LRELEASE lrelease HINTS /usr/lib/qt6/bin REQUIRED)

function(nimbrel_add_translations target)
  set(qm_files)
  foreach(name ${ARGN})
    set(ts ${PROJECT_SOURCE_DIR}/translations/${name}.ts)
    set(qm ${CMAKE_CURRENT_BINARY_DIR}/translations/${name}.qm)
    add_custom_command(OUTPUT ${qm}
      COMMAND ${NIMBREL_LRELEASE} -silent ${ts} -qm ${qm}
      DEPENDS ${ts}
      COMMENT "Compiling the catalogue ${name}"
      VERBATIM)
    list(APPEND qm_files ${qm})
  endforeach()
  qt_add_resources(${target} nimbrel_translations
    PREFIX /translations
    BASE ${CMAKE_CURRENT_BINARY_DIR}/translations
    FILES ${qm_files})
endfunction()
