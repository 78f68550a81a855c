#!/usr/bin/env bash
# Disk generation against the archive tool on the same ~100 MB of this machine's own files: the
# time of `atualizar /E` on a project naming every file against `atu create` of the same files
# (both write through the same Backup; target: at most 1.1 times), and the peak memory of each.
# Best of RUNS runs of each, taken in turns (default 3).
#   bench/generation_vs_atu.sh [BUILD_FOLDER]      (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${RUNS:-3}
for program in atu atualizar; do
  [ -x "$build/$program" ] || { echo "no $build/$program: build first (scripts/build.sh)" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/gen-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export LIFTO_HOME=$work/home
c=$LIFTO_HOME/drive_c
mkdir -p "$c/CORPUS" "$c/PROJ" "$c/OUT" "$LIFTO_HOME/vorn"
printf '[Drives]\nC=drive_c\nV=vorn\n' > "$LIFTO_HOME/system.ini"
printf '[ALIAS_VORN]\nPATH=V:\\\n' > "$LIFTO_HOME/aliases.ini"
# Edit mode opens the vendor's catalogue; the command line records nothing in it.
sqlite3 "$LIFTO_HOME/vorn/Escr.sqlite" "CREATE TABLE Escr (CONTROL INTEGER PRIMARY KEY, ABREV VARCHAR(10), ESCRITORIO VARCHAR(60)); CREATE INDEX IABREV ON Escr (ABREV);"
sqlite3 "$LIFTO_HOME/vorn/DISCOS.sqlite" "CREATE TABLE DISCOS (CONTROLE INTEGER PRIMARY KEY AUTOINCREMENT, AEX VARCHAR(255), NUMDISCOS INTEGER);"
sqlite3 "$LIFTO_HOME/vorn/ARQUIVOS.sqlite" "CREATE TABLE ARQUIVOS (DISCO INTEGER, CHAVE VARCHAR(8), NOMEARQ VARCHAR(255));"

# ~100 MB of mixed real files from 16 KiB to 8 MiB, as in the archive benchmark.
. "$root/bench/lib.sh"
take /usr/lib/x86_64-linux-gnu 45 "$c/CORPUS"
take /usr/bin 15 "$c/CORPUS"
take /usr/share 30 "$c/CORPUS"
take /usr/include 10 "$c/CORPUS"
bytes=$(du -sb "$c/CORPUS" | cut -f1)
files=$(find "$c/CORPUS" -type f | wc -l)
printf 'corpus: %d files, %.1f MB\n' "$files" "$(echo "$bytes / 1000000" | bc -l)"

# The project names every file in "[PONTO]", as the editor writes entries.
{
  printf '%s\r\n' '[CONFIG]' 'ALIAS=ALIAS_KORAMI' 'PROG=KORAMI.EXE' 'TIPO=ATU' 'VERSAO=1.0.0.0' '' '[BACKUP]' '' '[PONTO]'
  (cd "$c" && find CORPUS -type f | sort) | awk '{ gsub("/", "\\"); printf "P_ARQ%d=C:\\%s , \\\r\n", NR, $0 }'
  printf '%s\r\n' '' '[SERVIDOR]' '' '[WINDOWS]'
} > "$c/PROJ/BENCH.aex"

# The two commands take turns, so that a burst of load from elsewhere on a shared machine falls on
# both rather than on whichever ran at the time; each keeps its best wall time and largest peak.
atu_best=999999 atu_peak=0 gen_best=999999 gen_peak=0
for _ in $(seq "$runs"); do
  sync
  best=$atu_best peak=$atu_peak
  run_timed "$build/atu" create 'C:\OUT\BENCH.ATU' 'C:\CORPUS\*.* /s' --level default
  atu_best=$best atu_peak=$peak
  sync
  best=$gen_best peak=$gen_peak
  run_timed env -u DISPLAY -u WAYLAND_DISPLAY LIFTO_UI=console LIFTO_ANSWERS= \
    "$build/atualizar" /E 'C:\PROJ\BENCH.aex'
  gen_best=$best gen_peak=$peak
done
report() {  # report NAME BEST PEAK
  best=$2
  printf '%-22s %7.2f s  %7.1f MB/s  peak %6.1f MiB\n' "$1" "$2" "$(mb_per_s "$bytes")" "$(mib "$3")"
}
report "atu create" "$atu_best" "$atu_peak"
report "atualizar /E project" "$gen_best" "$gen_peak"
atu_time=$atu_best gen_time=$gen_best
grep -q 'NUMDISCOS=1' "$c/PROJ/BENCH.aex" || { echo "the set was not generated" >&2; exit 1; }
cmp -s <("$build/atu" list 'C:\OUT\BENCH.ATU' | tail -n +4 | cut -f1 | sort) <("$build/atu" list 'C:\PROJ\BENCH.ATU' | tail -n +4 | cut -f1 | sort) ||
  echo "note: the two archives list different entries" >&2
printf 'ratio atualizar /E / atu create: %.2f (target at most 1.10)\n' "$(echo "$gen_time / $atu_time" | bc -l)"
