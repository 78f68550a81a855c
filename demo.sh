#!/usr/bin/env bash
# Installs what is missing, builds, and installs an update on a sample office with atualizar:
# the office is made in a fresh LIFTO_HOME, the update set is generated from a project as the
# vendor does (atualizar /E), and the update runs in path mode through the console front-end. README, "The demo, step by step", explains each step.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
# Only the programs the demo uses, not the tests and benchmarks.
BUILD_TARGETS="atualizar atu vornet" scripts/build.sh build
repo=$(pwd)

demo=$(mktemp -d)
trap 'rm -rf "$demo"' EXIT
home="$demo/home"
export LIFTO_HOME=$home
c="$home/drive_c"
f="$home/srv"

step() { echo; echo "== $*"; }
show_file() { echo "-- $1"; iconv -f CP1252 -t UTF-8 "$2"; }
# Tables are SQLite files; the sqlite3 shell makes them.
sql() { sqlite3 "$1" "$2"; }

step "1. The office: the workstation's drive C:, the server share F:, the program KORAMI.EXE, the internet helper"
mkdir -p "$c/KORAMI" "$c/WINDOWS/System" "$f/KORAMI/DADOS" "$f/KORAMI/updates" "$f/UPD" "$demo/temp"
chmod 700 "$demo/temp"
export TEMP=$demo/temp
cat > "$home/system.ini" <<'INI'
[Drives]
C=drive_c
F=srv
[System]
WindowsFolder=C:\WINDOWS
ComputerName=PC1
INI
printf '[ALIAS_KORAMI]\r\nPATH=F:\\KORAMI\\DADOS\r\n[ALIAS_VORN]\r\nPATH=F:\\VORN\r\n' > "$home/aliases.ini"
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KORAMI.EXE]\r\n"Path"="C:\\\\KORAMI"\r\n' \
  > "$home/HKLM.reg"
# The installed program carries the version 6.5.0.11 in its version resource.
cp tests/data/korami-6.5.0.11.exe "$f/KORAMI/KORAMI.EXE"
cp tests/data/korami-6.5.0.11.exe "$c/KORAMI/KORAMI.EXE"
printf 'old index\r\n' > "$c/KORAMI/INDICE.IDX"
# The internet helper where the tool starts it: <WINDOWS>\System\Vornet.exe.
ln -s "$repo/build/vornet" "$c/WINDOWS/System/Vornet.exe"
# The users of the program: nobody logged in.
sql "$f/KORAMI/DADOS/Novo.sqlite" \
  "CREATE TABLE Novo (USUARIO VARCHAR(10), NOMEMICRO VARCHAR(15), ATIVO BOOLEAN);
   INSERT INTO Novo VALUES ('ANA', 'PC1', 0);"
show_file "system.ini" "$home/system.ini"
show_file "aliases.ini" "$home/aliases.ini"
show_file "HKLM.reg" "$home/HKLM.reg"
(cd "$home" && find . \( -type f -o -type l \) | sort)

step "2. The update set, on the vendor's side: atualizar /E generates it from the project X.aex"
# The vendor's catalogue (clients, generated sets and their files) in the alias ALIAS_VORN.
mkdir -p "$f/VORN" "$c/FONTES"
sql "$f/VORN/Escr.sqlite" "CREATE TABLE Escr (CONTROL INTEGER PRIMARY KEY, ABREV VARCHAR(10), ESCRITORIO VARCHAR(60));
   CREATE INDEX IABREV ON Escr (ABREV COLLATE NOCASE); INSERT INTO Escr VALUES (1, 'ACME', 'Acme');"
sql "$f/VORN/DISCOS.sqlite" "CREATE TABLE DISCOS (CONTROLE INTEGER PRIMARY KEY AUTOINCREMENT, AEX VARCHAR(255),
   DATA DATE, HORA TIME, ABREV VARCHAR(10), DESCRICAO VARCHAR(80), TIPO INTEGER, PROG VARCHAR(20),
   ALIAS VARCHAR(30), NUMDISCOS INTEGER, COMPUTADOR VARCHAR(15));"
sql "$f/VORN/ARQUIVOS.sqlite" "CREATE TABLE ARQUIVOS (DISCO INTEGER, CHAVE VARCHAR(8), NOMEARQ VARCHAR(255),
   DESTINOARQ VARCHAR(255), TAMARQ INTEGER, DATAARQ DATE, HORAARQ TIME);"
cp tests/data/korami-6.5.0.12.exe "$c/FONTES/KORAMI.EXE"
printf 'the new table\r\n' > "$c/FONTES/TABSQL.DB"
printf 'the new library\r\n' > "$c/FONTES/MINHADLL.DLL"
printf '%s\r\n' '[CONFIG]' 'ALIAS=ALIAS_KORAMI' 'PROG=KORAMI.EXE' 'TIPO=ATU' \
  'DESCRICAO=ATUALIZACAO 6.5' 'VERSAO=6.5.0.12' 'VERWIN=1' 'EXECUTAR=' '' \
  '[BACKUP]' 'B_ARQ10=<PONTO>\INDICE.IDX' '' \
  '[PONTO]' 'P_ARQ13=C:\FONTES\KORAMI.EXE , \' '' \
  '[SERVIDOR]' 'S_ARQ16=C:\FONTES\TABSQL.DB , \DADOS\' '' \
  '[WINDOWS]' 'W_ARQ19=C:\FONTES\MINHADLL.DLL , \SYSTEM\' > "$f/UPD/X.aex"
generated=0
(cd "$demo" && env -u DISPLAY -u WAYLAND_DISPLAY LIFTO_UI=console LIFTO_ANSWERS= \
   "$repo/build/atualizar" /E 'F:\UPD\X.aex' < /dev/null) || generated=$?
echo "-- exit status: $generated (0: the set was written)"
show_file "F:\\UPD\\X.aex (NUMDISCOS added)" "$f/UPD/X.aex"
build/atu list 'F:\UPD\X.ATU'

step "3. The update: atualizar 'F:\\UPD\\X.aex' (path mode, console front-end, about 6 s of set pauses)"
status=0
(cd "$demo" && env -u DISPLAY -u WAYLAND_DISPLAY LIFTO_UI=console LIFTO_ANSWERS= \
   LIFTO_TRANSCRIPT="$demo/transcript.jsonl" "$repo/build/atualizar" 'F:\UPD\X.aex' < /dev/null) \
  || status=$?
echo "-- exit status: $status (0: the update was installed)"

step "4. What it showed (the transcript)"
cat "$demo/transcript.jsonl"

step "5. The new line of the update log F:\\KORAMI\\Atualiz.log"
show_file "Atualiz.log" "$f/KORAMI/Atualiz.log"

step "6. The installed files"
for folder in "$c/KORAMI" "$f/KORAMI/DADOS" "$c/WINDOWS/System" "$f/KORAMI/updates" \
              "$f/KORAMI/updates/BACKUP"; do
  echo "-- ${folder#"$home"/}"
  ls -l "$folder" | tail -n +2
done
cmp -s "$c/KORAMI/KORAMI.EXE" tests/data/korami-6.5.0.12.exe && echo "C:\\KORAMI\\KORAMI.EXE is now version 6.5.0.12"
exit "$status"
