# What `cmake --install` puts where, and the packages cpack makes of it:
# a .tar.gz and two .deb on Linux (sylvo, the program; libsylvo-dev, the
# library for other programs), a .zip on Windows (the MinGW build).
include(CMakePackageConfigHelpers)
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME runtime)

if(WIN32)
  # Everything at the top of the .zip; the texts with CR LF line ends.
  foreach(text README.md LICENSE)
    file(READ "${PROJECT_SOURCE_DIR}/${text}" content)
    string(REPLACE "\n" "\r\n" content "${content}")
    get_filename_component(stem "${text}" NAME_WE)
    file(WRITE "${PROJECT_BINARY_DIR}/crlf/${stem}.txt" "${content}")
  endforeach()
  install(TARGETS sylvo sylvo-check RUNTIME DESTINATION .)
  install(FILES "${PROJECT_BINARY_DIR}/crlf/README.txt" "${PROJECT_BINARY_DIR}/crlf/LICENSE.txt"
                "${PROJECT_SOURCE_DIR}/examples/song.mml" DESTINATION .)
  install(FILES docs/syllables.md docs/lyrics.md DESTINATION docs)
else()
  # The manual page's SYLLABLES section is printed from the syllable table.
  file(READ docs/syllables.man SYLVO_SYLLABLES)
  configure_file(docs/sylvo.1.in "${PROJECT_BINARY_DIR}/sylvo.1" @ONLY)
  configure_file(docs/sylvo-check.1.in "${PROJECT_BINARY_DIR}/sylvo-check.1" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS docs/syllables.man)
  install(TARGETS sylvo sylvo-check RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  install(FILES "${PROJECT_BINARY_DIR}/sylvo.1" "${PROJECT_BINARY_DIR}/sylvo-check.1"
    DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
  install(FILES README.md CHANGELOG.md LICENSE examples/song.mml DESTINATION "${CMAKE_INSTALL_DOCDIR}")
  # The README's links: the syllable list and the picture of the page.
  install(FILES docs/syllables.md docs/lyrics.md docs/web.png DESTINATION "${CMAKE_INSTALL_DOCDIR}/docs")

  # The library, its header, and how pkg-config and CMake find them.
  set(cmakedir "${CMAKE_INSTALL_LIBDIR}/cmake/sylvo")
  install(TARGETS libsylvo EXPORT sylvo-targets
    ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT development
    LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT development
    PUBLIC_HEADER DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}" COMPONENT development)
  install(EXPORT sylvo-targets NAMESPACE sylvo:: DESTINATION "${cmakedir}" COMPONENT development)
  configure_package_config_file(cmake/sylvo-config.cmake.in "${PROJECT_BINARY_DIR}/sylvo-config.cmake"
    INSTALL_DESTINATION "${cmakedir}")
  write_basic_package_version_file("${PROJECT_BINARY_DIR}/sylvo-config-version.cmake"
    COMPATIBILITY SameMajorVersion)
  # A C program linking the static library also needs the C++ runtime.
  set(SYLVO_PC_LIBS "")
  if(NOT BUILD_SHARED_LIBS)
    set(SYLVO_PC_LIBS -lstdc++)
  endif()
  file(RELATIVE_PATH SYLVO_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
  configure_file(cmake/sylvo.pc.in "${PROJECT_BINARY_DIR}/sylvo.pc" @ONLY)
  install(FILES "${PROJECT_BINARY_DIR}/sylvo-config.cmake" "${PROJECT_BINARY_DIR}/sylvo-config-version.cmake"
    DESTINATION "${cmakedir}" COMPONENT development)
  install(FILES "${PROJECT_BINARY_DIR}/sylvo.pc" DESTINATION "${CMAKE_INSTALL_LIBDIR}/pkgconfig"
    COMPONENT development)
endif()

set(CPACK_PACKAGE_NAME sylvo)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}-${SYLVO_PRERELEASE}")
set(CPACK_PACKAGE_VENDOR "the sylvo authors")
# Where reports go, as the README says: the packages' Maintainer.
set(SYLVO_CONTACT "sylvo maintainers <bugs@sylvo.dev>" CACHE STRING "The packages' maintainer")
set(CPACK_PACKAGE_CONTACT "${SYLVO_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_SYSTEM_NAME linux-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_DEBIAN_PACKAGE_VERSION "${PROJECT_VERSION}~${SYLVO_PRERELEASE}")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL runtime development)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME sylvo)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libsylvo-dev)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DESCRIPTION "sylvo's conversion as a C library: lyric syllables in MML to sung runs
The header sylvo.h and the static library libsylvo.a, with files for
pkg-config and CMake, for programs that convert MML in-process.")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "sylvo converts music macro language (MML) files in which lyric syllables
are written into the notes, such as (KA)c8. Every syllable becomes the run
of instrument selections, sub-notes and waits that makes a sound chip sing
it; everything else is copied byte for byte.")
  # Debian's own rules for the .deb alone: a compressed manual page, a
  # copyright file and a changelog.
  set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/debian.cmake")
  set(CPACK_SYLVO_CHANGELOG_DATE "Wed, 09 Dec 2026 00:00:00 +0000")
endif()
include(CPack)
