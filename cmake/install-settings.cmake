# Run by "cmake --install" (and CPack): writes the system's default settings
# file, whose InstallPath is the folder the programs go to, at the install
# prefix of this run. It goes to SYSCONFDIR/xdg/morvane: /etc/xdg/morvane
# for the prefix /usr (as GNUInstallDirs places it), PREFIX/etc/xdg/morvane
# otherwise. The settings store copies it for a user who has no settings.
#
# Set by the install rule before this script: morvane_bindir,
# morvane_sysconfdir (as configured, maybe relative), morvane_template,
# morvane_staging (a folder of the build tree).

if(IS_ABSOLUTE "${morvane_bindir}")
  set(bindir "${morvane_bindir}")
else()
  set(bindir "${CMAKE_INSTALL_PREFIX}/${morvane_bindir}")
endif()
if(IS_ABSOLUTE "${morvane_sysconfdir}")
  set(sysconfdir "${morvane_sysconfdir}")
elseif(CMAKE_INSTALL_PREFIX MATCHES "^/usr/?$")
  set(sysconfdir "/${morvane_sysconfdir}")
else()
  set(sysconfdir "${CMAKE_INSTALL_PREFIX}/${morvane_sysconfdir}")
endif()

# A string value of the settings file escapes \ and ".
string(REPLACE "\\" "\\\\" MORVANE_INSTALL_PATH "${bindir}")
string(REPLACE "\"" "\\\"" MORVANE_INSTALL_PATH "${MORVANE_INSTALL_PATH}")
configure_file("${morvane_template}" "${morvane_staging}/settings.reg" @ONLY)
file(INSTALL DESTINATION "${sysconfdir}/xdg/morvane" TYPE FILE
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
     FILES "${morvane_staging}/settings.reg")
