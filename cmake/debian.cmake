# Run by cpack after it has staged the files of the packages: for each .deb,
# what Debian's policy asks of a package beyond the program's own files (a
# compressed manual page, a copyright file and a changelog in its own
# /usr/share/doc folder). Each package is staged in a folder of its own,
# named after its component.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

file(READ "${CPACK_RESOURCE_FILE_LICENSE}" license)
string(REGEX REPLACE "\n\n" "\n.\n" license "${license}")
string(REGEX REPLACE "\n" "\n " license "${license}")
string(REGEX REPLACE "\n $" "\n" license "${license}")

foreach(component runtime library development python)
  string(TOUPPER "${component}" upper)
  set(package "${CPACK_DEBIAN_${upper}_PACKAGE_NAME}")
  set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/${component}/usr/share")
  set(doc "${root}/doc/${package}")
  file(GLOB pages "${root}/man/man1/*.1" "${root}/man/*/man1/*.1")
  foreach(page ${pages})
    execute_process(COMMAND gzip -9n "${page}" COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  file(WRITE "${doc}/copyright"
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: sylvo

Files: *
Copyright: 2026 the sylvo authors
License: Expat
 ${license}")
  file(WRITE "${doc}/changelog"
"${package} (${CPACK_DEBIAN_PACKAGE_VERSION}) unstable; urgency=medium

  * Packaged with cpack.

 -- ${CPACK_PACKAGE_CONTACT}  ${CPACK_SYLVO_CHANGELOG_DATE}
")
  execute_process(COMMAND gzip -9n "${doc}/changelog" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
