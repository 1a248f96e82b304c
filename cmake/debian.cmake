# Run by cpack after it has staged the files of a package: for the .deb,
# what Debian's policy asks of a package beyond the program's own files.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/share")
set(doc "${root}/doc/sylvo")
execute_process(COMMAND gzip -9n "${root}/man/man1/sylvo.1" COMMAND_ERROR_IS_FATAL ANY)

file(READ "${CPACK_RESOURCE_FILE_LICENSE}" license)
string(REGEX REPLACE "\n\n" "\n.\n" license "${license}")
string(REGEX REPLACE "\n" "\n " license "${license}")
string(REGEX REPLACE "\n $" "\n" license "${license}")
file(WRITE "${doc}/copyright"
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: sylvo

Files: *
Copyright: 2026 the sylvo authors
License: Expat
 ${license}")

file(WRITE "${doc}/changelog"
"sylvo (${CPACK_DEBIAN_PACKAGE_VERSION}) unstable; urgency=medium

  * Packaged with cpack.

 -- ${CPACK_PACKAGE_CONTACT}  ${CPACK_SYLVO_CHANGELOG_DATE}
")
execute_process(COMMAND gzip -9n "${doc}/changelog" COMMAND_ERROR_IS_FATAL ANY)
