#!/usr/bin/env bash
# morvane-cli.exe under Wine against the Linux build's morvane-cli: for every case whose subject Windows has (files,
# standard input and output, refusals, usage errors), both give the same bytes, messages and exit status. Messages
# and the help are text, whose lines end in CR LF on Windows: they are compared without the CRs.
#   usage: windows_cli.sh LINUX_CLI WINDOWS_CLI.exe WINE_RUN [WINE_RUN_OPTIONS...]
set -u
linux=$1 windows=$2
shift 2
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
mkdir "$work/linux" "$work/windows"

# A text of every byte but Ctrl-Z, lines ended both ways, and a text cut by a Ctrl-Z.
text=$(printf 'Dear Ann,\r\n\tthe key is under the mat (No. 42).\n\351t\351 \377\001~')
for side in linux windows; do
  printf '%s' "$text" > "$work/$side/in.txt"
  for i in $(seq 0 255); do [ "$i" = 26 ] || printf "\\$(printf %03o "$i")"; done > "$work/$side/bytes.txt"
  printf 'AB\032CD' > "$work/$side/ctrlz.txt"
  printf '0114%s' 12345 > "$work/$side/bad.etx"
done

cases=(
  "keygen --seed 7 k.key"
  "keygen --seed 8 k.key"
  "keygen --seed 9 --force k.key"
  "keygen --seed 4294967295 -- -dash.key"
  "encode --key k.key --seed 1234 -o out.etx in.txt"
  "encode --key k.key --seed 99 bytes.txt"
  "encode --key k.key --seed 5 ctrlz.txt"
  "encode --key k.key --seed 1234 - <in.txt"
  "encode --key k.key --seed 1 -o empty.etx - </dev/null"
  "decode --key k.key out.etx"
  "decode --key k.key --raw out.etx"
  "decode --key k.key -o back.txt - <out.etx"
  "decode --key k.key bad.etx"
  "decode --key -dash.key out.etx"
  "encode --key k.key missing.txt"
  "encode --key missing.key in.txt"
  "encode --key k.key -o k.key in.txt"
  "decode --key k.key -o out.etx out.etx"
  "encode --key k.key --seed 4294967296 in.txt"
  "encode in.txt"
  "frobnicate"
  "--help"
)
failed=0 passed=0
for args in "${cases[@]}"; do
  (cd "$work/linux" && eval "\"$linux\" $args" >stdout 2>stderr; echo $? >status)
  (cd "$work/windows" && eval "\"\$@\" \"$windows\" $args" >stdout 2>stderr; echo $? >status)
  sed -i 's/\r$//' "$work/windows/stderr"
  case $args in *--help*) sed -i 's/\r$//' "$work/windows/stdout" ;; esac
  if diff -r "$work/linux" "$work/windows" >"$work/diff"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: morvane-cli $args"
    sed 's/^/  /' "$work/diff" | head -n 20
  fi
done
# Windows' null device takes the code, as /dev/null does elsewhere: nothing is created beside it.
(cd "$work/windows" && "$@" "$windows" encode --key k.key -o NUL in.txt && "$@" "$windows" encode --key k.key -o nul in.txt) ||
  { echo "FAILED: encode -o NUL"; failed=$((failed + 1)); }
ls -A "$work/windows" | grep -qi '^\.\?nul' && { echo "FAILED: a file named NUL"; failed=$((failed + 1)); }
# The largest file of the walk went through both standard streams: a key of 31644 bytes.
[ "$(stat -c %s "$work/windows/k.key")" = 31644 ] || { echo "FAILED: no key of 31644 bytes"; failed=$((failed + 1)); }
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
