# The Debian packages, made by CPack's DEB generator from one build
# (scripts/package runs it), laid out for the prefix /usr, with the
# dependencies that dpkg-shlibdeps finds in the programs:
#   morvane-cli_<version>-<revision>_<arch>.deb  the command-line tool and its
#       manual page, needing only the C and C++ runtime;
#   morvane_<version>-<revision>_<arch>.deb      the encoder and decoder
#       windows with their desktop entries, icons, file types, metainfo,
#       manual pages and default settings, needing Qt.
# Each holds its copyright file and changelogs in /usr/share/doc/<package>.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The Debian revision: a rebuilt package of the same sources upgrades an
# installed one when this grows.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(morvane_deb_version ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(CPACK_PACKAGE_CONTACT "Morvane <author@morvane.example>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://morvane.example")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)
set(CPACK_COMPONENTS_ALL cli cli-doc gui gui-doc)

set(morvane_about
  "Morvane turns a plain text into a code of decimal digits with a key file of
226 rows of 35 four-digit numbers, one row for every character, drawing one
of the row's numbers at random for each character.

This is a classical cipher, broken by known statistical methods given enough
text: use it for puzzles, teaching and exchanging codes, not for secrets.")

set(CPACK_DEBIAN_CLI_PACKAGE_NAME morvane-cli)
set(CPACK_DEBIAN_CLI_DESCRIPTION
  "homophonic substitution cipher, command-line tool
${morvane_about}

This package holds morvane-cli, which creates keys, encodes and decodes texts
from the command line, without a window system.")

set(CPACK_DEBIAN_GUI_PACKAGE_NAME morvane)
set(CPACK_DEBIAN_GUI_DESCRIPTION
  "homophonic substitution cipher, encoder and decoder windows
${morvane_about}

This package holds the encoder morvane and the decoder morvanedecoder, with
their desktop entries, icon, file types and manual pages.")
# Qt's libraries only recommend the platform plugins, without which no window
# opens. The command-line tool is a separate, Qt-free package.
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_GUI_PACKAGE_RECOMMENDS "morvane-cli (= ${morvane_deb_version})")
# dpkg keeps an administrator's changes to the default settings file.
file(WRITE ${PROJECT_BINARY_DIR}/debian/conffiles "/etc/xdg/morvane/settings.reg\n")
set(CPACK_DEBIAN_GUI_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Install with DESTDIR and the prefix /usr, so that the rules see the real
# prefix: the default settings file then goes to /etc/xdg/morvane.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

# The package's documents, installed only into the packages (their components
# are left out of a plain "cmake --install"): the machine-readable copyright
# file, the program's changelog and the package's own, dated by
# SOURCE_DATE_EPOCH (scripts/package sets it from the last commit), and the
# lintian overrides.
string(TIMESTAMP morvane_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
foreach(group cli gui)
  string(TOUPPER ${group} GROUP)
  set(package ${CPACK_DEBIAN_${GROUP}_PACKAGE_NAME})
  set(doc ${PROJECT_BINARY_DIR}/debian/${package})
  set(version ${morvane_deb_version})
  set(date ${morvane_date})
  configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.Debian.in ${doc}/changelog.Debian @ONLY)
  morvane_gzip(${doc}/changelog.Debian ${doc}/changelog.Debian.gz)
  morvane_gzip(${PROJECT_SOURCE_DIR}/packaging/debian/changelog ${doc}/changelog.gz)
  # The lintian tags that stay, each with its reason in the source file.
  configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/lintian-overrides.in ${doc}/lintian/${package} @ONLY)
  install(FILES ${doc}/lintian/${package} DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
          COMPONENT ${group}-doc EXCLUDE_FROM_ALL)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${doc}/changelog.Debian.gz ${doc}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${group}-doc EXCLUDE_FROM_ALL)
endforeach()

include(CPack)
cpack_add_component_group(cli)
cpack_add_component_group(gui)
cpack_add_component(cli GROUP cli)
cpack_add_component(cli-doc GROUP cli)
cpack_add_component(gui GROUP gui)
cpack_add_component(gui-doc GROUP gui)

