# Shared by the benchmark scripts (sourced): the corpus of this machine's own files, and the
# timing and peak memory of a command over RUNS runs. Needs $work (a scratch folder) and $runs.

# take FOLDER MEGABYTES DEST: copies real files of 16 KiB to 8 MiB from FOLDER into DEST, in name
# order, until MEGABYTES are taken: the sizes of the programs, libraries and data tables that
# update archives carry.
take() {
  find "$1" -xdev -type f -readable -size +16k -size -8M -printf '%s %p\n' 2>/dev/null | sort -k2 |
    awk -v budget=$(( $2 * 1024 * 1024 )) '{ if (total >= budget) exit; total += $1; sub(/^[0-9]+ /, ""); print }' |
    tar -cf - -T - 2>/dev/null | tar -xf - -C "$3" || true  # awk ends the listing early
}

# best_of PREPARE COMMAND...: runs PREPARE, then COMMAND under /usr/bin/time, RUNS times; leaves
# the best wall time in seconds in `best` and the largest peak resident size in KiB in `peak`.
best_of() {
  local prepare=$1
  shift
  best=999999 peak=0
  for _ in $(seq "$runs"); do
    "$prepare"
    run_timed "$@"
  done
  return 0
}

# run_timed COMMAND...: runs COMMAND once and folds its wall time into `best` (at least 0.01 s)
# and its peak resident size in KiB into `peak`.
run_timed() {
  local t m
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" > /dev/null 2> "$work/err" < /dev/null ||
    { cat "$work/err" >&2; exit 1; }
  read -r t m < "$work/time"
  best=$(echo "if ($t < $best) $t else $best" | bc -l)
  [ "$(echo "$best < 0.01" | bc -l)" = 1 ] && best=0.01
  [ "$m" -gt "$peak" ] && peak=$m
  return 0
}

# mb_per_s BYTES: the throughput of the last best_of over BYTES.
mb_per_s() { echo "$1 / 1000000 / $best" | bc -l; }
mib() { echo "$1 / 1024" | bc -l; }

# The loopback FTP server of the tests, for the download benchmarks. `server` holds its process;
# start_ftp_server ROOT serves ROOT (the server's "/") and sets `url`. stop_server ends it.
server=
start_ftp_server() {
  /usr/bin/python3 "$root/tests/net/servers/ftp_server.py" "$1" > "$work/port" &
  server=$!
  local port
  for _ in $(seq 100); do grep -q '^PORT' "$work/port" && break; sleep 0.1; done
  port=$(awk '/^PORT/ { print $2 }' "$work/port")
  [ -n "$port" ] || { echo "the FTP server did not start" >&2; exit 1; }
  url=ftp://127.0.0.1:$port
}
stop_server() {
  if [ -n "$server" ]; then kill "$server" 2> /dev/null || true; wait "$server" 2> /dev/null || true; fi
}
