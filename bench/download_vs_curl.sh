#!/usr/bin/env bash
# A whole download of an update set against the curl command fetching the same two files.
#
# The set: this machine's own files (~250 MB of libraries, programs and data) archived with
# `atu create` into one archive of about 100 MB, and its script, served by the loopback FTP server
# of the tests. The download: `atualizar /I /KORAMI.EXE` in the console front-end on a sample
# office: it starts the internet helper, reads versao.txt, fetches the script and the archive
# into <TEMP>\vorndown (the helper flushes each to disk), moves them into the program's updates
# folder (here on the same file system; an updates folder on another one takes a copy), writes
# the marker, and the offer to install at once is answered "nao", so that no "/R" run follows. The plain tool: one `curl` command fetching the script and the archive (into the
# page cache, not flushed).
#
# Printed: the best wall time of RUNS runs (default 5) of each, the peak resident size of each,
# and the ratio. The download mode pauses on purpose: 1 s while the window is shown, the 3 s delay
# timer, and three waits for the clock's next whole second (0 to 1 s each, after the office table,
# after versao.txt and before the archive). The ratio is given both for the whole run and for the
# work alone, less the time of the same run downloading a one-file set; every run starts 0.05 s
# after a whole second, so that both runs meet the same waits. Last, one run with the time of each
# line it prints: where the time goes.
# The curl command can meet libcurl's one-second pause before a passive data connection that the
# helper's own transfer loop cuts short; the best of the runs mostly leaves it out.
#   bench/download_vs_curl.sh [BUILD_FOLDER]      (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${RUNS:-5}
megabytes=${MEGABYTES:-250}
for program in atualizar atu vornet; do
  [ -x "$build/$program" ] || { echo "no $build/$program: build first (scripts/build.sh)" >&2; exit 2; }
done
for tool in /usr/bin/time /usr/bin/python3 curl bc; do
  command -v "$tool" > /dev/null || { echo "needs $tool (LIFTO_WITH_BENCH=1 scripts/setup.sh)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/download-bench.XXXXXX")
. "$root/bench/lib.sh"
cleanup() {
  stop_server
  rm -rf "$work"
}
trap cleanup EXIT

home=$work/home
c=$home/drive_c
f=$home/srv
srv=$work/ftp/home/vornel/updates
export LIFTO_HOME=$home TEMP=$work/temp
unset TMP XDG_RUNTIME_DIR
mkdir -p "$c/FONTES" "$c/UM" "$work/temp" "$work/down" "$srv/KORAMI"
chmod 700 "$work/temp"
start_ftp_server "$work/ftp"

# The office of the download demo.
. "$root/scripts/sample-office.sh"
sample_office "$root" "$build" "$home" "$srv" "$url"

