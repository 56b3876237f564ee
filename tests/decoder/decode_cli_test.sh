#!/usr/bin/env bash
# morvane-cli decode end to end: encode | decode round trips, output files,
# failure messages and exit statuses.
set -u
cli=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

expect() { # status, message (or -), command...: runs the command with stderr in err
  local status=$1 message=$2; shift 2
  "$@" 2> err; local got=$?
  [ "$got" -eq "$status" ] || fail "$*: exit status $got, expected $status"
  [ "$message" = - ] || [ "$(cat err)" = "$message" ] || fail "$*: message '$(cat err)', expected '$message'"
}

"$cli" keygen --seed 7 k.key >/dev/null || { echo "FAIL: keygen"; exit 1; }

# A letter with CR LF line breaks and tabs comes back exactly.
printf 'Dear reader,\r\n\tthe code reads back.\r\n\xe9t\xe9 \xff\x80~\r\n' > letter.txt
"$cli" encode --key k.key letter.txt | "$cli" decode --key k.key > back.txt || fail "letter round trip status"
cmp -s letter.txt back.txt || fail "letter round trip differs"

# Every byte value but Ctrl-Z (which ends the encoder's input), three times
# over: with --raw exactly the encodable bytes come back; without it each CR
# is followed by LF.
for i in 1 2 3; do
  for b in $(seq 0 255); do [ "$b" -eq 26 ] || printf "\\$(printf %03o "$b")"; done
done > all.bin
tr -d '\000-\010\012-\014\016-\037' < all.bin > encodable.bin
"$cli" encode --key k.key --seed 4 - < all.bin > all.etx
"$cli" decode --key k.key --raw - < all.etx > raw-back.bin
cmp -s encodable.bin raw-back.bin || fail "all bytes --raw round trip differs"
expect 0 "" "$cli" decode --key k.key -o crlf-back.bin all.etx
sed 's/\r/\r\n/g' encodable.bin > crlf-expected.bin
cmp -s crlf-expected.bin crlf-back.bin || fail "all bytes CR LF round trip differs"

# A code longer than one read block (1 MiB).
yes 'A line of a long letter, with some more words in it.' | head -n 8000 | sed 's/$/\r/' > long.txt
"$cli" encode --key k.key long.txt | "$cli" decode --key k.key | cmp -s - long.txt || fail "long round trip differs"

# Failures: the message, status 1, and an existing output file left whole.
printf 'keep me' > out.txt
printf '01149' > cut.etx
expect 1 "morvane-cli: cut.etx: The code is cut short: its last number has 1 of 4 digits." "$cli" decode --key k.key -o out.txt cut.etx
{ cat all.etx; printf '0000'; } > bad.etx # a fault met while reading, after decoded text
expect 1 "morvane-cli: bad.etx: The code holds 0000 at position $(($(wc -c < all.etx) + 1)), which is not a number of this key." \
  "$cli" decode --key k.key -o out.txt bad.etx
[ "$(cat out.txt)" = "keep me" ] || fail "output file changed by a failed decode"
ls out.txt.* >/dev/null 2>&1 && fail "temporary file left behind"
expect 1 "morvane-cli: missing.key: No such file or directory" "$cli" decode --key missing.key all.etx
expect 1 "morvane-cli: missing.etx: No such file or directory" "$cli" decode --key k.key missing.etx
expect 1 "morvane-cli: all.etx: the output is the input file, which it would destroy" \
  "$cli" decode --key k.key -o all.etx all.etx

# Usage.
expect 2 - "$cli" decode all.etx
expect 2 - "$cli" decode --key k.key --bogus all.etx
expect 2 - "$cli" decode --key k.key a.etx b.etx
expect 0 "" "$cli" decode --help > help.txt
grep -q '^usage: morvane-cli decode --key KEYFILE \[--raw\] \[-o OUTPUT\] \[--\] \[INPUT\]' help.txt || fail "--help text"

[ "$failures" -eq 0 ] && echo "all decode command tests passed"
[ "$failures" -eq 0 ]
