#!/usr/bin/env bash
# Whole-process comparison of velmor-imprimir --pdf with cups-filters' texttopdf on the same plain
# text, run alternately, N rounds (5 by default): median wall time and peak memory of each, and
# their ratio. Reports of 3, 1,000 and 5,000 plain pages and a 3-page report with formats, boxes
# and a picture (texttopdf gets its 3 pages of plain text).
# Usage: bench/compara_texttopdf.sh VELMOR_IMPRIMIR [N]
set -euo pipefail
imprimir=$(realpath "$1")
rondas=${2:-5}
texttopdf=/usr/lib/cups/filter/texttopdf
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$tmp CHARSET=utf-8

linea() { printf '%08d  ARTICULO DE FERRETERIA GENERAL     1.234,56  EUR  ALMACEN 3 ........\r\n' "$1"; }
texto() { for ((i = 0; i < $1 * 66; i++)); do linea "$i"; done; }
texto 1000 >"$tmp/1000.prt"
texto 5000 >"$tmp/5000.prt"
texto 3 >"$tmp/3.txt"
cp "$tmp/3.txt" "$tmp/3plano.prt"
{
    printf '/IMAGEN/%s\r\n[1]FERRETERIA DEL NORTE, S.L.[Z]\r\n' "$tmp/logo.png"
    for ((i = 0; i < 188; i++)); do
        ((i % 20 == 0)) && printf '\xc9\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xbb\r\n[A]Seccion %d[a]\r\n' "$((i / 20))"
        printf '\xba [N]%s[n] [S]Total[s]\r\n' "$(linea "$i" | cut -c1-60)"
    done
} >"$tmp/3.prt"
# A small picture for the report's background.
printf '\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\x00\x00\x00\x01\x00\x00\x00\x01\x08\x02\x00\x00\x00\x90wS\xde\x00\x00\x00\x0cIDATx\x9cc\xf8\xcf\xc0\x00\x00\x03\x01\x01\x00\xc9\xfe\x92\xef\x00\x00\x00\x00IEND\xaeB`\x82' >"$tmp/logo.png"

# One run, stdin from $1 and stdout to $2: "microseconds kilobytes".
mide() {
    local entrada=$1 salida=$2 antes despues
    shift 2
    antes=$(date +%s%N)
    /usr/bin/time -f '%M' -o "$tmp/memoria" "$@" <"$entrada" >"$salida" 2>/dev/null
    despues=$(date +%s%N)
    echo "$(((despues - antes) / 1000)) $(cat "$tmp/memoria")"
}
mediana() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

printf '%-16s %10s %12s %10s %10s %8s\n' caso velmor_us texttopdf_us velmor_KiB ttp_KiB veces
for caso in 3plano 3 1000 5000; do
    entrada=$tmp/$caso.prt
    [ "$caso" = 3 ] && plano=$tmp/3.txt || plano=$entrada
    : >"$tmp/v" && : >"$tmp/t"
    for ((r = 0; r < rondas; r++)); do
        mide /dev/null /dev/null "$imprimir" --pdf "$tmp/salida.pdf" "$entrada" >>"$tmp/v"
        mide "$plano" "$tmp/ttp.pdf" "$texttopdf" 1 bench informe 1 '' >>"$tmp/t"
    done
    vs=$(cut -d' ' -f1 "$tmp/v" | mediana)
    ts=$(cut -d' ' -f1 "$tmp/t" | mediana)
    vk=$(cut -d' ' -f2 "$tmp/v" | mediana)
    tk=$(cut -d' ' -f2 "$tmp/t" | mediana)
    printf '%-16s %10s %12s %10s %10s %8.2f\n' "$caso páginas" "$vs" "$ts" "$vk" "$tk" \
        "$(echo "$vs / $ts" | bc -l)"
done
echo "carga: $(cut -d' ' -f1-3 /proc/loadavg)"
