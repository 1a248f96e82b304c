# What `cmake --install` puts where, and the packages cpack makes of it:
# a .tar.gz and four .deb on Linux (sylvo, the programs; libsylvo2, the
# shared library; libsylvo-dev, what other programs build with;
# python3-sylvo, the Python client), a .zip on Windows (the MinGW build,
# with sylvo.dll).
include(CMakePackageConfigHelpers)
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME runtime)

# The Python package, with the place of the shared library written beside
# it relative to its own folder, so that it finds the library wherever the
# install is unpacked, with no environment variable.
function(sylvo_install_python package_dir library)
  file(RELATIVE_PATH to_library "/prefix/${package_dir}" "/prefix/${library}")
  file(WRITE "${PROJECT_BINARY_DIR}/python/_library.py"
    "# Written by the install: where the shared library is, from this folder.\n"
    "RELATIVE_PATH = \"${to_library}\"\n")
  install(FILES bindings/python/sylvo/__init__.py "${PROJECT_BINARY_DIR}/python/_library.py"
    DESTINATION "${package_dir}" COMPONENT python)
endfunction()

if(WIN32)
  # Everything at the top of the .zip; the texts with CR LF line ends.
  foreach(text README.md LICENSE)
    file(READ "${PROJECT_SOURCE_DIR}/${text}" content)
    string(REPLACE "\n" "\r\n" content "${content}")
    get_filename_component(stem "${text}" NAME_WE)
    file(WRITE "${PROJECT_BINARY_DIR}/crlf/${stem}.txt" "${content}")
  endforeach()
  install(TARGETS sylvo sylvo-check sylvo-lyrics RUNTIME DESTINATION .)
  if(TARGET sylvo-lsp)
    install(TARGETS sylvo-lsp RUNTIME DESTINATION .)
  endif()
  install(FILES "${PROJECT_BINARY_DIR}/crlf/README.txt" "${PROJECT_BINARY_DIR}/crlf/LICENSE.txt"
                "${PROJECT_SOURCE_DIR}/examples/song.mml" DESTINATION .)
  install(FILES docs/syllables.md docs/lyrics.md docs/embedding.md docs/editors.md DESTINATION docs)
  install(FILES docs/ja/lyrics.md docs/ja/editors.md DESTINATION docs/ja)
  install(DIRECTORY editors/ DESTINATION editors)
  # The library for other programs: sylvo.dll, its import library, the header.
  install(TARGETS libsylvo_shared RUNTIME DESTINATION . ARCHIVE DESTINATION lib)
  install(FILES include/sylvo.h "${PROJECT_BINARY_DIR}/include/sylvo_version.h" DESTINATION include)
  sylvo_install_python(python/sylvo sylvo.dll)
