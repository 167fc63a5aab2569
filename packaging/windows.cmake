# The Windows zip, built by CPack: `cpack -G ZIP` in the cross build's
# directory (see mingw-w64.cmake). It holds one folder, dict2step-VERSION-win64,
# with the program, the manual page rendered to HTML by groff (the groff
# package; groff-base has no HTML output) with its Windows examples, a
# README.txt with CR LF line ends, and the two example dictionaries with the
# exchange files they convert to.
find_program(GROFF_EXECUTABLE groff REQUIRED)
add_custom_command(
  OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/dict2step.html
  COMMAND ${GROFF_EXECUTABLE} -man -Thtml -rwindows=1 ${CMAKE_CURRENT_SOURCE_DIR}/doc/dict2step.1
          > ${CMAKE_CURRENT_BINARY_DIR}/dict2step.html
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/doc/dict2step.1
  COMMENT "Rendering the manual page to HTML")
add_custom_target(manual_html ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/dict2step.html)
configure_file(${CMAKE_CURRENT_LIST_DIR}/README-windows.txt ${CMAKE_CURRENT_BINARY_DIR}/README.txt
  @ONLY NEWLINE_STYLE CRLF)

install(TARGETS dict2step RUNTIME DESTINATION .)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/dict2step.html ${CMAKE_CURRENT_BINARY_DIR}/README.txt
  DESTINATION .)
# The examples as they are (LF line ends: a CR would become part of the texts).
install(FILES examples/fasteners.dict examples/fasteners.stp
              examples/drive-components.dict examples/drive-components.stp
  DESTINATION examples)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME dict2step)
set(CPACK_PACKAGE_VENDOR "dict2step")
set(CPACK_PACKAGE_FILE_NAME dict2step-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
include(CPack)
