#!/usr/bin/env bash
# The packages of scripts/package: hardened programs, lintian clean (no error or warning; when lintian is installed),
# and byte-identical when a clone of the same commit in another folder is packaged again.   package_test.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)" && tmp="$(mktemp -d)" && trap 'rm -rf "$tmp"' EXIT
failures=0 && "$root/scripts/package" "$tmp/tree" >/dev/null && debs=("$tmp/tree"/*.deb)
check() { if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi; } # what, command...
# PIE, stack protector, FORTIFY, RELRO and bind now. Our objects are built with control flow protection too, but the
# program is not marked as such: glibc's start files crt1.o and crti.o carry no such marking on this Debian.
for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$tmp/root"; done
for bin in "$tmp/root/usr/bin/"*; do check "${bin##*/} hardened" hardening-check --nocfprotection "$bin"; done
if command -v lintian >/dev/null; then
  report="$(lintian -EvIL +pedantic "${debs[@]}" 2>&1 | grep '^[A-Z]: ' || true)" && printf '%s\n' "$report"
  check "lintian: no error or warning" test -z "$(grep '^[EW]: ' <<<"$report")"
fi
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
  echo "skipped: reproducibility (the tree has uncommitted changes; a clone would not build the same sources)"
else
  git clone -q "$root" "$tmp/clone" && MORVANE_JOBS=2 "$tmp/clone/scripts/package" "$tmp/again" >/dev/null
  for deb in "${debs[@]##*/}"; do check "$deb built again elsewhere is identical" cmp "$tmp"/{tree,again}/"$deb"; done
fi
[ "$failures" -eq 0 ] && echo "all checks passed" || { echo "$failures check(s) failed"; exit 1; }
