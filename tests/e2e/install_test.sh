#!/usr/bin/env bash
# scripts/install, uninstall, run and package on temporary prefixes and folders, with the programs of an existing
# build and the settings file in a temporary folder (never ~/.local or ~/.config).   install_test.sh <build folder>
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$(cd "${1:?build folder}" && pwd)"
tmp="$(mktemp -d)" && trap 'rm -rf "$tmp"' EXIT
export HOME="$tmp/home" MORVANE_BUILD_DIR="$build" MORVANE_SETTINGS="$tmp/config/settings.reg"
mkdir -p "$HOME" && unset XDG_CONFIG_HOME && failures=0
check() { if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi; } # what, command...
quietly() { local out; out="$("$@" 2>&1)" || { printf '%s\n' "$out"; return 1; }; }
built() { find "$build" -type f -name "$1" -perm -u+x -not -path '*/CMakeFiles/*' -print -quit; }
lines() { local file="$1" line; shift; for line; do check "$file has $line" grep -qxF -- "$line" "$file"; done; }

# The programs, desktop entries, icons, file types, metainfo, manual page and default settings.
prefix="$tmp/prefix" && "$root/scripts/install" "$prefix" >/dev/null
programs=(morvane morvanedecoder morvane-cli)
for program in "${programs[@]}"; do
  check "$program installed as built" sh -c 'test -x "$2" && cmp -s "$@"' - "$(built "$program")" "$prefix/bin/$program"
  [ "$program" = morvane-cli ] || lines "$prefix/share/applications/$program.desktop" "Exec=$prefix/bin/$program %f"
done
files=(share/applications/{morvane,morvanedecoder}.desktop share/mime/packages/morvane.xml
  share/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/morvane.png share/icons/hicolor/scalable/apps/morvane.svg
  share/metainfo/example.morvane.morvane.metainfo.xml share/man/man1/{morvane,morvanedecoder,morvane-cli}.1.gz)
for file in "${files[@]}"; do check "installed $file" test -s "$prefix/$file"; done
lines "$prefix/etc/xdg/morvane/settings.reg" "\"InstallPath\"=\"$prefix/bin\""
check "settings key created" test "$(cat "$MORVANE_SETTINGS")" = "$(printf '%s\n' \
  'Windows Registry Editor Version 5.00' '' '[HKEY_CURRENT_USER\software\morvane]' "\"InstallPath\"=\"$prefix/bin\"" \
  '"LastTopPos"="-1"' '"LastLeftPos"="-1"')"

# An existing key, in two sections: InstallPath set (escaped), a missing position added (one taken away by "=-" is
# missing), and the rest with its line ends kept.
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' '; kept' '[HKEY_CURRENT_USER\Software\Other]' \
  '"InstallPath"="other"' '' '[HKEY_CURRENT_USER\SOFTWARE\MORVANE]' '"LastTopPos"="120"' '"LastLeftPos"="5"' \
  '[HKEY_CURRENT_USER\software\morvane]' '"installpath"="/old"' '"LastLeftPos"=-' '"Extra"=dword:00000001' \
  >"$MORVANE_SETTINGS"
other="$tmp/other \"prefix\"" && "$root/scripts/install" "$other" >/dev/null
tr -d '\r' <"$MORVANE_SETTINGS" >"$tmp/settings.txt"
lines "$tmp/settings.txt" "\"installpath\"=\"$tmp/other \\\"prefix\\\"/bin\"" '"LastTopPos"="120"' \
  '"LastLeftPos"="-1"' '"Extra"=dword:00000001' '"InstallPath"="other"' '; kept'
check "old InstallPath gone" test "$(grep -ci '"installpath"="/old"' "$tmp/settings.txt")" = 0
check "line ends kept" test "$(grep -c $'\r$' "$MORVANE_SETTINGS")" = "$(wc -l <"$MORVANE_SETTINGS")"
check "no temporary file left" test "$(ls "$tmp/config")" = "settings.reg"

# The default place of the settings file, under the XDG configuration folder.
XDG_CONFIG_HOME="$tmp/xdg" env -u MORVANE_SETTINGS "$root/scripts/install" "$prefix" >/dev/null
lines "$tmp/xdg/morvane/settings.reg" "\"InstallPath\"=\"$prefix/bin\""
XDG_CONFIG_HOME="$tmp/xdg" env -u MORVANE_SETTINGS "$root/scripts/uninstall" "$prefix" >/dev/null
check "uninstall removes the XDG settings file" test ! -e "$tmp/xdg/morvane"
"$root/scripts/uninstall" "$other" >/dev/null
check "uninstall empties both prefixes" test -z "$(find "$other" "$prefix" -mindepth 1)"
check "uninstall removes the settings file" test ! -e "$MORVANE_SETTINGS"

# scripts/run without a display installs and explains the headless tool.
DISPLAY= WAYLAND_DISPLAY= MORVANE_PREFIX="$HOME/.local" "$root/scripts/run" >"$tmp/run.txt"
lines "$tmp/run.txt" "No display: use ~/.local/bin/morvane-cli --help for the headless tool."
check "run installed the programs" test -x "$HOME/.local/bin/morvane"

