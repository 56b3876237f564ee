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

expect_status() { # expected, actual, what
  [ "$2" -eq "$1" ] || fail "$3: exit status $2, expected $1"
}

expect_stderr() { # expected line, what
  [ "$(cat err)" = "$1" ] || fail "$2: message '$(cat err)', expected '$1'"
}

"$cli" keygen --seed 7 k.key >/dev/null || { echo "FAIL: keygen"; exit 1; }

# A letter with CR LF line breaks and tabs comes back exactly.
printf 'Dear reader,\r\n\tthe code reads back.\r\n\xe9t\xe9 \xff\x80~\r\n' > letter.txt
"$cli" encode --key k.key letter.txt | "$cli" decode --key k.key > back.txt
expect_status 0 $? "letter round trip"
cmp -s letter.txt back.txt || fail "letter round trip differs"

# Every byte value, three times over: with --raw exactly the encodable bytes
# come back; without it each CR is followed by LF.
for i in 1 2 3; do
  for b in $(seq 0 255); do printf "\\$(printf %03o "$b")"; done
done > all.bin
tr -d '\000-\010\012-\014\016-\037\032' < all.bin > encodable.bin
# The encoder's input ends at its first Ctrl-Z (26): encode what precedes it.
head -c 26 all.bin > before-ctrlz.bin
"$cli" encode --key k.key --seed 3 before-ctrlz.bin > small.etx
tr -d '\000-\010\012-\014\016-\037' < before-ctrlz.bin > small-expected.bin
"$cli" decode --key k.key --raw small.etx > small-back.bin
cmp -s small-expected.bin small-back.bin || fail "control characters round trip differs"
tr -d '\032' < all.bin > all-noz.bin
"$cli" encode --key k.key --seed 4 - < all-noz.bin > all.etx
"$cli" decode --key k.key --raw - < all.etx > raw-back.bin
cmp -s encodable.bin raw-back.bin || fail "all bytes --raw round trip differs"
"$cli" decode --key k.key -o crlf-back.bin all.etx
expect_status 0 $? "decode -o"
sed 's/\r/\r\n/g' encodable.bin > crlf-expected.bin 2>/dev/null
cmp -s crlf-expected.bin crlf-back.bin || fail "all bytes CR LF round trip differs"

# A code longer than one read block (several MiB of code).
for i in $(seq 1 4000); do printf 'Line %05d of a long letter, with some more words in it.\r\n' "$i"; done > long.txt
for i in 1 2 3 4 5 6 7 8; do cat long.txt; done > longer.txt
"$cli" encode --key k.key longer.txt | "$cli" decode --key k.key | cmp -s - longer.txt || fail "long round trip differs"

# A failed decode leaves an existing output file whole.
printf 'keep me' > out.txt
printf '01149' | "$cli" decode --key k.key -o out.txt 2> err
expect_status 1 $? "incomplete code"
expect_stderr "The code is cut short: its last number has 1 of 4 digits." "incomplete code"
[ "$(cat out.txt)" = "keep me" ] || fail "output file changed by a failed decode"
ls out.txt.* >/dev/null 2>&1 && fail "temporary file left behind"

printf '0214' | "$cli" decode --key k.key 2> err
expect_status 1 $? "no header"
expect_stderr 'The code does not begin with "011" and a width digit.' "no header"

printf '01140000' | "$cli" decode --key k.key 2> err
expect_status 1 $? "unknown number"
expect_stderr "The code holds 0000 at position 5, which is not a number of this key." "unknown number"

"$cli" decode --key missing.key all.etx 2> err
expect_status 1 $? "missing key"
expect_stderr "The key file could not be found." "missing key"

printf '011x' > letter.key
"$cli" decode --key letter.key all.etx 2> err
expect_status 1 $? "width not a digit"
expect_stderr "'x' is not a valid integer value." "width not a digit"

"$cli" decode --key k.key missing.etx 2> err
expect_status 1 $? "missing input"
expect_stderr "Unable to open the file." "missing input"

# Usage.
"$cli" decode all.etx 2> err
expect_status 2 $? "no --key"
"$cli" decode --key k.key --bogus all.etx 2> err
expect_status 2 $? "unknown option"
"$cli" decode --key k.key a.etx b.etx 2> err
expect_status 2 $? "two inputs"
"$cli" decode --help > help.txt
expect_status 0 $? "--help"
grep -q '^usage: morvane-cli decode --key KEYFILE \[--raw\] \[-o OUTPUT\] \[INPUT\]' help.txt || fail "--help text"

[ "$failures" -eq 0 ] && echo "all decode command tests passed"
[ "$failures" -eq 0 ]
