#!/usr/bin/env bash
# A download and its installation on a sample office: the update set lies on a loopback FTP server
# (the one the tests use), `atualizar /I /KORAMI.EXE` downloads the newest version through the
# internet helper, the offer to install it now is answered "sim", and the `atualizar /R` it starts
# installs the set. README, "Updates from the server", explains the layout and the modes.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
BUILD_TARGETS="atualizar atu vornet" scripts/build.sh build
repo=$(pwd)

demo=$(mktemp -d)
server=
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2> /dev/null || true; wait "$server" 2> /dev/null || true; fi
  rm -rf "$demo"
}
trap cleanup EXIT
home="$demo/home"
export LIFTO_HOME=$home TEMP=$demo/temp
unset TMP XDG_RUNTIME_DIR
c="$home/drive_c"
f="$home/srv"
srv="$demo/ftp/home/vornel/updates"

step() { echo; echo "== $*"; }

step "1. The update server: a set X (script and archive), versao.txt, descricao.txt and ok.txt"
mkdir -p "$c/FONTES" "$demo/temp" "$srv/KORAMI"
chmod 700 "$demo/temp"
/usr/bin/python3 "$repo/tests/net/servers/ftp_server.py" "$demo/ftp" > "$demo/port" &
server=$!
for _ in $(seq 100); do grep -q '^PORT' "$demo/port" && break; sleep 0.1; done
port=$(awk '/^PORT/ { print $2 }' "$demo/port")
[ -n "$port" ] || { echo "the FTP server did not start" >&2; exit 1; }
. scripts/sample-office.sh
sample_office "$repo" "$repo/build" "$home" "$srv" "ftp://127.0.0.1:$port"
sqlite3 "$f/KORAMI/DADOS/Novo.sqlite" \
  "CREATE TABLE Novo (USUARIO VARCHAR(10), NOMEMICRO VARCHAR(15), ATIVO BOOLEAN);"
# The set, as the vendor makes it: the archive with atu, the script beside it.
cp tests/data/korami-6.5.0.12.exe "$c/FONTES/KORAMI.EXE"
printf 'the new table\r\n' > "$c/FONTES/TABSQL.DB"
build/atu create 'S:\KORAMI\X.ATU' 'C:\FONTES\*.*' > /dev/null
printf '%s\r\n' '[CONFIG]' 'ALIAS=ALIAS_KORAMI' 'PROG=KORAMI.EXE' 'TIPO=ATU' \
  'DESCRICAO=ATUALIZACAO 6.5' 'VERSAO=6.5.0.12' 'VERWIN=1' 'EXECUTAR=' 'NUMDISCOS=1' '' '[BACKUP]' '' \
  '[PONTO]' 'P_ARQ13=C:\FONTES\KORAMI.EXE , \' '' \
  '[SERVIDOR]' 'S_ARQ16=C:\FONTES\TABSQL.DB , \DADOS\' '' '[WINDOWS]' > "$srv/KORAMI/X.aex"
printf 'X.aex\r\n' > "$srv/KORAMI/versao.txt"
printf 'X.aex;Atualiza\xe7\xe3o 6.5\r\n' > "$srv/KORAMI/descricao.txt"
printf 'em servico\r\n' > "$srv/ok.txt"
(cd "$demo/ftp" && find . -type f | sort)

step "2. The office, with the helper and the tool where the tool starts them"
(cd "$home" && find . \( -type f -o -type l \) | sort)

step "3. atualizar /I /KORAMI.EXE (console front-end; the offer is answered sim)"
status=0
(cd "$demo" && env -u DISPLAY -u WAYLAND_DISPLAY LIFTO_UI=console LIFTO_ANSWERS=sim \
   LIFTO_TRANSCRIPT="$demo/transcript.jsonl" "$repo/build/atualizar" /I /KORAMI.EXE < /dev/null) \
  || status=$?
echo "-- exit status: $status (0: the download completed)"
echo "-- F:\\KORAMI\\updates"; ls -l "$f/KORAMI/updates" | tail -n +2

step "4. The atualizar /R /KORAMI.EXE it started installs the download"
for _ in $(seq 120); do [ -s "$f/KORAMI/Atualiz.log" ] && break; sleep 0.5; done
sleep 2
cat "$demo/transcript.jsonl"
echo "-- Atualiz.log"; iconv -f CP1252 -t UTF-8 "$f/KORAMI/Atualiz.log"
cmp -s "$c/KORAMI/KORAMI.EXE" tests/data/korami-6.5.0.12.exe && echo "C:\\KORAMI\\KORAMI.EXE is now version 6.5.0.12"
cmp -s "$f/KORAMI/DADOS/TABSQL.DB" "$c/FONTES/TABSQL.DB" && echo "F:\\KORAMI\\DADOS\\TABSQL.DB installed"
exit "$status"
