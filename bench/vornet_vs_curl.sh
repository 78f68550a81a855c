#!/usr/bin/env bash
# The internet helper against the curl command on one ~200 MB file from the loopback FTP server
# of the tests: vornet downloads it through the tool's link (bench's vornet_download, with a
# progress bar; it flushes the file to disk before renaming it into place), curl straight to a
# file (left in the page cache). Prints the throughput of each (best of RUNS runs,
# default 5), their ratio (target: vornet at least 0.9 of curl) and the helper's peak memory
# (target: under 16 MiB).
#   bench/vornet_vs_curl.sh [BUILD_FOLDER]      (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
runs=${RUNS:-5}
megabytes=${MEGABYTES:-200}
for program in vornet bench/vornet_download; do
  [ -x "$build/$program" ] || { echo "no $build/$program: build first (scripts/build.sh)" >&2; exit 2; }
done
for tool in /usr/bin/time curl bc; do
  command -v "$tool" > /dev/null || { echo "needs $tool (LIFTO_WITH_BENCH=1 scripts/setup.sh)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vornet-bench.XXXXXX")
. "$root/bench/lib.sh"
cleanup() {
  stop_server
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/srv/home/vornel/updates" "$work/down"
head -c $(( megabytes * 1024 * 1024 )) /dev/urandom > "$work/srv/home/vornel/updates/BIG.ATU"
bytes=$(stat -c %s "$work/srv/home/vornel/updates/BIG.ATU")
start_ftp_server "$work/srv"

# A site of its own: the window runtime and the exchange file stay in it.
export LIFTO_HOME=$work/home
mkdir -p "$LIFTO_HOME/drive_c" "$work/temp"
chmod 700 "$work/temp"
export TEMP=$work/temp
unset TMP XDG_RUNTIME_DIR
printf '[Drives]\nC=drive_c\nD=%s\n[Internet]\nServer=%s\nOnline=true\n' "$work/down" "$url" > "$LIFTO_HOME/system.ini"

best_curl=999999
best_vornet=999999
peak=0
for _ in $(seq "$runs"); do
  rm -f "$work/down/"*; sync
  /usr/bin/time -f '%e' -o "$work/curl-time" curl -s -S -u vornel:trovemi4 -o "$work/down/BIG.ATU" \
    "$url/%2Fhome/vornel/updates/BIG.ATU"
  cmp -s "$work/down/BIG.ATU" "$work/srv/home/vornel/updates/BIG.ATU" || { echo "curl's copy differs" >&2; exit 1; }
  t=$(cat "$work/curl-time")
  best_curl=$(echo "if ($t < $best_curl) $t else $best_curl" | bc -l)

  rm -f "$work/down/"*; sync
  /usr/bin/time -f '%M' -o "$work/vornet-mem" "$build/vornet" 2> "$work/vornet-err" &
  helper=$!
  read -r t moves < <("$build/bench/vornet_download" /home/vornel/updates/BIG.ATU 'D:\BIG.ATU')
  wait "$helper" || { cat "$work/vornet-err" >&2; exit 1; }
  cmp -s "$work/down/BIG.ATU" "$work/srv/home/vornel/updates/BIG.ATU" || { echo "vornet's copy differs" >&2; exit 1; }
  best_vornet=$(echo "if ($t < $best_vornet) $t else $best_vornet" | bc -l)
  m=$(tail -n 1 "$work/vornet-mem")
  [ "$m" -gt "$peak" ] && peak=$m
done

rate() { echo "$bytes / 1048576 / $1" | bc -l; }
printf 'file: %.1f MiB from %s\n' "$(echo "$bytes / 1048576" | bc -l)" "$url"
printf '%-24s %7.2f s  %7.1f MiB/s\n' "curl" "$best_curl" "$(rate "$best_curl")"
printf '%-24s %7.2f s  %7.1f MiB/s  (%d progress positions)\n' "vornet through the link" "$best_vornet" \
  "$(rate "$best_vornet")" "$moves"
printf 'ratio vornet / curl throughput: %.2f (target at least 0.90)\n' "$(echo "$best_curl / $best_vornet" | bc -l)"
printf 'vornet peak memory: %.1f MiB (target under 16)\n' "$(echo "$peak / 1024" | bc -l)"
