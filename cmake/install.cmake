# Install rules, laid out by GNUInstallDirs: the programs in bin (rules beside
# each program), and here the desktop entries, icons, file types, AppStream
# metainfo, the manual page and the system's default settings file. Only what
# this build makes is installed: the window programs' files need their
# targets, which MORVANE_CORE_ONLY and the Windows cross build leave out.

set(res ${PROJECT_SOURCE_DIR}/resources)

# Everything that is not the command-line tool belongs to the window programs
# (the component "gui"; morvane-cli and its page are "cli").
if(TARGET morvane AND NOT WIN32)
  install(FILES ${res}/morvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT gui)
  foreach(size 16 32 48 256)
    install(FILES ${res}/morvane-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME morvane.png COMPONENT gui)
  endforeach()
  install(FILES ${res}/morvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT gui)
  install(FILES ${res}/morvane-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME morvane.xml
          COMPONENT gui)
  install(FILES ${res}/example.morvane.morvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
          COMPONENT gui)
endif()
if(TARGET morvanedecoder AND NOT WIN32)
  install(FILES ${res}/morvanedecoder.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT gui)
endif()

# A file compressed as Debian wants manual pages and changelogs: gzip -9n,
# without name or time stamp, made by the build.
function(morvane_gzip source output)
  add_custom_command(OUTPUT ${output} COMMAND gzip -9nc ${source} > ${output} DEPENDS ${source} VERBATIM)
  file(RELATIVE_PATH name ${PROJECT_BINARY_DIR} ${output})
  string(MAKE_C_IDENTIFIER ${name} target)
  add_custom_target(gzip-${target} ALL DEPENDS ${output})
endfunction()

# Each program's manual page, with the project's version.
if(NOT WIN32)
  foreach(program morvane-cli:cli morvane:gui morvanedecoder:gui)
    string(REPLACE ":" ";" program ${program})
    list(GET program 1 component)
    list(GET program 0 program)
    if(TARGET ${program})
      configure_file(${PROJECT_SOURCE_DIR}/docs/${program}.1.in ${PROJECT_BINARY_DIR}/man/${program}.1 @ONLY)
      morvane_gzip(${PROJECT_BINARY_DIR}/man/${program}.1 ${PROJECT_BINARY_DIR}/man/${program}.1.gz)
      install(FILES ${PROJECT_BINARY_DIR}/man/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
              COMPONENT ${component})
    endif()
  endforeach()
endif()

if(TARGET morvane AND NOT WIN32)
  # Written at install time: its InstallPath depends on the prefix of
  # "cmake --install --prefix".
  install(CODE "
    set(morvane_bindir [[${CMAKE_INSTALL_BINDIR}]])
    set(morvane_sysconfdir [[${CMAKE_INSTALL_SYSCONFDIR}]])
    set(morvane_template [[${res}/settings.reg.in]])
    set(morvane_staging [[${PROJECT_BINARY_DIR}/settings-default]])" COMPONENT gui)
  install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/install-settings.cmake COMPONENT gui)
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
