@echo off
rem Makes this folder Morvane's installation for the current user, as the
rem installer does: the settings key HKEY_CURRENT_USER\software\morvane with
rem InstallPath (this folder) and, where the user has none yet, the window
rem position "-1" (centred on the screen).
setlocal
set "folder=%~dp0"
if "%folder:~-1%"=="\" set "folder=%folder:~0,-1%"
reg add "HKCU\software\morvane" /v InstallPath /t REG_SZ /d "%folder%" /f >nul || exit /b 1
reg query "HKCU\software\morvane" /v LastTopPos >nul 2>&1 || reg add "HKCU\software\morvane" /v LastTopPos /t REG_SZ /d "-1" /f >nul
reg query "HKCU\software\morvane" /v LastLeftPos >nul 2>&1 || reg add "HKCU\software\morvane" /v LastLeftPos /t REG_SZ /d "-1" /f >nul
echo Morvane is set up to run from %folder%.
