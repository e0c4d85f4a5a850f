#!/usr/bin/env bash
# The watched folder killed at random moments: 500 reports written in a burst into a watched
# folder (no --borrar: the record keeps each printed one), the watcher killed with SIGKILL at a
# random moment and started again, 20 times, then left to finish. Every report must be printed
# exactly once (one PDF each, none numbered "-2"), each PDF must pass qpdf --check, and no
# temporary may be left in either folder.
# Usage: bench/matar_vigilancia.sh [path/to/velmor-imprimir]
set -uo pipefail
bin=$(realpath "${1:-build/src/cli/velmor-imprimir}")
tmp=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -9 $pid 2>/dev/null; rm -rf "$tmp"' EXIT
export QT_QPA_PLATFORM=offscreen CUPS_SERVER=/nonexistent/velmor.sock
mkdir -p "$tmp/v" "$tmp/pdf"
vigila() { "$bin" --vigilar "$tmp/v" --pdf "$tmp/pdf" --reposo 50 >>"$tmp/log" 2>&1 & pid=$!; }

(for i in $(seq -w 1 500); do
    printf 'INFORME %s\r\n%s' "$i" "$(printf 'linea del informe\r\n%.0s' $(seq 1 40))" >"$tmp/v/.I$i"
    mv "$tmp/v/.I$i" "$tmp/v/I$i.PRT"
done) &
escritor=$!
for vez in $(seq 1 20); do
    vigila
    sleep "0.$((RANDOM % 400 + 50))"
    kill -9 "$pid"; wait "$pid" 2>/dev/null
done
wait $escritor
vigila
for _ in $(seq 1 600); do
    [ "$(ls "$tmp/pdf" | wc -l)" -ge 500 ] && break
    sleep 0.1
done
printf 'ULTIMO\r\n' >"$tmp/v/ZZZ.PRT"
for _ in $(seq 1 600); do [ -e "$tmp/pdf/ZZZ.pdf" ] && break; sleep 0.1; done
kill "$pid"; wait "$pid" 2>/dev/null; pid=

fallos=0
pdfs=$(ls "$tmp/pdf" | grep -c '^I[0-9]*\.pdf$')
repetidos=$(ls "$tmp/pdf" | grep -c -- '-[0-9]*\.pdf$')
malos=0
for f in "$tmp"/pdf/I*.pdf; do qpdf --check "$f" >/dev/null 2>&1 || malos=$((malos + 1)); done
temporales=$(ls -A "$tmp/pdf" "$tmp/v" | grep -c "^\." | tr -d " ")
ls -A "$tmp/pdf" "$tmp/v" | grep "^\." | grep -v "^\.velmor-vigilar$" | sed "s/^/  oculto: /"
registro=$(ls -A "$tmp/v" | grep -c '^\.velmor-vigilar$')
echo "PDF de informes: $pdfs de 500; repetidos: $repetidos; qpdf --check fallidos: $malos;" \
    "ficheros ocultos además del registro: $((temporales - registro))"
[ "$pdfs" -eq 500 ] && [ "$repetidos" -eq 0 ] && [ "$malos" -eq 0 ] &&
    [ "$((temporales - registro))" -eq 0 ] || fallos=1
[ $fallos -eq 0 ] && echo "bien" || { echo "MAL"; ls "$tmp/pdf" | grep -- '-[0-9]*\.pdf$' | head; }
exit $fallos
