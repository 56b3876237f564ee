#!/usr/bin/env bash
# The Windows installer in a fresh Wine prefix: a silent install puts the programs, the licences and the Start-menu
# entries in place and writes the settings key and the file types; a reinstall keeps the user's window position; the
# installed encoder opens its window; a silent uninstall leaves nothing but the user's settings key.
#   usage: windows_install.sh SETUP.exe [SCREENSHOT.png]    (needs wine, Xvfb and xdotool)
set -u
setup=$(realpath "$1") shot=${2:-}
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null & xvfb=$!
trap 'wineserver -k 2>/dev/null; kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$work"' EXIT
until [ -s "$work/display" ]; do sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
failed=0 passed=0
check() { # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what"; fi
}
value() { # value KEY NAME: the data of a string value; NAME "(Default)" for the key's default value
  local which=(/v "$2"); [ "$2" = "(Default)" ] && which=(/ve)
  wine reg query "$1" "${which[@]}" 2>/dev/null | tr -d '\r' |
    awk -v n="$2" '$1 == n { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]+/, ""); print }'
}
no_key() { ! wine reg query "$1" >/dev/null 2>&1; }
lnk() { find "$WINEPREFIX/drive_c" -path '*Start Menu*' -name "$1.lnk" | grep -q .; }

wineboot --init >/dev/null 2>&1; wineserver --wait
folder="$WINEPREFIX/drive_c/Program Files/Morvane"
wine "$setup" /S; wineserver --wait
for file in morvane.exe morvanedecoder.exe morvane-cli.exe Uninstall.exe LICENSE.txt licenses/Qt/README.txt \
            licenses/Qt/LGPL-3.0-only.txt licenses/Qt/debian-copyright.txt; do
  check "installed: $file" test -s "$folder/$file"
done
check "Start menu: the encoder" lnk "Morvane Encoder"
check "Start menu: the decoder" lnk "Morvane Decoder"
key='HKCU\software\morvane'
check "InstallPath is the installation folder" test "$(value "$key" InstallPath)" = 'C:\Program Files\Morvane'
check "LastTopPos -1" test "$(value "$key" LastTopPos)" = -1
check "LastLeftPos -1" test "$(value "$key" LastLeftPos)" = -1
check ".etx is a code" test "$(value 'HKLM\Software\Classes\.etx' '(Default)')" = Morvane.Code
check "codes open in the decoder" test "$(value 'HKLM\Software\Classes\Morvane.Code\shell\open\command' '(Default)')" = \
  '"C:\Program Files\Morvane\morvanedecoder.exe" "%1"'
check ".key is a key file" test "$(value 'HKLM\Software\Classes\Morvane.Key' '(Default)')" = "Morvane key file"
check "Morvane is offered for .key files" sh -c 'wine reg query "$0" /v Morvane.Key >/dev/null 2>&1' 'HKLM\Software\Classes\.key\OpenWithProgids'

# A user's position survives a reinstall.
wine reg add "$key" /v LastTopPos /t REG_SZ /d 120 /f >/dev/null 2>&1
wine "$setup" /S; wineserver --wait
check "a reinstall keeps LastTopPos" test "$(value "$key" LastTopPos)" = 120

# The installed encoder finds its settings and shows its window: no error window.
(cd "$work" && wine 'C:\Program Files\Morvane\morvane.exe' >/dev/null 2>&1 &)
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Morvane Encoder  [|]  Ver\. ' 2>/dev/null | head -n 1)
check "the encoder's window appears" test -n "$window"
sleep 2
check "no error window" test -z "$(xdotool search --onlyvisible --name '^Error$' 2>/dev/null)"
[ -n "$shot" ] && [ -n "$window" ] && import -window "$window" "$shot" 2>/dev/null
wineserver -k 2>/dev/null; wineserver --wait

wine "$folder/Uninstall.exe" /S; wineserver --wait
check "uninstalled: the programs" test ! -e "$folder/morvane.exe" -a ! -e "$folder/licenses"
check "uninstalled: the Start menu" sh -c '! find "$0/drive_c" -path "*Start Menu*" -name "Morvane *.lnk" | grep -q .' "$WINEPREFIX"
check "uninstalled: .etx" no_key 'HKLM\Software\Classes\.etx'
check "uninstalled: the code type" no_key 'HKLM\Software\Classes\Morvane.Code'
check "uninstalled: the key type" no_key 'HKLM\Software\Classes\Morvane.Key'
check "the settings key stays" test "$(value "$key" LastTopPos)/$(value "$key" InstallPath)" = '120/C:\Program Files\Morvane'
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
