#!/usr/bin/env bash
# atu against gzip on the same ~100 MB of this machine's own files (shared libraries, programs,
# documentation and data): throughput of `atu create` (level default) against `gzip -6` (one
# core) and `pigz -p 2` (two cores), and of `atu extract` against `gzip -d` (gzip writing one
# file, atu the tree), and the peak memory of each. Best of RUNS runs (default 3).
#   bench/archive_vs_gzip.sh [BUILD_FOLDER]      (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
atu=$build/atu
runs=${RUNS:-3}
[ -x "$atu" ] || { echo "no $atu: build first (scripts/build.sh)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/atu-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export LIFTO_HOME=$work/home

# ~100 MB of mixed real files, each source with its share, in their folders. Files from 16 KiB to
# 8 MiB: the sizes of the program files, libraries and data tables that update archives carry.
corpus=$work/corpus
mkdir -p "$corpus"
. "$root/bench/lib.sh"
take /usr/lib/x86_64-linux-gnu 45 "$corpus"
take /usr/bin 15 "$corpus"
take /usr/share 30 "$corpus"
take /usr/include 10 "$corpus"
bytes=$(du -sb "$corpus" | cut -f1)
files=$(find "$corpus" -type f | wc -l)
tar -C "$corpus" -cf "$work/corpus.tar" .
printf 'corpus: %d files, %.1f MB (%s)\n' "$files" "$(echo "$bytes / 1000000" | bc -l)" "$(nproc) cores"

# measure NAME COMMAND...: best wall time over the runs and the peak resident size, in globals.
measure() {
  local name=$1; shift
  best_of sync "$@"
  printf '%-26s %7.2f s  %7.1f MB/s  peak %6.1f MiB\n' "$name" "$best" "$(mb_per_s "$bytes")" "$(mib "$peak")"
}

declare -A seconds memory
run() { measure "$@"; seconds[$1]=$best; memory[$1]=$peak; }

# The one-core figures pin each program to the same core, so that they meet the same load.
run "gzip -6"             taskset -c 0 sh -c "gzip -6 -c '$work/corpus.tar' > '$work/corpus.tar.gz'"
run "atu create (1 core)" taskset -c 0 "$atu" create "$work/one.atu" "$corpus/*.* /s" --level default
run "atu create"          "$atu" create "$work/a.atu" "$corpus/*.* /s" --level default
if command -v pigz > /dev/null; then
  run "pigz -p 2"         sh -c "pigz -p 2 -6 -c '$work/corpus.tar' > '$work/corpus.pigz.gz'"
fi
run "gzip -d"             taskset -c 0 sh -c "gzip -d -c '$work/corpus.tar.gz' > '$work/out.tar'"
# Each run unpacks into a fresh folder, so that removing the last one is not timed.
run "atu extract (1 core)" sh -c "taskset -c 0 '$atu' extract '$work/a.atu' \"\$(mktemp -u -d '$work/x.XXXXXX')\" --full-path"
run "atu extract"          sh -c "'$atu' extract '$work/a.atu' \"\$(mktemp -u -d '$work/y.XXXXXX')\" --full-path"
extracted=$(ls -d "$work"/x.* | head -n 1)
extracted2=$(ls -d "$work"/y.* | head -n 1)
cmp -s "$work/one.atu" "$work/a.atu" && echo "one core and two cores wrote the same bytes" \
  || { echo "one core and two cores wrote different archives" >&2; exit 1; }
# Stored names are lower case, so the contents are compared, not the names.
digest() { find "$1" -type f -exec md5sum {} + | cut -d' ' -f1 | sort | md5sum; }
[ "$(digest "$corpus")" = "$(digest "$extracted")" ] && [ "$(digest "$corpus")" = "$(digest "$extracted2")" ] \
  && echo "extracted files equal the corpus, on one core and on two" \
  || { echo "extracted files differ from the corpus" >&2; exit 1; }
printf 'archive %.1f MB, gzip %.1f MB\n' "$(echo "$(stat -c %s "$work/a.atu") / 1000000" | bc -l)" \
  "$(echo "$(stat -c %s "$work/corpus.tar.gz") / 1000000" | bc -l)"

ratio() { echo "${seconds[$2]} / ${seconds[$1]}" | bc -l; }
printf 'create/gzip -6 throughput:  %.2fx on one core (target 1.8x), %.2fx on all cores\n' \
  "$(ratio "atu create (1 core)" "gzip -6")" "$(ratio "atu create" "gzip -6")"
[ -n "${seconds[pigz -p 2]:-}" ] && printf 'create/pigz -p 2 throughput: %.2fx on all cores (target 1.3x)\n' "$(ratio "atu create" "pigz -p 2")"
printf 'extract/gzip -d throughput: %.2fx on one core (target 1.5x), %.2fx on all cores (target 2x)\n' \
  "$(ratio "atu extract (1 core)" "gzip -d")" "$(ratio "atu extract" "gzip -d")"
peak() { m=0; for n in "$@"; do [ "${memory[$n]}" -gt "$m" ] && m=${memory[$n]}; done; echo "$m / 1024" | bc -l; }
printf 'peak memory: create %.1f MiB, extract %.1f MiB (target < 16 MiB)\n' \
  "$(peak "atu create (1 core)" "atu create")" "$(peak "atu extract (1 core)" "atu extract")"
