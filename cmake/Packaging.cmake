# The Debian package, made by CPack from the install rules: `cpack -G DEB` in a build folder
# writes vaultkeep-orb_<version>_<arch>.deb. The package's library dependencies are computed
# by dpkg-shlibdeps; the file manager, menu and icon caches pick the new files up through
# the triggers of shared-mime-info, desktop-file-utils and the icon theme, so the package
# needs no maintainer scripts.
include(GNUInstallDirs)

set(VKO_PACKAGE_CONTACT "Vaultkeep Software <support@example.org>")
set(doc_folder ${CMAKE_INSTALL_DATADIR}/doc/vaultkeep-orb)

# The Debian changelog of a package built from these sources: one entry for this version,
# dated by SOURCE_DATE_EPOCH when it is set (else today), so that a rebuild gives the same
# package.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
string(TIMESTAMP VKO_PACKAGE_DATE "%a, %d %b %Y 00:00:00 +0000" UTC)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog
               @ONLY)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  COMMAND ${GZIP_EXECUTABLE} -9nkf ${PROJECT_BINARY_DIR}/packaging/changelog
  DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${doc_folder})

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
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libssl3")
if(VKO_BUILD_GUI)
  # Qt loads its display plugins at run time, so dpkg-shlibdeps cannot see them.
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", qt6-qpa-plugins")
endif()

include(CPack)
