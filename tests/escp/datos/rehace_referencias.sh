#!/usr/bin/env bash
# Remakes the reference renders of the ESC/P corpus: page 1 of each file printed by the
# velmor-imprimir given, rendered by pdftoppm at 50 dpi in grey. Look at every one before
# committing it.
# Usage: rehace_referencias.sh VELMOR_IMPRIMIR
set -euo pipefail
imprimir=$(realpath "$1")
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export QT_QPA_PLATFORM=offscreen
for f in factura listado formulario sobreimpresion logo nacional tipos letras; do
    "$imprimir" --pdf "$tmp/$f.pdf" "$f.prt"
    pdftoppm -r 50 -gray -png -f 1 -l 1 -singlefile "$tmp/$f.pdf" "$f"
done
"$imprimir" --escp9 --pdf "$tmp/formulario9.pdf" formulario.prt
pdftoppm -r 50 -gray -png -f 1 -l 1 -singlefile "$tmp/formulario9.pdf" formulario9