# The set X: real files in their folders, each source with its share, every file in [PONTO].
take /usr/lib/x86_64-linux-gnu $(( megabytes * 45 / 100 )) "$c/FONTES"
take /usr/bin $(( megabytes * 15 / 100 )) "$c/FONTES"
take /usr/share $(( megabytes * 30 / 100 )) "$c/FONTES"
take /usr/include $(( megabytes * 10 / 100 )) "$c/FONTES"
files=$(find "$c/FONTES" -type f | wc -l)
"$build/atu" create 'S:\KORAMI\X.ATU' 'C:\FONTES\*.* /s' > /dev/null
{
  printf '%s\r\n' '[CONFIG]' 'ALIAS=ALIAS_KORAMI' 'PROG=KORAMI.EXE' 'TIPO=ATU' 'DESCRICAO=BENCH' \
    'VERSAO=6.5.0.12' 'VERWIN=1' 'EXECUTAR=' 'NUMDISCOS=1' '' '[BACKUP]' '' '[PONTO]'
  n=0
  (cd "$c/FONTES" && find . -type f | sort) | while IFS= read -r name; do
    name=${name#./}
    printf 'P_ARQ%d=C:\\FONTES\\%s , \\\r\n' "$n" "${name//\//\\}"
    n=$((n + 1))
  done
  printf '%s\r\n' '' '[SERVIDOR]' '' '[WINDOWS]'
} > "$srv/KORAMI/X.aex"
# The set UM, of one small file: the fixed cost of a download run, its pauses included.
printf 'one\r\n' > "$c/UM/UM.TXT"
"$build/atu" create 'S:\KORAMI\UM.ATU' 'C:\UM\*.*' > /dev/null
printf '%s\r\n' '[CONFIG]' 'ALIAS=ALIAS_KORAMI' 'PROG=KORAMI.EXE' 'TIPO=ATU' 'DESCRICAO=BENCH' \
  'VERSAO=6.5.0.12' 'VERWIN=1' 'EXECUTAR=' 'NUMDISCOS=1' '' '[BACKUP]' '' '[PONTO]' \
  'P_ARQ0=C:\UM\UM.TXT , \' '' '[SERVIDOR]' '' '[WINDOWS]' > "$srv/KORAMI/UM.aex"
printf 'em servico\r\n' > "$srv/ok.txt"
bytes=$(( $(stat -c %s "$srv/KORAMI/X.aex") + $(stat -c %s "$srv/KORAMI/X.ATU") ))
printf 'set: %d files, %.1f MB; archive %.1f MB, script %.1f KB; from %s (%s cores)\n' "$files" \
  "$(echo "$(du -sb "$c/FONTES" | cut -f1) / 1000000" | bc -l)" \
  "$(echo "$(stat -c %s "$srv/KORAMI/X.ATU") / 1000000" | bc -l)" \
  "$(echo "$(stat -c %s "$srv/KORAMI/X.aex") / 1000" | bc -l)" "$url" "$(nproc)"

# Before each run: nothing downloaded yet, versao.txt naming the set of the run, and the clock
# 0.05 s past a whole second.
clean() {
  rm -rf "$work/down/"* "$f/KORAMI/updates/"* "$work/temp/vorndown" "$f/KORAMI/Atualiz.log"
  sync
}
on_the_second() { sleep "$(echo "(1050 - $(date +%N) / 1000000) / 1000" | bc -l)"; }
newest_x() { clean; printf 'X.aex\r\n' > "$srv/KORAMI/versao.txt"; on_the_second; }
newest_um() { clean; printf 'UM.aex\r\n' > "$srv/KORAMI/versao.txt"; on_the_second; }

download_run() {
  cd "$work" && exec env -u DISPLAY -u WAYLAND_DISPLAY LIFTO_UI=console LIFTO_ANSWERS=nao \
    LIFTO_TRANSCRIPT="$work/transcript.jsonl" "$build/atualizar" /I /KORAMI.EXE
}
curl_run() {
  exec curl -s -S -u vornel:trovemi4 \
    -o "$work/down/X.aex" "$url/%2Fhome/vornel/updates/KORAMI/X.aex" \
    -o "$work/down/X.ATU" "$url/%2Fhome/vornel/updates/KORAMI/X.ATU"
}
export work home build url

# measure NAME PREPARE FUNCTION: best wall time and peak resident size over the runs, in globals.
measure() {
  best_of "$2" bash -c "$(declare -f "$3"); $3"
  printf '%-40s %7.2f s  %7.1f MB/s  peak %6.1f MiB\n' "$1" "$best" "$(mb_per_s "$bytes")" "$(mib "$peak")"
}
same() { cmp -s "$srv/KORAMI/$1" "$2/$1" || { echo "$2/$1 differs from the server's" >&2; exit 1; }; }

measure "curl, script and archive" clean curl_run
plain=$best plain_peak=$peak
same X.aex "$work/down"; same X.ATU "$work/down"

rm -f "$work/transcript.jsonl"
measure "atualizar /I (helper, move, marker)" newest_x download_run
download=$best download_peak=$peak
same X.aex "$f/KORAMI/updates"; same X.ATU "$f/KORAMI/updates"
[ -f "$f/KORAMI/updates/atualiza.ok" ] || { echo "the download wrote no marker" >&2; exit 1; }
grep -q '"answer":"nao"' "$work/transcript.jsonl" || { echo "the offer was not answered nao" >&2; exit 1; }
sleep 1
[ ! -e "$f/KORAMI/Atualiz.log" ] || { echo "an installation followed the download" >&2; exit 1; }

measure "atualizar /I, one-file set" newest_um download_run
fixed=$best

work_time=$(echo "$download - $fixed" | bc -l)
printf 'ratio: %.2f (whole run), %.2f (without the %.2f s that a one-file set takes: the pauses of the run mode); target <= 1.2\n' \
  "$(echo "$download / $plain" | bc -l)" "$(echo "$work_time / $plain" | bc -l)" "$fixed"
printf 'peak memory: atualizar %.1f MiB (its helper included), curl %.1f MiB\n' \
  "$(mib "$download_peak")" "$(mib "$plain_peak")"

# Where the time goes: one run of the set with the time at which each of its lines appeared.
newest_x
start=$EPOCHREALTIME
download_run < /dev/null 2>&1 | while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "$line"; done \
  > "$work/stamped"
end=$EPOCHREALTIME
same X.ATU "$f/KORAMI/updates"
awk -v start="${start/,/.}" -v end="${end/,/.}" '
  { sub(/,/, ".", $1) }
  !asked && /\(ATU\)/ { asked = $1 }
  !copying && / *Copiando/ { copying = $1 }
  !done && /Download Conclu/ { done = $1 }
  END {
    if (!asked || !copying || !done) { print "the run did not print its steps" > "/dev/stderr"; exit 1 }
    printf "one run, by its lines: %.2f s up to the archive request (pauses, helper start, versao.txt, script), ", asked - start
    printf "%.2f s the archive through the helper, %.2f s the move into the updates folder and the marker, ", copying - asked, done - copying
    printf "%.2f s the offer and the end\n", end - done
  }' "$work/stamped"
