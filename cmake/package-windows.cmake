# The Windows installer, made by CPack's NSIS generator (Debian's nsis
# package has makensis; scripts/package-windows runs it):
# morvane-<version>-win64-setup.exe. It installs the three programs into
# Program Files with Start-menu entries for the encoder and the decoder,
# writes the settings key the encoder needs, registers the .etx and .key
# file types, and has an uninstaller that removes all of it but the user's
# settings key. It runs silently with /S.

set(CPACK_GENERATOR NSIS)
# The NSIS commands below hold quotes and backslashes: passed on as written.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME Morvane)
set(CPACK_PACKAGE_VENDOR "the Morvane developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME morvane-${PROJECT_VERSION}-win64-setup)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Encoder and decoder for a homophonic substitution cipher")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Morvane)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Morvane)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_EXECUTABLES morvane "Morvane Encoder" morvanedecoder "Morvane Decoder")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME "Morvane ${PROJECT_VERSION}")
set(CPACK_NSIS_DISPLAY_NAME Morvane)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/morvane.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/morvane.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME morvane.exe)
set(CPACK_NSIS_URL_INFO_ABOUT "https://morvane.example")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_MODIFY_PATH OFF)
# A 64-bit installer for 64-bit programs: it writes the 64-bit registry
# views, and needs no 32-bit layer of Windows (or of Wine).
set(CPACK_NSIS_DEFINES "Target amd64-unicode")

# The settings key of the current user. InstallPath always names this
# installation; the window position is set to "-1" (centred) only where the
# user has none, so that a reinstall keeps it.
string(CONCAT CPACK_NSIS_EXTRA_INSTALL_COMMANDS [[
  WriteRegStr HKCU "software\morvane" "InstallPath" "$INSTDIR"
  ClearErrors
  ReadRegStr $0 HKCU "software\morvane" "LastTopPos"
  IfErrors 0 +2
  WriteRegStr HKCU "software\morvane" "LastTopPos" "-1"
  ClearErrors
  ReadRegStr $0 HKCU "software\morvane" "LastLeftPos"
  IfErrors 0 +2
  WriteRegStr HKCU "software\morvane" "LastLeftPos" "-1"
  WriteRegStr HKLM "Software\Classes\.etx" "" "Morvane.Code"
  WriteRegStr HKLM "Software\Classes\Morvane.Code" "" "Morvane code"
  WriteRegStr HKLM "Software\Classes\Morvane.Code\DefaultIcon" "" "$INSTDIR\morvanedecoder.exe,0"
  WriteRegStr HKLM "Software\Classes\Morvane.Code\shell\open\command" "" '"$INSTDIR\morvanedecoder.exe" "%1"'
  WriteRegStr HKLM "Software\Classes\.key\OpenWithProgids" "Morvane.Key" ""
  WriteRegStr HKLM "Software\Classes\Morvane.Key" "" "Morvane key file"
  WriteRegStr HKLM "Software\Classes\Morvane.Key\DefaultIcon" "" "$INSTDIR\morvane.exe,0"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
]])
# .etx goes back to no type only while it is still ours; .key keeps whatever
# else claims it (Morvane is only one of the programs offered for it). The
# settings key stays: it is the user's.
string(CONCAT CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS [[
  ReadRegStr $0 HKLM "Software\Classes\.etx" ""
  StrCmp $0 "Morvane.Code" 0 +2
  DeleteRegKey HKLM "Software\Classes\.etx"
  DeleteRegValue HKLM "Software\Classes\.key\OpenWithProgids" "Morvane.Key"
  DeleteRegKey /ifempty HKLM "Software\Classes\.key\OpenWithProgids"
  DeleteRegKey /ifempty HKLM "Software\Classes\.key"
  DeleteRegKey HKLM "Software\Classes\Morvane.Code"
  DeleteRegKey HKLM "Software\Classes\Morvane.Key"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
]])

# One installer with everything: the install rules' components (the CLI and
# the windows) only split the Debian packages.
set(CPACK_MONOLITHIC_INSTALL ON)
include(CPack)
