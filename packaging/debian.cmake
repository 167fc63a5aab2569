# The Debian package, built by CPack: `cpack -G DEB` in the build directory.
# It holds what `cmake --install` installs, under /usr, with the manual page
# compressed as Debian packages carry it and the run-time dependencies found
# by dpkg-shlibdeps (from dpkg-dev; it needs the file utility as well).
set(DICT2STEP_MAINTAINER "dict2step maintainers <maintainers@users.noreply.c-seed-30275627.example>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dict2step)
set(CPACK_PACKAGE_VENDOR "dict2step")
set(CPACK_PACKAGE_CONTACT "${DICT2STEP_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "convert a parts-library class dictionary to an ISO 10303-21 exchange file")
set(CPACK_PACKAGE_DESCRIPTION
    "dict2step reads a parts-library class dictionary, written in a small XML-like\n\
tag language, on standard input and writes an ISO 10303-21 exchange file of\n\
ISO 13584 dictionary entities (schema ISO13584_G_M_IIM_SCHEMA) on standard\n\
output: classes with their names, properties and data types, and tables of\n\
property values.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DICT2STEP_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/compress-man-pages.cmake)
include(CPack)
