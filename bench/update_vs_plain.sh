#!/usr/bin/env bash
# A whole update against the same work done with plain tools.
#
# The update: about 2,000 of this machine's own files (~200 MB) spread over "[PONTO]",
# "[SERVIDOR]" and "[WINDOWS]" of one script, archived with `atu create`, left in the program's
# updates folder as a download leaves them, and installed by `atualizar` in path mode through the
# console front-end: version check, restore into the extraction folder, the three section copies,
# the log and the cleanup of the updates folder.
# The plain tools: `gzip -d` of the same files (one tar.gz) into a staging folder and `cp -r` of
# each section's folder into the same three targets.
#
# Printed: the best wall time of RUNS runs (default 3) of each, the peak resident size of each,
# and the ratio. The run modes of atualizar pause on purpose (1 s while the window is shown, the
# 3 s delay timer, 1 s before the procedure); the ratio is given both for the whole run and for
# the work alone, less the time of the same run installing a one-file update.
#   bench/update_vs_plain.sh [BUILD_FOLDER]      (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Absolute: the runs below change folder.
build=$(realpath -m "${1:-$root/build}")
runs=${RUNS:-3}
LIFTO_WITH_BENCH=1 "$root/scripts/setup.sh"
for tool in atualizar atu; do
  [ -x "$build/$tool" ] || { echo "no $build/$tool: build first (scripts/build.sh)" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/update-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
home=$work/home
export LIFTO_HOME=$home
mkdir -p "$home/drive_c/FONTES" "$home/drive_c/KORAMI" "$home/drive_c/WINDOWS" \
         "$home/srv/KORAMI/DADOS" "$home/srv/KORAMI/updates" "$work/temp"
# The extraction folder lies in the private temporary folder, here on the same disk as the rest.
export TEMP=$work/temp
chmod 700 "$work/temp"

cat > "$home/system.ini" <<'INI'
[Drives]
C=drive_c
F=srv
[System]
WindowsFolder=C:\WINDOWS
ComputerName=PC1
INI
printf '[ALIAS_KORAMI]\r\nPATH=F:\\KORAMI\\DADOS\r\n' > "$home/aliases.ini"
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KORAMI.EXE]\r\n"Path"="C:\\\\KORAMI"\r\n' \
  > "$home/HKLM.reg"
cp "$root/tests/data/korami-6.5.0.11.exe" "$home/srv/KORAMI/KORAMI.EXE"

# ~2,000 real files of 40 to 300 KB, at most 200 MB, dealt in turn to the three sections.
sections=(PONTO SERVIDOR WINDOWS)
letters=(P S W)
for s in "${sections[@]}"; do mkdir -p "$work/plain/$s"; done
count=0 total=0
while IFS= read -r -d '' f; do
  size=$(stat -c %s "$f")
  [ "$size" -ge 40000 ] && [ "$size" -le 300000 ] || continue
  i=$((count % 3))
  name=$(printf '%s%04d.BIN' "${letters[$i]}" "$count")
  cp "$f" "$home/drive_c/FONTES/$name" 2>/dev/null || continue
  ln "$home/drive_c/FONTES/$name" "$work/plain/${sections[$i]}/$name"
  count=$((count + 1)) total=$((total + size))
  [ "$count" -lt 2000 ] && [ "$total" -lt 200000000 ] || break
done < <(find /usr/lib /usr/share /usr/bin -xdev -type f -readable -print0 2>/dev/null | sort -z)
printf 'update: %d files, %.1f MB (%s cores)\n' "$count" "$(echo "$total / 1000000" | bc -l)" "$(nproc)"

