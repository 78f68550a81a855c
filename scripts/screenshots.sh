#!/bin/sh
# Renders atualizar's windows into docs/: the main window in update mode and in edit mode, the
# entry dialog for a "[PONTO]" file and the internet settings. Uses Qt's offscreen platform, so no
# display is needed.
set -eu
cd "$(dirname "$0")/.."
BUILD_TARGETS=screenshots scripts/build.sh >/dev/null
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p docs
QT_QPA_PLATFORM=offscreen LIFTO_HOME="$home" build/screenshots docs
