# What "cmake --install" puts where, and the packages CPack makes of it: a
# Debian package on Linux, a zip archive in the Windows cross build. Only the
# program and its documents are installed; the tests, the sample writer and
# GoogleTest stay in the build tree.
include(GNUInstallDirs)

# Copies a text file with CRLF line ends, which every Windows editor shows as
# lines; read anew whenever the source changes.
function(partsweep_copy_as_windows_text source target)
  file(READ "${source}" text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE "${target}" "${text}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
endfunction()

if(WIN32)
  # One flat folder to unzip anywhere: the program with its documents beside
  # it, as .txt files that open in Notepad on a double click.
  set(windows_text ${PROJECT_BINARY_DIR}/windows-text)
  partsweep_copy_as_windows_text(${PROJECT_SOURCE_DIR}/README.md ${windows_text}/README.txt)
  partsweep_copy_as_windows_text(${PROJECT_SOURCE_DIR}/LICENSE ${windows_text}/LICENSE.txt)
  # The static runtime brings winpthreads, whose licence asks for its notice.
  partsweep_copy_as_windows_text(${PROJECT_SOURCE_DIR}/docs/third-party-windows.txt
                                 ${windows_text}/THIRD-PARTY.txt)
  install(TARGETS partsweep RUNTIME DESTINATION .)
  install(FILES ${windows_text}/README.txt ${windows_text}/LICENSE.txt
                ${windows_text}/THIRD-PARTY.txt DESTINATION .)
else()
  install(TARGETS partsweep RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES docs/partsweep.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(PARTSWEEP_MAINTAINER
  "The partsweep developers <maintainers@users.noreply.c-seed-aa07be61.example>"
  CACHE STRING "Name and address of the packages' maintainer")

set(CPACK_PACKAGE_NAME partsweep)
set(CPACK_PACKAGE_VENDOR "The partsweep developers")
set(CPACK_PACKAGE_CONTACT "${PARTSWEEP_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
  "partsweep works on the unfinished downloads of the eMule and aMule peer-to-peer
clients: a data file X.part and its metadata file X.part.met, which lists the
gaps, the byte ranges not yet downloaded. It lists the gaps of a download and
gives their disk space back, makes a download look complete to the client, or
checks every part against its MD4 hash and turns corrupt parts into gaps again.
It never changes a byte of downloaded data, and it keeps the old metadata file
as a backup before it writes a new one.")
set(CPACK_STRIP_FILES ON)
# The same modes whatever the umask of whoever builds the package.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
  # partsweep-1.4.0-win64.zip with the files at its top, no folder around them.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  # partsweep_1.4.0_amd64.deb, its library dependencies found by dpkg-shlibdeps
  # (package dpkg-dev, which needs the file command).
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # libcrypto is loaded at run time, so dpkg-shlibdeps cannot see it.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libssl3 | libssl3t64")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

include(CPack)
