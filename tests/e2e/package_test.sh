#!/usr/bin/env bash
# The Debian packages as scripts/package makes them: hardened programs (hardening-check), lintian clean (no error or
# warning, when lintian is installed), and byte-identical when a clone of the same commit in another folder is
# packaged again.   package_test.sh [OUTPUT_DIR]   (the packages of the tree are left there; default: a temporary one)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
tmp="$(mktemp -d)" && trap 'rm -rf "$tmp"' EXIT
out="${1:-$tmp/tree}" && failures=0
check() { if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi; } # what, command...

"$root/scripts/package" "$out" >/dev/null
debs=("$out"/*.deb)
check "two packages" test "${#debs[@]}" = 2

for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$tmp/root"; done
# PIE, stack protector, FORTIFY, RELRO and bind now. Our objects are built with control flow protection too, but the
# program is not marked as such: glibc's start files crt1.o and crti.o carry no such marking on this Debian.
for program in "$tmp/root/usr/bin/"*; do
  check "${program##*/} hardened" hardening-check --nocfprotection "$program"
done

if command -v lintian >/dev/null; then
  report="$(lintian -EvIL +pedantic "${debs[@]}" 2>&1 | grep -v '^running with root privileges' || true)"
  printf '%s\n' "$report" | grep '^[A-Z]: ' || true
  check "lintian: no error or warning" test -z "$(grep '^[EW]: ' <<<"$report")"
else
  echo "skipped: lintian is not installed"
fi

if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
  echo "skipped: reproducibility (the tree has uncommitted changes; a clone would not build the same sources)"
else
  git clone -q "$root" "$tmp/clone"
  MORVANE_JOBS=2 "$tmp/clone/scripts/package" "$tmp/again" >/dev/null
  for deb in "${debs[@]}"; do
    check "${deb##*/} built again in another folder is identical" cmp "$deb" "$tmp/again/${deb##*/}"
  done
fi
[ "$failures" -eq 0 ] && echo "all checks passed" || { echo "$failures check(s) failed"; exit 1; }
