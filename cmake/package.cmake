# The Debian package, made by CPack's DEB generator (scripts/package runs it):
# morvane_<version>_<arch>.deb, laid out for the prefix /usr, with the
# dependencies that dpkg-shlibdeps finds in the programs.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Morvane <author@morvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "encoder and decoder for a homophonic substitution cipher")
set(CPACK_PACKAGE_DESCRIPTION
  "Morvane turns a plain text into a code of decimal digits with a key file of
226 rows of 35 four-digit numbers, one row for every character, drawing one
of the row's numbers at random for each character. The package holds the
encoder morvane, the decoder morvanedecoder and the command-line tool
morvane-cli, with their desktop entries, icon, file types and manual page.

This is a classical cipher, broken by known statistical methods given enough
text: use it for puzzles, teaching and exchanging codes, not for secrets.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://morvane.example")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's libraries only recommend the platform plugins, without which no window
# opens.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_STRIP_FILES ON)

# Install with DESTDIR and the prefix /usr, so that the rules see the real
# prefix: the default settings file then goes to /etc/xdg/morvane, and dpkg
# keeps an administrator's changes to it as a configuration file.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
file(WRITE ${PROJECT_BINARY_DIR}/debian/conffiles "/etc/xdg/morvane/settings.reg\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
