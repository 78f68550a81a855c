#!/usr/bin/env bash
# Installs what is missing, builds, and shows the run modes of atualizar on a sample office,
# through the console front-end, printing what each run showed and its exit status.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh build
repo=$(pwd)

demo=$(mktemp -d)
trap 'rm -rf "$demo"' EXIT
home="$demo/home"
mkdir -p "$home/srv/KORAMI/DADOS" "$home/srv/KORAMI/updates" "$home/srv/PAVRO/DADOS" \
         "$home/srv/PAVRO/updates" "$home/srv/UPD"

# A sample office: the server share as F:, two programs with their database aliases.
cat > "$home/system.ini" <<'INI'
[Drives]
C=drive_c
F=srv
[System]
WindowsFolder=C:\WINDOWS
ComputerName=PC1
INI
cat > "$home/aliases.ini" <<'INI'
[ALIAS_KORAMI]
PATH=F:\KORAMI\DADOS
[ALIAS_PAVRO]
PATH=F:\PAVRO\DADOS
INI
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KORAMI.EXE]\r\n"Path"="C:\\\\KORAMI"\r\n' \
  > "$home/HKLM.reg"
printf 'X.aex\r\n' > "$home/srv/KORAMI/updates/atualiza.ok"
printf '[CONFIG]\r\nALIAS=ALIAS_KORAMI\r\nPROG=KORAMI.EXE\r\nTIPO=ATU\r\nVERSAO=6.5.0.12\r\n' \
  > "$home/srv/KORAMI/updates/X.aex"

run() {
  local title=$1
  shift
  echo
  echo "== $title"
  echo "\$ atualizar $*"
  rm -f "$demo/transcript.jsonl"
  local status=0
  (cd "$demo" && env -u DISPLAY -u WAYLAND_DISPLAY LIFTO_UI=console LIFTO_HOME="$home" \
     LIFTO_TRANSCRIPT="$demo/transcript.jsonl" "$repo/build/atualizar" "$@" </dev/null) || status=$?
  echo "-- transcript:"
  cat "$demo/transcript.jsonl" 2>/dev/null || true
  echo "-- exit status: $status"
}

run "Interactive update, nobody at the window: it is closed"
run "Automatic update of a program the tool does not know" /R /XYZ.EXE
run "Automatic update without atualiza.ok in the updates folder" /R /PAVRO.EXE
run "Automatic update: the marker names X.aex; three seconds after the window appears, the update procedure runs" \
  /R /KORAMI.EXE
run "Path mode with a script that is not there" 'F:\UPD\NADA.aex'
echo
echo "The update procedure is not built yet: the automatic run above ends as not done (1)."
