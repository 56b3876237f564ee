#!/usr/bin/env bash
# Encodes a 1 GiB text with morvane-cli and reports time and peak memory as
# GNU time -v sees them. Usage: bench/cli_stream.sh BUILD_DIR [SIZE_MIB]
set -euo pipefail
build=${1:?build folder}
mib=${2:-1024}
cli="$build/src/cli/morvane-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cli" keygen --seed 1 "$work/k.key"
line='Dear friend, the meeting moves to Thursday at 10:30. Bring the papers.'
{ yes "$line" || true; } | head -c $((mib * 1024 * 1024)) > "$work/in.txt"
/usr/bin/time -v "$cli" encode --key "$work/k.key" --seed 1 -o "$work/out.etx" "$work/in.txt" 2> "$work/time.txt"
grep -E "Elapsed|Maximum resident" "$work/time.txt"
echo "output bytes: $(stat -c %s "$work/out.etx")"
# The same encode with the code thrown away shows the cost without the disk.
/usr/bin/time -v "$cli" encode --key "$work/k.key" --seed 1 "$work/in.txt" 2> "$work/time.txt" > /dev/null
echo "to /dev/null:"
grep -E "Elapsed|Maximum resident" "$work/time.txt"
# Copying the input alone, for the disk's own speed.
/usr/bin/time -f "cp of the input: %e s" cp "$work/in.txt" "$work/copy.txt"
