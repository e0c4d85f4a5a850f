#!/usr/bin/env bash
# Remakes the reference renders of the PRT files in this folder: each file printed to PDF by the
# velmor-imprimir given, every page rendered by pdftoppm at 72 dpi in grey (small files; enough to
# show a missing, moved or misdrawn letter). The committed renders come from the Qt-based printer
# device, before the PDF writer replaced it.
# Usage: rehace_referencias.sh VELMOR_IMPRIMIR RAVENDOT_TTF
set -euo pipefail
imprimir=$(realpath "$1")
ravendot=$(realpath "$2")
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The test font "Ravendot" for the MS-Dos file, besides the system's fonts.
mkdir -p "$tmp/fuentes"
cp "$ravendot" "$tmp/fuentes/"
cat >"$tmp/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig><include>/etc/fonts/fonts.conf</include><dir>$tmp/fuentes</dir>
<cachedir>$tmp/cache</cachedir></fontconfig>
CONF
export FONTCONFIG_FILE=$tmp/fonts.conf QT_QPA_PLATFORM=offscreen

# name and velmor-imprimir options
casos=(
    "formatos"
    "fondo"
    "apaisado --horizontal"
    "dos --ms-dos"
)
rm -f ./*-[0-9]*.png
for caso in "${casos[@]}"; do
    read -r nombre opciones <<<"$caso"
    # shellcheck disable=SC2086
    "$imprimir" --pdf "$tmp/$nombre.pdf" $opciones "$nombre.prt"
    pdftoppm -r 72 -gray -png "$tmp/$nombre.pdf" "$nombre"
done
ls -l ./*.png
