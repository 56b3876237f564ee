# Install rules, laid out by GNUInstallDirs: the programs in bin (rules beside
# each program), and here the desktop entries, icons, file types, AppStream
# metainfo, the manual page and the system's default settings file. Only what
# this build makes is installed: the window programs' files need their
# targets, which MORVANE_CORE_ONLY and the Windows cross build leave out.

set(res ${PROJECT_SOURCE_DIR}/resources)

if(TARGET morvane AND NOT WIN32)
  install(FILES ${res}/morvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size 16 32 48 256)
    install(FILES ${res}/morvane-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME morvane.png)
  endforeach()
  install(FILES ${res}/morvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${res}/morvane-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME morvane.xml)
  install(FILES ${res}/example.morvane.morvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
if(TARGET morvanedecoder AND NOT WIN32)
  install(FILES ${res}/morvanedecoder.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()

if(TARGET morvane-cli AND NOT WIN32)
  # The page with the project's version, compressed as Debian wants manual
  # pages: gzip -9n, without name or time stamp.
  configure_file(${PROJECT_SOURCE_DIR}/docs/morvane-cli.1.in ${PROJECT_BINARY_DIR}/morvane-cli.1 @ONLY)
  set(man ${PROJECT_BINARY_DIR}/morvane-cli.1.gz)
  add_custom_command(OUTPUT ${man}
    COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/morvane-cli.1 > ${man}
    DEPENDS ${PROJECT_BINARY_DIR}/morvane-cli.1 VERBATIM)
  add_custom_target(morvane-cli-manual ALL DEPENDS ${man})
  install(FILES ${man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

if(TARGET morvane AND NOT WIN32)
  # Written at install time: its InstallPath depends on the prefix of
  # "cmake --install --prefix".
  install(CODE "
    set(morvane_bindir [[${CMAKE_INSTALL_BINDIR}]])
    set(morvane_sysconfdir [[${CMAKE_INSTALL_SYSCONFDIR}]])
    set(morvane_template [[${res}/settings.reg.in]])
    set(morvane_staging [[${PROJECT_BINARY_DIR}/settings-default]])")
  install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/install-settings.cmake)
endif()

if(WIN32 AND TARGET morvane)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
  # Qt is linked into the programs: its licence texts, and where its exact
  # source comes from (scripts/windows-qt keeps them beside the build).
  set(qt_source ${QT6_INSTALL_PREFIX}/source)
  if(EXISTS ${qt_source}/VERSION)
    file(READ ${qt_source}/VERSION QT_DEBIAN_VERSION)
    string(REGEX REPLACE "^qt6-base ([^\n]*)\n?$" "\\1" QT_DEBIAN_VERSION "${QT_DEBIAN_VERSION}")
    file(GLOB qt_patches RELATIVE ${PROJECT_SOURCE_DIR}/cmake/qt-patches ${PROJECT_SOURCE_DIR}/cmake/qt-patches/*.patch)
    set(QT_PATCHES none)
    if(qt_patches)
      string(JOIN ", " QT_PATCHES ${qt_patches})
    endif()
    set(QT_VERSION ${Qt6_VERSION})
    configure_file(${res}/windows/qt-notice.txt.in ${PROJECT_BINARY_DIR}/qt-notice.txt @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/qt-notice.txt DESTINATION licenses/Qt RENAME README.txt)
    install(FILES ${qt_source}/debian-copyright DESTINATION licenses/Qt RENAME debian-copyright.txt)
    file(GLOB qt_dsc ${qt_source}/*.dsc)
    install(FILES ${qt_dsc} DESTINATION licenses/Qt)
    install(DIRECTORY ${qt_source}/LICENSES/ DESTINATION licenses/Qt)
  endif()
endif()