# The script: every file in its section, the server's below \DADOS\, Windows' below \SYSTEM\.
script=$home/srv/KORAMI/updates/X.aex
{
  printf '[CONFIG]\r\nALIAS=ALIAS_KORAMI\r\nPROG=KORAMI.EXE\r\nTIPO=ATU\r\nDESCRICAO=BENCH\r\n'
  printf 'VERSAO=6.5.0.12\r\nVERWIN=1\r\nEXECUTAR=\r\nNUMDISCOS=1\r\n\r\n[BACKUP]\r\n\r\n'
  for i in 0 1 2; do
    case $i in 0) folder='\';; 1) folder='\DADOS\';; 2) folder='\SYSTEM\';; esac
    printf '[%s]\r\n' "${sections[$i]}"
    n=0
    for f in "$work/plain/${sections[$i]}"/*; do
      printf '%s_ARQ%d=C:\\FONTES\\%s , %s\r\n' "${letters[$i]}" "$n" "$(basename "$f")" "$folder"
      n=$((n + 1))
    done
    printf '\r\n'
  done
} > "$script"
"$build/atu" create 'F:\KORAMI\updates\X.ATU' 'C:\FONTES\*.*' --title "$(printf 'Atualiza\xe7\xe3o')" \
  > /dev/null
# The same run with a one-file update: the fixed cost of a run, its pauses included.
mkdir -p "$home/drive_c/UM"
printf 'one\r\n' > "$home/drive_c/UM/UM.TXT"
printf '[CONFIG]\r\nALIAS=ALIAS_KORAMI\r\nPROG=KORAMI.EXE\r\nTIPO=ATU\r\nDESCRICAO=BENCH\r\nVERSAO=6.5.0.12\r\nVERWIN=1\r\nEXECUTAR=\r\nNUMDISCOS=1\r\n\r\n[BACKUP]\r\n\r\n[PONTO]\r\nP_ARQ0=C:\\UM\\UM.TXT , \\\r\n' \
  > "$home/srv/KORAMI/updates/UM.aex"
"$build/atu" create 'F:\KORAMI\updates\UM.ATU' 'C:\UM\*.*' > /dev/null
tar -C "$work/plain" -cf - . | gzip -6 > "$work/plain.tar.gz"
printf 'archive: %.1f MB; tar.gz: %.1f MB\n' \
  "$(echo "$(stat -c %s "$home/srv/KORAMI/updates/X.ATU") / 1000000" | bc -l)" \
  "$(echo "$(stat -c %s "$work/plain.tar.gz") / 1000000" | bc -l)"

targets=("$home/drive_c/KORAMI" "$home/srv/KORAMI/DADOS" "$home/drive_c/WINDOWS/SYSTEM")
clean_targets() {
  rm -rf "$home/drive_c/KORAMI"/*.BIN "$home/srv/KORAMI/DADOS" "$home/drive_c/WINDOWS/SYSTEM" \
         "$home/srv/KORAMI/Atualiz.log" "$work/staging"
  cp "$root/tests/data/korami-6.5.0.11.exe" "$home/srv/KORAMI/KORAMI.EXE"
  sync
}

update_run() {
  (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY LIFTO_UI=console LIFTO_ANSWERS= \
     "$build/atualizar" 'F:\KORAMI\updates\X.aex' < /dev/null > /dev/null)
}
fixed_run() {
  (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY LIFTO_UI=console LIFTO_ANSWERS= \
     "$build/atualizar" 'F:\KORAMI\updates\UM.aex' < /dev/null > /dev/null)
}
plain_run() {
  mkdir -p "$work/staging" "${targets[@]}"
  gzip -dc "$work/plain.tar.gz" | tar -C "$work/staging" -xf -
  cp -r "$work/staging/PONTO/." "${targets[0]}/"
  cp -r "$work/staging/SERVIDOR/." "${targets[1]}/"
  cp -r "$work/staging/WINDOWS/." "${targets[2]}/"
}
export work home build

# measure NAME FUNCTION: best wall time and peak resident size over the runs, in globals.
. "$root/bench/lib.sh"
measure() {
  best_of clean_targets bash -c "$(declare -p targets); $(declare -f "$2"); $2"
  printf '%-34s %7.2f s  peak %6.1f MiB\n' "$1" "$best" "$(mib "$peak")"
}

measure "atualizar (path mode)" update_run
update=$best update_peak=$peak
installed=$(find "${targets[@]}" -name '*.BIN' | wc -l)
[ "$installed" -eq "$count" ] || { echo "the update installed $installed of $count files" >&2; exit 1; }
measure "gzip -d | tar x, cp -r x3" plain_run
plain=$best

measure "atualizar, one-file update" fixed_run
fixed=$best

work_time=$(echo "$update - $fixed" | bc -l)
printf 'ratio: %.2f (whole run), %.2f (without the %.2f s that a one-file update takes: the pauses of the run mode); target <= 1.2\n' \
  "$(echo "$update / $plain" | bc -l)" "$(echo "$work_time / $plain" | bc -l)" "$fixed"
printf 'peak memory of atualizar: %.1f MiB\n' "$(echo "$update_peak / 1024" | bc -l)"