# The two Debian packages of this build: the CLI alone, with only the C and C++ runtime, and the windows with Qt. Their
# files and dependencies, their programs (the encoder copies the packaged default settings for a user who has none),
# and their desktop entries, file types, metainfo and manual pages as Debian's and the desktop's tools see them.
"$root/scripts/package" "$tmp/dist" >/dev/null
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")-1"
for package in morvane morvane-cli; do
  deb="$tmp/dist/${package}_${version}_$(dpkg --print-architecture).deb" && dpkg-deb -x "$deb" "$tmp/root"
  dpkg-deb -c "$deb" | sed -n 's|.* \./\(.*[^/]\)$|\1|p' >"$tmp/$package.files"
  dpkg-deb -e "$deb" "$tmp/control-$package" && lines "$tmp/control-$package/control" "Version: $version"
  lines "$tmp/$package.files" "usr/share/doc/$package/"{copyright,changelog.gz,changelog.Debian.gz}
done
for file in "${programs[@]/#/bin/}" "${files[@]}"; do
  [[ "$file" = *morvane-cli* ]] || lines "$tmp/morvane.files" "usr/$file"
done
check "morvane-cli holds the CLI and its page" test "$(grep -v /doc/ "$tmp/morvane-cli.files" | sort | tr '\n' ' ')" = \
  "usr/bin/morvane-cli usr/share/lintian/overrides/morvane-cli usr/share/man/man1/morvane-cli.1.gz "
check "morvane-cli needs only the C and C++ runtime" test "$(dpkg-deb -f "$tmp/dist/morvane-cli_"*.deb Depends | \
  sed 's/ ([^)]*)//g')" = "libc6, libgcc-s1, libstdc++6"
check "morvane depends on Qt" grep -q 'libqt6widgets6.*qt6-qpa-plugins\|qt6-qpa-plugins.*libqt6widgets6' \
  <(dpkg-deb -f "$tmp/dist/morvane_"*.deb Depends)
lines "$tmp/root/etc/xdg/morvane/settings.reg" '"InstallPath"="/usr/bin"'
lines "$tmp/control-morvane/conffiles" /etc/xdg/morvane/settings.reg
copy="$tmp/user/.config/morvane/settings.reg"
HOME="$tmp/user" XDG_CONFIG_DIRS="$tmp/root/etc/xdg" QT_QPA_PLATFORM=offscreen \
  env -u MORVANE_SETTINGS "$tmp/root/usr/bin/morvane" >/dev/null 2>&1 &
for _ in $(seq 600); do [ -s "$copy" ] && break; sleep 0.1; done # until the copy is there, a minute at most
kill $! 2>/dev/null || true
check "packaged encoder copies the default settings" cmp -s "$tmp/root/etc/xdg/morvane/settings.reg" "$copy"
for p in morvane morvanedecoder; do check "$p --version without a display" test \
  "$(env -u DISPLAY -u WAYLAND_DISPLAY "$tmp/root/usr/bin/$p" --version 2>&1)" = "$p ${version%-1}"; done

# Double-clicking a code opens the decoder: file types by name and content with only the shared database and ours.
xdg="$tmp/desktop" m=share/mime/packages && mkdir -p "$xdg/$m" "$xdg/bin" "$tmp/files" && cd "$tmp/files"
cp "/usr/$m/freedesktop.org.xml" "$tmp/root/usr/$m/morvane.xml" "$xdg/$m/"
cp -r "$tmp/root/usr/share/applications" "$xdg/share/" && ln -s "$tmp/root/usr/bin/"* "$xdg/bin/"
quietly update-mime-database "$xdg/share/mime" && quietly update-desktop-database "$xdg/share/applications"
head -c 31644 <(printf 0114; yes 1234 | tr -d '\n') | tee my.key >key && printf 01141234 >letter.etx
printf 01131234 >code && echo '-----BEGIN PGP PUBLIC KEY BLOCK-----' >pgp.key && echo Title >setext.etx
gio_() { XDG_DATA_DIRS="$xdg/share" XDG_DATA_HOME="$xdg" XDG_CONFIG_HOME="$xdg" PATH="$xdg/bin:$PATH" gio "$@" 2>&1; }
for pair in {my.,}key:application/x-morvane-key {letter.etx,code}:application/x-morvane-etx \
  pgp.key:application/pgp-keys setext.etx:text/x-setext; do
  type="$(gio_ info -a standard::content-type "${pair%%:*}" | sed -n 's/^ *standard::content-type: //p')"
  check "${pair%%:*} is ${pair#*:}" test "$type" = "${pair#*:}"
done
default="$(gio_ mime application/x-morvane-etx | head -1)" && cd "$root"
check "a code opens in the decoder ($default)" test "${default##*: }" = morvanedecoder.desktop
check "desktop entries valid" quietly desktop-file-validate "$tmp/root/usr/share/applications/"*.desktop
check "metainfo valid" quietly appstreamcli validate-tree --no-net "$tmp/root"
for page in "$tmp/root/usr/share/man/man1/"*.1.gz; do
  check "${page##*/} formats without warnings" test -z "$(LC_ALL=C.UTF-8 MANWIDTH=80 \
    man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)"
  [[ "$page" = */morvane-cli.1.gz ]] || check "${page##*/} has --version" grep -q -- '\\-\\-version' <(zcat "$page")
done
source="$(zcat "$tmp/root/usr/share/man/man1/morvane-cli.1.gz" | sed 's/\\-/-/g')"
for command in "" keygen encode decode; do
  usage="$("$tmp/root/usr/bin/morvane-cli" $command --help)" || failures=$((failures + 1))
  for option in $(grep -oE -- '(^|[[ ])--?[a-z][-a-z]*' <<<"$usage" | tr -d '[ ' | sort -u); do
    check "manual page has ${command:-morvane-cli} $option" grep -qE -- "(^|[^-a-z])$option([^-a-z]|\$)" <<<"$source"
  done
done
[ "$failures" -eq 0 ] && echo "all checks passed" || { echo "$failures check(s) failed"; exit 1; }
