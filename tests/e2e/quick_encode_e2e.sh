#!/bin/sh
# Quick encoding end to end: "morvane ENCODE file.txt" on a virtual screen,
# the key file's path typed into the real key dialog, then the .etx beside
# the file checked against the key.
#   usage: quick_encode_e2e.sh MORVANE MORVANE_CLI    (77, skipped, without xvfb-run)
set -eu
command -v xvfb-run >/dev/null 2>&1 || { echo "xvfb-run is not installed: skipped"; exit 77; }
for tool in xdotool xprop python3; do command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 1; }; done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/config" "$work/docs" "$work/keys" && mkdir -m 700 "$work/runtime"
# The settings key, as the installation makes it.
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' '[HKEY_CURRENT_USER\software\morvane]' \
    '"InstallPath"="/tmp/x"' '"LastTopPos"="-1"' '"LastLeftPos"="-1"' >"$work/settings.reg"
cp "$work/settings.reg" "$work/settings.before"
key="$work/keys/e2e.key"
"$2" keygen "$key" >/dev/null
# Letters, digits, punctuation, CR LF (the CR is encoded, the LF dropped),
# TAB, bytes above 127, and a control character without a row.
printf 'Dear Ann,\r\n\tthe key is under the mat (No. 42).\r\n\351t\351 \377\001~\n' >"$work/docs/file.txt"

# The user's side: wait for the key dialog, give it the keyboard (there is
# no window manager to do so; --sync waits until it has it), type the key's
# full path, accept it, and wait for the program to end. X delivers the keys
# after the focus change, in order.
cat >"$work/session.sh" <<'EOF'
#!/bin/sh
set -u
cd "$WORK/docs"
"$MORVANE" ENCODE file.txt &
pid=$!
dialog=$(xdotool search --sync --onlyvisible --name "Choose key file" | head -n 1)
# The desktop names the program's windows with the application title.
for window in $(xdotool search --onlyvisible --name .); do xprop -id "$window" _NET_WM_NAME; done |
    grep -q 'Morvane  |  Encoder"$' || touch "$WORK/untitled"
until [ "$(xdotool getwindowfocus 2>/dev/null)" = "$dialog" ]; do xdotool windowfocus --sync "$dialog"; done
xdotool type --delay 20 "$KEY"
xdotool key Return
wait "$pid"
EOF
chmod +x "$work/session.sh"
env -u QT_QPA_PLATFORMTHEME -u QT_STYLE_OVERRIDE QT_QPA_PLATFORM=xcb HOME="$work/home" \
    XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" MORVANE_SETTINGS="$work/settings.reg" \
    WORK="$work" MORVANE="$1" KEY="$key" timeout 60 xvfb-run -a -n 107 "$work/session.sh" ||
    { echo "the session failed (status $?)"; exit 1; }
[ ! -e "$work/untitled" ] || { echo "the windows do not show the application title"; exit 1; }
# Quick encoding never writes the window position back.
cmp -s "$work/settings.reg" "$work/settings.before" || { echo "the settings file was changed"; exit 1; }

# The code: its length, its header, and every number in its character's key
# row (rows 1 to 224 for bytes 32 to 255, 225 for CR, 226 for TAB).
python3 - "$work/docs/file.txt" "$work/docs/file.etx" "$key" <<'EOF'
import os, sys
source, key = open(sys.argv[1], 'rb').read(), open(sys.argv[3], 'rb').read()
code = open(sys.argv[2], 'rb').read() if os.path.exists(sys.argv[2]) else sys.exit('no file.etx beside file.txt')
rows = [c - 31 if c >= 32 else {13: 225, 9: 226}[c] for c in source if c >= 32 or c in (9, 13)]
table = [{int(key[4 + 140 * r + 4 * i:8 + 140 * r + 4 * i]) for i in range(35)} for r in range(226)]
if len(code) != 4 + 4 * len(rows) or code[:4] != b'0114':
    sys.exit('code of %d bytes, header %r; expected %d bytes, 0114' % (len(code), code[:4], 4 + 4 * len(rows)))
for k, row in enumerate(rows):
    if int(code[4 + 4 * k:8 + 4 * k]) not in table[row - 1]:
        sys.exit('number %d (character %d) is not in row %d' % (int(code[4 + 4 * k:8 + 4 * k]), k + 1, row))
print('file.etx: %d numbers, each of the right key row' % len(rows))
EOF
