# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package, made by CPack from the install rules: `cpack -G DEB` in a build folder
# writes vaultkeep-orb_<version>_<arch>.deb. The package's library dependencies are computed
# by dpkg-shlibdeps; the file manager, menu and icon caches pick the new files up through
# the triggers of shared-mime-info, desktop-file-utils and the icon theme, so the package
# needs no maintainer scripts.
include(GNUInstallDirs)

set(VKO_PACKAGE_CONTACT "Vaultkeep Software <support@example.org>")
set(doc_folder ${CMAKE_INSTALL_DATADIR}/doc/vaultkeep-orb)

# The Debian changelog and the AppStream release notes, both made from CHANGELOG.md.
include(${PROJECT_SOURCE_DIR}/cmake/ReleaseNotes.cmake)
find_program(GZIP_EXECUTABLE gzip REQUIRED)
vko_release_notes(${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_BINARY_DIR}/packaging/changelog
                  VKO_APPSTREAM_RELEASES)
# The changelog goes into /usr/share/doc compressed; the README stays readable beside its
# pictures.
foreach(document IN ITEMS packaging/changelog)
  get_filename_component(name ${document} NAME)
  set(source ${PROJECT_SOURCE_DIR}/${document})
  if(document STREQUAL packaging/changelog)
    set(source ${PROJECT_BINARY_DIR}/${document})
  endif()
  set(packed ${PROJECT_BINARY_DIR}/packaging/${name}.gz)
  add_custom_command(
    OUTPUT ${packed}
    COMMAND ${GZIP_EXECUTABLE} -9nc ${source} > ${packed}
    DEPENDS ${source})
  list(APPEND packed_documents ${packed})
endforeach()
add_custom_target(package_documents ALL DEPENDS ${packed_documents})
install(FILES ${packed_documents} ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${doc_folder})
# The README with its pictures: the documentation the About window links to.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${doc_folder})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${doc_folder}/docs FILES_MATCHING
        PATTERN "*.png" PATTERN "*.md")

if(VKO_BUILD_GUI)
  set(metainfo ${PROJECT_BINARY_DIR}/packaging/org.example.vaultkeep_orb.metainfo.xml)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/metainfo.xml.in ${metainfo} @ONLY)
  install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vaultkeep-orb)
set(CPACK_PACKAGE_VENDOR "Vaultkeep Software")
set(CPACK_PACKAGE_CONTACT "${VKO_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pack folders into password-encrypted boxes")
# Lines end where the package manager should break them (at most 80 columns).
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Vaultkeep Orb packs a whole folder tree into one password-encrypted file,\n"
       "a box (.vkx), shows what a box holds, and unpacks it again, whole or file by\n"
       "file.\n"
       "\n"
       "This package holds the desktop program, with a menu entry and a file type\n"
       "that opens boxes from the file manager, and vkx, the same box engine on the\n"
       "command line for scripts.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY vaultkeep-orb)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.example.org/")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# OpenSSL's libcrypto (AES of the box cipher) is named here as well as found by dpkg-shlibdeps:
# the package must bring it whether or not the linker kept it for a given build.
# vkx mount and Open as Folder need fusermount3 at run time, which no library dependency brings.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libssl3, fuse3")
if(VKO_BUILD_GUI)
  # Qt loads its display plugins at run time, so dpkg-shlibdeps cannot see them; the password
  # strength estimate needs zxcvbn (found by dpkg-shlibdeps too, named here so it is never lost).
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", qt6-qpa-plugins, libzxcvbn0")
endif()

include(CPack)
