# The sample office of the download demo and benchmark (sourced).
# sample_office REPO BUILD HOME SERVER_UPDATES URL: in HOME (LIFTO_HOME), drives C: (drive_c) and
# F: (srv) and S: (the server's updates folder), the program KORAMI 6.5.0.11 with its alias and
# its "App Paths" entry, the office table INDECR.DBF (dBase III: office, city, state), and the
# helper and the tool of BUILD where the tool starts them; the server URL in system.ini.
sample_office() {
  local repo=$1 build=$2 home=$3 srv=$4 url=$5
  local c=$home/drive_c f=$home/srv
  mkdir -p "$c/KORAMI" "$c/WINDOWS/System" "$f/KORAMI/DADOS" "$f/KORAMI/updates"
  printf '[Drives]\nC=drive_c\nF=srv\nS=%s\n[System]\nWindowsFolder=C:\\WINDOWS\nComputerName=PC1\n[Internet]\nServer=%s\nOnline=true\n' \
    "$srv" "$url" > "$home/system.ini"
  printf '[ALIAS_KORAMI]\r\nPATH=F:\\KORAMI\\DADOS\r\n' > "$home/aliases.ini"
  printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KORAMI.EXE]\r\n"Path"="C:\\\\KORAMI"\r\n' \
    > "$home/HKLM.reg"
  cp "$repo/tests/data/korami-6.5.0.11.exe" "$f/KORAMI/KORAMI.EXE"
  cp "$repo/tests/data/korami-6.5.0.11.exe" "$c/KORAMI/KORAMI.EXE"
  /usr/bin/python3 - "$f/KORAMI/DADOS/INDECR.DBF" <<'PY'
import struct, sys
fields = [(b"ESCRITORIO", 40), (b"CIDADE", 30), (b"UF", 2)]
record = b" " + b"ESCRITORIO CENTRAL".ljust(40) + b"RECIFE".ljust(30) + b"PE"
header_size = 32 + 32 * len(fields) + 1
with open(sys.argv[1], "wb") as out:
    out.write(struct.pack("<B3BIHH20x", 3, 126, 1, 1, 1, header_size, len(record)))
    for name, size in fields:
        out.write(struct.pack("<11sc4xB15x", name, b"C", size))
    out.write(b"\r" + record + b"\x1a")
PY
  ln -s "$build/vornet" "$c/WINDOWS/System/Vornet.exe"
  ln -s "$build/atualizar" "$c/WINDOWS/System/atualizar.exe"
}