else()
  # The manual page's SYLLABLES section is printed from the syllable table.
  file(READ docs/syllables.man SYLVO_SYLLABLES)
  configure_file(docs/sylvo.1.in "${PROJECT_BINARY_DIR}/sylvo.1" @ONLY)
  configure_file(docs/sylvo-check.1.in "${PROJECT_BINARY_DIR}/sylvo-check.1" @ONLY)
  configure_file(docs/sylvo-lsp.1.in "${PROJECT_BINARY_DIR}/sylvo-lsp.1" @ONLY)
  configure_file(docs/ja/sylvo-check.1.in "${PROJECT_BINARY_DIR}/ja/sylvo-check.1" @ONLY)
  configure_file(docs/sylvo-lyrics.1.in "${PROJECT_BINARY_DIR}/sylvo-lyrics.1" @ONLY)
  configure_file(docs/ja/sylvo-lyrics.1.in "${PROJECT_BINARY_DIR}/ja/sylvo-lyrics.1" @ONLY)
  configure_file(docs/ja/sylvo-lsp.1.in "${PROJECT_BINARY_DIR}/ja/sylvo-lsp.1" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS docs/syllables.man)
  install(TARGETS sylvo sylvo-check sylvo-lyrics RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  install(FILES "${PROJECT_BINARY_DIR}/sylvo-check.1" "${PROJECT_BINARY_DIR}/sylvo-lyrics.1"
    DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
  # The Japanese pages, where man looks for them in a Japanese locale.
  install(FILES "${PROJECT_BINARY_DIR}/ja/sylvo-check.1" "${PROJECT_BINARY_DIR}/ja/sylvo-lyrics.1"
    DESTINATION "${CMAKE_INSTALL_MANDIR}/ja/man1")
  if(TARGET sylvo-lsp)
    install(TARGETS sylvo-lsp RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
    install(FILES "${PROJECT_BINARY_DIR}/sylvo-lsp.1" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
    install(FILES "${PROJECT_BINARY_DIR}/ja/sylvo-lsp.1" DESTINATION "${CMAKE_INSTALL_MANDIR}/ja/man1")
  endif()
  # sylvo.1, English and Japanese, names where its documents are: the
  # prefix of this install, which for a package is not the one configured.
  configure_file(docs/ja/sylvo.1.in "${PROJECT_BINARY_DIR}/ja/sylvo.1" @ONLY)
  foreach(page "man1/sylvo.1:sylvo.1" "ja/man1/sylvo.1:ja/sylvo.1")
    string(REPLACE ":" ";" page "${page}")
    list(GET page 0 to)
    list(GET page 1 from)
    install(CODE "
      set(page \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/${to}\")
      string(REGEX REPLACE \"^/+\" \"/\" docdir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DOCDIR}\")
      string(REGEX REPLACE \"//+\" \"/\" docdir \"\${docdir}\")
      if(docdir MATCHES \"/_CPack_Packages/[^/]+/TGZ/\")  # the .tar.gz, unpacked anywhere
        set(docdir \"${CMAKE_INSTALL_DOCDIR} beside bin/sylvo\")
      endif()
      file(READ \"${PROJECT_BINARY_DIR}/${from}\" text)
      string(REPLACE \"${CMAKE_INSTALL_FULL_DOCDIR}\" \"\${docdir}\" text \"\${text}\")
      message(STATUS \"Installing: \${page}\")
      file(WRITE \"\${page}\" \"\${text}\")")
  endforeach()
  install(FILES README.md README.ja.md CHANGELOG.md CONTRIBUTING.md LICENSE examples/song.mml
    DESTINATION "${CMAKE_INSTALL_DOCDIR}")
  # Every document the README links to, and the picture of the page.
  install(FILES docs/syllables.md docs/lyrics.md docs/embedding.md docs/editors.md docs/web.md
    docs/web.png DESTINATION "${CMAKE_INSTALL_DOCDIR}/docs")
  install(FILES docs/ja/lyrics.md docs/ja/editors.md docs/ja/web.md
    DESTINATION "${CMAKE_INSTALL_DOCDIR}/docs/ja")
  # The set-up for editors (docs/editors.md); and the MML file type where
  # Kate and KWrite look for one, so that their LSP client finds *.mml.
  install(DIRECTORY editors/ DESTINATION "${CMAKE_INSTALL_DOCDIR}/editors")
  install(FILES editors/kate/mml.xml DESTINATION "${CMAKE_INSTALL_DATADIR}/org.kde.syntax-highlighting/syntax")

  # The library, its header, and how pkg-config and CMake find them.
  set(cmakedir "${CMAKE_INSTALL_LIBDIR}/cmake/sylvo")
  # The shared library alone is the runtime package libsylvo2; its .so link
  # goes with the rest to libsylvo-dev, as Debian lays libraries out.
  install(TARGETS libsylvo libsylvo_shared EXPORT sylvo-targets
    ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT development
    LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT library NAMELINK_COMPONENT development
    PUBLIC_HEADER DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}" COMPONENT development)
  install(EXPORT sylvo-targets NAMESPACE sylvo:: DESTINATION "${cmakedir}" COMPONENT development)
  configure_package_config_file(cmake/sylvo-config.cmake.in "${PROJECT_BINARY_DIR}/sylvo-config.cmake"
    INSTALL_DESTINATION "${cmakedir}")
  write_basic_package_version_file("${PROJECT_BINARY_DIR}/sylvo-config-version.cmake"
    COMPATIBILITY SameMajorVersion)
  file(RELATIVE_PATH SYLVO_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
  configure_file(cmake/sylvo.pc.in "${PROJECT_BINARY_DIR}/sylvo.pc" @ONLY)
  install(FILES "${PROJECT_BINARY_DIR}/sylvo-config.cmake" "${PROJECT_BINARY_DIR}/sylvo-config-version.cmake"
    DESTINATION "${cmakedir}" COMPONENT development)
  install(FILES "${PROJECT_BINARY_DIR}/sylvo.pc" DESTINATION "${CMAKE_INSTALL_LIBDIR}/pkgconfig"
    COMPONENT development)

  # Where Debian's Python 3 looks for packages under /usr.
  set(SYLVO_PYTHON_DIR "lib/python3/dist-packages" CACHE STRING
    "Where the Python package goes, relative to the install prefix")
  sylvo_install_python("${SYLVO_PYTHON_DIR}/sylvo"
    "${CMAKE_INSTALL_LIBDIR}/libsylvo.so.${PROJECT_VERSION_MAJOR}")
endif()

set(CPACK_PACKAGE_NAME sylvo)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}-${SYLVO_PRERELEASE}")
set(CPACK_PACKAGE_VENDOR "the sylvo authors")
# The packages' Maintainer: whoever builds them for a distribution sets
# it to their own name and address (-DSYLVO_CONTACT="Name <address>").
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
  set(CPACK_COMPONENTS_ALL runtime library development python)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME sylvo)
  if(SYLVO_MECAB_LIBRARY)
    # sylvo-lyrics reads kanji with the IPA dictionary in UTF-8; libmecab2
    # comes from the shared libraries it links.
    set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "mecab-ipadic-utf8")
  endif()
  set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libsylvo${PROJECT_VERSION_MAJOR})
  set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  # The dynamic linker's cache is made anew when the library comes or goes.
  set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA "${PROJECT_SOURCE_DIR}/cmake/debian/triggers")
  set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_DEBIAN_LIBRARY_DESCRIPTION "The shared library libsylvo.so.${PROJECT_VERSION_MAJOR}, for programs that convert MML in-process:
MML editors, language servers, and other languages through their foreign
function interfaces.")
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libsylvo-dev)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "libsylvo${PROJECT_VERSION_MAJOR} (= ${PROJECT_VERSION}~${SYLVO_PRERELEASE})")
  set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "The header sylvo.h, the static library libsylvo.a and the link to the
shared one, with files for pkg-config and CMake, for programs that convert
MML in-process.")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-sylvo)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS OFF)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "python3:any, libsylvo${PROJECT_VERSION_MAJOR} (>= ${PROJECT_VERSION}~${SYLVO_PRERELEASE})")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_RECOMMENDS "sylvo")  # sylvo-lyrics, which reads lyrics as sung
  set(CPACK_DEBIAN_PYTHON_DESCRIPTION "The Python 3 module sylvo, a client of the shared library libsylvo through
ctypes: convert and check MML songs, split lyrics in kana or romaji into
syllable keys and fit them onto notes.")
  # Each package's Description: the summary above, then its own text.
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
