#!/bin/sh
# Quick encoding end to end: "morvane ENCODE file.txt" on a virtual screen, the key file's path typed into the real
# key dialog, then the .etx beside the file decoded with the key.
#   usage: quick_encode_e2e.sh MORVANE MORVANE_CLI    (77, skipped, without xvfb-run)
set -eu
command -v xvfb-run >/dev/null 2>&1 || { echo "xvfb-run is not installed: skipped"; exit 77; }
for tool in xdotool xprop; do command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }; done
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/config" "$work/docs" "$work/keys" && mkdir -m 700 "$work/runtime"
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' '[HKEY_CURRENT_USER\software\morvane]' \
    '"InstallPath"="/tmp/x"' '"LastTopPos"="-1"' '"LastLeftPos"="-1"' >"$work/settings.reg" # as installed
cp "$work/settings.reg" "$work/settings.before"
key="$work/keys/e2e.key" && "$2" keygen "$key" >/dev/null
# Letters, digits, punctuation, CR LF (the CR is encoded, the LF dropped), TAB, bytes above 127, a control character.
printf 'Dear Ann,\r\n\tthe key is under the mat (No. 42).\r\n\351t\351 \377\001~\n' >"$work/docs/file.txt"

# The user's side: wait for the key dialog, give it the keyboard (no window manager does; --sync waits until it has
# it), type the key's full path, accept it, and wait for the program to end. X delivers the keys after the focus change.
cat >"$work/session.sh" <<'EOF'
set -u && cd "$WORK/docs"
"$MORVANE" ENCODE file.txt & pid=$!
dialog=$(xdotool search --sync --onlyvisible --name "Choose key file" | head -n 1)
for window in $(xdotool search --onlyvisible --name .); do xprop -id "$window" _NET_WM_NAME; done >"$WORK/titles"
until [ "$(xdotool getwindowfocus 2>/dev/null)" = "$dialog" ]; do xdotool windowfocus --sync "$dialog"; done
xdotool type --delay 20 "$KEY"
xdotool key Return
wait "$pid"
EOF
env -u QT_QPA_PLATFORMTHEME -u QT_STYLE_OVERRIDE QT_QPA_PLATFORM=xcb HOME="$work/home" \
    XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" MORVANE_SETTINGS="$work/settings.reg" \
    WORK="$work" MORVANE="$1" KEY="$key" timeout 60 xvfb-run -a -n 107 sh "$work/session.sh" ||
    { echo "the session failed (status $?)"; exit 1; }
# The desktop shows each window's caption as it is, with nothing appended.
for title in 'Choose key file' 'Morvane Encoder  |  Ver. 1.1'; do
    grep -qxF "_NET_WM_NAME(UTF8_STRING) = \"$title\"" "$work/titles" ||
        { echo "no window titled \"$title\" among:"; cat "$work/titles"; exit 1; }
done
# Quick encoding never writes the window position back.
cmp -s "$work/settings.reg" "$work/settings.before" || { echo "the settings file was changed"; exit 1; }

# The code: digits alone, which decode with the key to the text without its dropped characters (LF and \001).
code="$work/docs/file.etx"
[ -e "$code" ] && [ -z "$(tr -d 0-9 <"$code")" ] || { echo "no file.etx of digits beside file.txt"; exit 1; }
"$2" decode --raw --key "$key" "$code" >"$work/decoded" || { echo "file.etx does not decode"; exit 1; }
tr -d '\n\001' <"$work/docs/file.txt" | cmp -s - "$work/decoded" || { echo "file.etx decodes to another text"; exit 1; }
echo "file.etx decodes to file.txt"
