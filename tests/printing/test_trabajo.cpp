// The print job, as velmor-imprimir runs it: what it prints, where, and which file it deletes (only
// the very file that printed whole). Queues of the fixture "cups": "Oficina" (default) and
// "Almacen" write their jobs to $VELMOR_CUPS_JOBS_DIR/<Queue>-<n>.pdf; "Detenida" is stopped,
// "Rechaza" refuses jobs, "Inalcanzable" sends to a printer that never answers. And Velmor on a
// print server: the backend velmor from a `cmake --install` of this build behind a queue "Velmor"
// (velmor:/Oficina), with jobs sent as clients send them.
#include "printing/cola_cups.h"
#include "printing/trabajo_impresion.h"
#include "support/ficheros.h"
#include "support/filas.h"
#include "support/programas.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <csignal>
#include <cups/cups.h>
#include <fcntl.h>
#include <unistd.h>

namespace {
const QString kTrabajos = qEnvironmentVariable("VELMOR_CUPS_JOBS_DIR");
QStringList trabajos() {
    return QDir(kTrabajos).entryList({"*.pdf"}, QDir::Files);
}
// The jobs of a queue the listener has written since `antes`, once there is one.
QStringList nuevos(const QStringList& antes, const QString& cola) {
    QStringList n;
    (void)QTest::qWaitFor(
        [&] {
            n = trabajos().filter(QRegularExpression("^" + cola + "-"));
            for (const QString& f : antes)
                n.removeOne(f);
            return !n.isEmpty();
        },
        60000);
    return n;
}
// A shell in `carpeta`, velmor-imprimir as "$V", "$N" before it to run it without root's rights,
// "$L" the job a queue's printer got.
int Shell(const QString& carpeta, const QString& orden, QString* salida = nullptr,
          const QString& llegado = {}) {
    auto entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert("V", VELMOR_IMPRIMIR);
    entorno.insert("M", VELMOR_SOURCE_DIR "/samples");
    entorno.insert("R", VELMOR_RAVENDOT_TTF);
    entorno.remove("VELMOR_CP_DOS");
    entorno.insert("D", VELMOR_SOURCE_DIR "/tests/escp/datos");
    entorno.insert("T", VELMOR_SOURCE_DIR "/tests/printing/datos_servidor");
    entorno.insert("C", VELMOR_CUPS_DIR);
    entorno.insert("P", VELMOR_CUPS_DIR "/imagenes");
    entorno.insert("U",
                   "ipp://" + QUrl::toPercentEncoding(entorno.value("CUPS_SERVER")) + "/printers/");
    entorno.insert("L", llegado);
    entorno.insert("N", geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "");
    int estado = -1;
    QString errores;
    const QString funciones =
        "r() { printf 'x\\r\\n' > \"$1\"; }\n"
        "t() { printf 'Hola \\233 mundo\\r\\n' > T.PRT; }\n"
        "pdf() { pdfinfo T.pdf | grep -q \"^Page size: *$1\" && pdftotext T.pdf - | grep -qF "
        "\"$2\"; }\n"
        "q() { printf 'PARA LA COLA Espa\\244a\\r\\n{{Pagina}}\\r\\nsegunda\\r\\n' > Q.PRT; }\n"
        "g() { cp ../G.PRT .; mkdir o t; mkdir -m 700 x; }\n"
        "e() { printf \"$1\" > R.PRT; cp R.PRT .orig; }\n"
        "fuente() { pdffonts \"$1.pdf\" | sed -n 3p | cut -d' ' -f1 | cut -d+ -f2; }\n"
        "guardado() { cmp R.PRT .orig && test ! -e R.pdf; }\n"
        "muestra() { n=$1; shift; ls -A \"$M\" | cmp - antes && pdftotext -layout s.pdf t || "
        "return 1\n"
        "  for x; do grep -qF -- \"$x\" t || return 1; done\n"
        "  test -z \"$(grep -e /IMAGEN/ -e 'esto no se imprime' t)\" && { [ $n = - ] ||\n"
        "  [ \"$(pdfinfo s.pdf | grep -c \"^Pages: *$n$\") $(pdfimages -list s.pdf | grep -c "
        "'^ *[0-9]* *[0-9]* image')\" = \"1 $n\" ]; }; }\n"
        // Starts the command given and returns once it writes into o/, its PID in $p.
        "a_mitad() { TMPDIR=$PWD/t XDG_RUNTIME_DIR=$PWD/x \"$@\" & p=$!; for i in $(seq 3000); do\n"
        "  ls -l /proc/$p/fd 2>/dev/null | grep -q \"$PWD/o/\" && return; sleep 0.01; done; }\n"
        R"sh(trabajos() { ipptool -c "$U$1" "$T/trabajos.test"; }
envia() { a=$(trabajos $1 | awk -F, 'NR > 1 && $1 > n { n = $1 } END { print n + 0 }'); q=$1
  shift; "$@" > /dev/null || return; for i in $(seq 900); do trabajos $q | awk -F, -v a=$a \
  'NR > 1 && $1 > a && $2 ~ /^(completed|canceled|aborted)$/' | grep . && return; sleep 0.1; done
  return 1; }
ipp() { ipptool -f $1 "${U}Velmor" "$T/imprime.test"; }
lpd() { c=$(printf 'Hcliente\nPana\nJ%s\nldfA001cliente\n' $1); n=$(stat -c %s $1)
  { printf '\002Velmor\n\002%d cfA001cliente\n%s\n' $((${#c} + 1)) "$c"; head -c 1 /dev/zero
    printf '\003%d dfA001cliente\n' $n; cat $1; head -c 1 /dev/zero; } |
    /usr/lib/cups/daemon/cups-lpd > /dev/null; }
imagenes() { pdfimages -list "$1" | tail -n +3 | wc -l; }
igual() { w=$PWD; (cd "$P" && $V --pdf "$w/r.pdf" "$w/F.PRT") && pdftotext -layout "$L" a &&
  pdftotext -layout r.pdf b && cmp a b && [ $(imagenes "$L") = $(imagenes r.pdf) ]; }
sin_imagen() { pdftotext "$L" - | grep -q VISIBLE && [ $(imagenes "$L") = 0 ]; }
instala() { ln -sf $PWD/usr/lib/cups/backend/velmor "$C/serverbin/backend" &&
  ln -sf $PWD/usr/lib/cups/filter/velmortopdf "$C/serverbin/filter" &&
  cp usr/share/cups/mime/velmor.* "$C" && cp "$M/logo.png" "$P" || return
  # The scheduler reloads its types once no job is printing.
  cancel -a; kill -HUP $(cat "$C/cupsd.pid"); for i in $(seq 900); do lpadmin -p Filtro -E \
    -v $(lpstat -v Oficina | sed 's/.*: //') -P "$T/pdf.ppd" 2>/dev/null && ipptool -tv \
    "${U}Filtro" get-printer-attributes.test | grep -q vnd.velmor-prt && break; sleep 0.1; false
  done || return
  lpinfo -v | grep -qx 'direct velmor' && lpadmin -p Velmor -E -v velmor:/Oficina; }
para_la_cola() { pdftotext "$L" - | grep -q 'PARA LA COLA España'; }
siguiente() { pdftotext "$L" - | grep -q SIGUIENTE; }
)sh";
    const QString out =
        Ejecuta("sh", {"-c", funciones + orden}, &estado, &errores, carpeta, entorno);
    if (salida) *salida = out + errores;
    return estado;
}

// One row a line: name ¦ prepara ¦ orden ¦ estado ¦ dice ¦ comprueba ¦ cola. The shell has "$V"
// (velmor-imprimir), "$N" (before it: without root's rights), "$R" (the Ravendot test font),
// "fuente P" (the first font of P.pdf, without its subset tag), "r F" (a one-line PRT file F), "t"
// (T.PRT, "Hola" and the byte 9B), "pdf SIZE TEXT" (T.pdf's pages are that size, it says TEXT), "q"
// (Q.PRT, with a page break), "g" (G.PRT, 8000 pages), "a_mitad" (see above), "e F" (R.PRT made by
// printf F), "guardado" (R.PRT as made, no R.pdf), "$M" (samples/) and "muestra N PARTS" (samples/
// unchanged since "antes" was listed, s.pdf says PARTS, has N pages, "-": any, each with its
// picture).
const char* const kOrdenes = R"filas(
# What is not a regular file, or cannot be read, is refused at once (a FIFO with no writer would hang the job for ever) and kept.
FIFO ¦ mkfifo R.PRT ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ es una tubería (FIFO) ¦ test -p R.PRT; test ! -e R.pdf ¦
socket ¦ python3 -c "import socket; socket.socket(socket.AF_UNIX).bind('R.PRT')" ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ «R.PRT» es un socket, no un fichero ¦ test -S R.PRT; test ! -e R.pdf ¦
terminal ajena ¦ ¦ setsid -w $V --pdf R.pdf /dev/tty ¦ 1 ¦ «/dev/tty» es un dispositivo, no un fichero ¦ test ! -e R.pdf ¦
carpeta ¦ mkdir R.PRT ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ es una carpeta ¦ test -d R.PRT; test ! -e R.pdf ¦
no existe ¦ ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ R.PRT;no encontrado ¦ test ! -e R.pdf ¦
enlace en bucle ¦ ln -s R.PRT R.PRT ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ no encontrado ¦ test -L R.PRT; test ! -e R.pdf ¦
sin permiso de lectura ¦ r R.PRT; chmod 0 R.PRT; chmod 777 . ¦ $N $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ No hay permiso para leer el fichero ¦ test -e R.PRT; test ! -e R.pdf ¦
en una carpeta cerrada ¦ mkdir -m 0 c; r c/R.PRT; chmod 777 . ¦ $N $V --pdf R.pdf --borrar c/R.PRT ¦ 1 ¦ c/R.PRT ¦ test -e c/R.PRT; test ! -e R.pdf ¦
no se puede borrar ¦ mkdir c; r c/R.PRT; chmod 555 c; chmod 777 . ¦ $N $V --pdf R.pdf --borrar c/R.PRT ¦ 1 ¦ no hay permiso ¦ test -e c/R.PRT; test -s R.pdf ¦
# A name that is not UTF-8 names that file, not the one Qt would make of it (U+FFFD).
byte suelto ¦ echo ES BYTES > "$(printf '\377.prt')"; r "$(printf '\357\277\275.prt')" ¦ $V --pdf s.pdf --borrar "$(printf '\377.prt')" ¦ 0 ¦ ¦ test ! -e "$(printf '\377.prt')"; test -e "$(printf '\357\277\275.prt')"; pdftotext s.pdf - | grep -q 'ES BYTES' ¦
# The PDF is never written over the file it prints, whatever name reaches it.
PDF sobre el PRT ¦ r M.PRT ¦ $V --pdf M.PRT --borrar M.PRT ¦ 1 ¦ propio fichero ¦ printf 'x\r\n' | cmp - M.PRT ¦
PDF por otro camino ¦ r M.PRT ¦ $V --pdf "$PWD/./M.PRT" --borrar M.PRT ¦ 1 ¦ propio fichero ¦ printf 'x\r\n' | cmp - M.PRT ¦
PDF por un enlace simbólico ¦ r M.PRT; ln -s M.PRT e.pdf ¦ $V --pdf e.pdf --borrar M.PRT ¦ 1 ¦ propio fichero ¦ printf 'x\r\n' | cmp - M.PRT ¦
PDF por un enlace duro ¦ r M.PRT; ln M.PRT e.pdf ¦ $V --pdf e.pdf --borrar M.PRT ¦ 1 ¦ propio fichero ¦ printf 'x\r\n' | cmp - M.PRT ¦
# Another program changes the file while the job writes its PDF: the job fails saying so, leaves no PDF, and keeps the file.
sustituido ¦ g ¦ a_mitad $V --pdf o/G.pdf --borrar G.PRT; kill -STOP $p; r n; mv n G.PRT; kill -CONT $p; wait $p ¦ 1 ¦ ha cambiado ¦ test -e G.PRT; test -z "$(ls -A o)" ¦
ampliado ¦ g ¦ a_mitad $V --pdf o/G.pdf --borrar G.PRT; kill -STOP $p; echo mas >> G.PRT; kill -CONT $p; wait $p ¦ 1 ¦ ha cambiado ¦ test -e G.PRT; test -z "$(ls -A o)" ¦
recortado ¦ g ¦ a_mitad $V --pdf o/G.pdf --borrar G.PRT; kill -STOP $p; truncate -s 1000 G.PRT; kill -CONT $p; wait $p ¦ 1 ¦ se ha recortado: tenía ; bytes y tiene 1000) ¦ test -s G.PRT; test -z "$(ls -A o)" ¦
reescrito con su hora ¦ g ¦ a_mitad $V --pdf o/G.pdf --borrar G.PRT; kill -STOP $p; touch -r G.PRT h; printf Z | dd of=G.PRT conv=notrunc status=none; touch -r h G.PRT; kill -CONT $p; wait $p ¦ 1 ¦ otro programa ha reescrito parte ¦ test -e G.PRT; test -z "$(ls -A o)" ¦
tocado ¦ g ¦ a_mitad $V --pdf o/G.pdf --borrar G.PRT; kill -STOP $p; touch -d 2001-01-01 G.PRT; kill -CONT $p; wait $p ¦ 1 ¦ ha cambiado ¦ test -e G.PRT; test -z "$(ls -A o)" ¦
aún se escribe ¦ g ¦ a_mitad $V --pdf o/G.pdf --borrar G.PRT; kill -STOP $p; (exec 3>>G.PRT; exec sleep 600) & w=$!; until ls -l /proc/$w/fd | grep -q G.PRT; do sleep 0.01; done; kill -CONT $p; wait $p; e=$?; kill $w; exit $e ¦ 1 ¦ aún se está escribiendo ¦ test -e G.PRT; test -z "$(ls -A o)" ¦
sin cambios ¦ g ¦ a_mitad $V --pdf o/G.pdf --borrar G.PRT; kill -STOP $p; kill -CONT $p; wait $p ¦ 0 ¦ ¦ test ! -e G.PRT; test -s o/G.pdf ¦
# velmor-imprimir needs no window system, and a job that only writes a PDF never loads the print
# system's library (nor what it drags in), nor SQLite (the watched folder's record).
bibliotecas ¦ ¦ ldd "$V" > l ¦ 0 ¦ ¦ grep -q libQt6Core l; ! grep -qE 'libQt6(Gui|Widgets)|libcups|libsqlite' l ¦
--pdf sin libcups ¦ g ¦ a_mitad $V --pdf o/G.pdf G.PRT; kill -STOP $p; cp /proc/$p/maps m; kill -CONT $p; wait $p ¦ 0 ¦ ¦ grep -q libQt6Core m; ! grep -q libcups m ¦
# A signal while the PDF is written leaves no half PDF at the output's name and no temporary file anywhere.
SIGTERM ¦ g ¦ a_mitad $V --pdf o/G.pdf --borrar G.PRT; kill -TERM $p; wait $p ¦ 143 ¦ ¦ test -e G.PRT; test -z "$(ls -A o)$(ls -A t)" ¦
SIGINT ¦ g ¦ a_mitad env --default-signal=INT $V --pdf o/G.pdf --borrar G.PRT; kill -INT $p; wait $p ¦ 130 ¦ ¦ test -e G.PRT; test -z "$(ls -A o)$(ls -A t)" ¦
SIGHUP ¦ g ¦ a_mitad $V --pdf o/G.pdf --borrar G.PRT; kill -HUP $p; wait $p ¦ 129 ¦ ¦ test -e G.PRT; test -z "$(ls -A o)$(ls -A t)" ¦
SIGKILL ¦ g ¦ a_mitad $V --pdf o/G.pdf --borrar G.PRT; kill -KILL $p; wait $p ¦ 137 ¦ ¦ test -e G.PRT; test -z "$(ls -A o)$(ls -A t)" ¦
# A PDF that could not be written whole is no print: nothing at its name or beside it.
disco lleno ¦ mkdir lim; seq -f 'linea %g' 2000 > G.PRT ¦ prlimit --fsize=20000 $V --pdf lim/s.pdf --borrar G.PRT ¦ 1 ¦ s.pdf ¦ test -e G.PRT; test -z "$(ls -A lim)" ¦
salida que no es un fichero ¦ r R.PRT ¦ $V --pdf /dev/full --borrar R.PRT ¦ 1 ¦ /dev/full;no es un fichero normal ¦ test -e R.PRT; test -c /dev/full ¦
nada que imprimir ¦ printf '{{Pagina}}\r\n' > V.PRT ¦ $V --pdf v.pdf --borrar V.PRT ¦ 1 ¦ V.PRT;nada que imprimir ¦ test ! -e v.pdf ¦
# A damaged picture is told in Spanish, the decoder's own complaint never reaches stderr.
PNG roto ¦ printf '\211PNG\r\n\032\n\0\0\0\rIHDR\0\0\0\1\0\0\0\1\10\2\0\0\0XXXX' > i.png; printf 'a\r\n/IMAGEN/i.png\r\n' > R.PRT ¦ $V --pdf s.pdf R.PRT 2> e; e=$?; cat e; exit $e ¦ 1 ¦ i.png;dañados ¦ ! grep -qiE 'libpng|crc' e ¦
# What Velmor cannot print as intended (another printer language, a malformed command, nothing to print) fails naming the file and the cause, and is kept whole; an empty file, or a line of codes alone, prints (nothing) and goes.
PCL ¦ e '\033E\033&l26A\033(s0p10h12v0s0b3TLinea 1 del informe\r\n\f\033E' ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ R.PRT;es un trabajo PCL para impresoras láser; Velmor no lo imprime. El fichero se conserva. ¦ guardado ¦
PJL ¦ e '\033%%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=PCL\r\n\033E\033&l26ALinea\r\n' ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ R.PRT;es un trabajo PCL ¦ guardado ¦
PJL con PostScript ¦ e '\033%%-12345X@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%%!PS\r\nshowpage\r\n' ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ R.PRT;es un trabajo PostScript ¦ guardado ¦
PostScript ¦ e '%%!PS-Adobe-3.0\n/Courier findfont\nshowpage\n' ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ R.PRT;es un trabajo PostScript ¦ guardado ¦
PDF ¦ e '%%PDF-1.4\n%%\342\343\n1 0 obj\n' ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ R.PRT;es un documento PDF ¦ guardado ¦
HP-GL/2 ¦ e 'IN;SP1;PU0,0;PD100,100;' ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ R.PRT;es un trabajo HP-GL/2 ¦ guardado ¦
IBM Proprinter ¦ e '\033:doce cpi\033[@\004\000\000\000\021\002alto\r\n' ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ R.PRT;IBM Proprinter ¦ guardado ¦
solo códigos y saltos ¦ e '\033@\033E\r\n\r\n\007\016\f' ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ R.PRT;no tiene nada que imprimir ¦ guardado ¦
1 MB de NUL ¦ head -c 1048576 /dev/zero > R.PRT; cp R.PRT .orig ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ R.PRT;no tiene nada que imprimir ¦ guardado ¦
PCL con solo reinicios, de más de 64 KB ¦ e '\033E'; head -c 70000 /dev/zero | tr '\0' x >> R.PRT; printf '\r\n\f\033E\f' >> R.PRT; cp R.PRT .orig ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ R.PRT;es un trabajo PCL ¦ guardado ¦
ESC & más largo que el fichero ¦ e 'linea 1\r\n\033&\000AB\002\024\016abc' ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ ESC & declara 2 caracteres propios;orden de impresora mal formada;R.PRT», línea 2) ¦ guardado ¦
ESC ( más largo que el fichero ¦ e 'linea 1\r\n\033(C\060\160resto del informe\r\n' ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ ESC ( declara 28720 bytes;orden de impresora mal formada;R.PRT», línea 2) ¦ guardado ¦
ESC * 0x48 0xFF 0xFF al empezar ¦ e '\033*\110\377\377'; head -c 150000 /dev/zero | tr '\0' x >> R.PRT; cp R.PRT .orig ¦ $V --pdf R.pdf --borrar R.PRT ¦ 1 ¦ ESC * declara 393210 bytes;R.PRT», línea 1) ¦ guardado ¦
fichero vacío ¦ : > R.PRT ¦ $V --pdf R.pdf --borrar R.PRT ¦ 0 ¦ ¦ test ! -e R.PRT ¦
línea de 800 KB de ESC E ¦ yes "$(printf '\033E')" | head -n 409600 | tr -d '\n' > R.PRT; echo fin >> R.PRT ¦ $V --pdf R.pdf --borrar R.PRT ¦ 0 ¦ ¦ test ! -e R.PRT ¦
# The samples, printed from another folder: the picture named without a folder is found beside the PRT file; the wrong one fails naming its line.
INFORME.PRT ¦ ls -A "$M" > antes ¦ $V --pdf s.pdf "$M/INFORME.PRT" ¦ 0 ¦ ¦ muestra 3 'INFORME MENSUAL DE VENTAS' 'ñ Ñ á é í ó ú ü ç ¿ ¡ º ª ░▒▓ █ ╔═╗ ║ ╚═╝' 'Esta línea termina la página' 'Tercera página' 'otra vez DejaVu Sans' ¦
FACTURA.PRT ¦ ls -A "$M" > antes ¦ $V --pdf s.pdf "$M/FACTURA.PRT" ¦ 0 ¦ ¦ muestra - 'FERRETERÍA DEL NORTE' '┌──────────┬' '│ TOR-0012 │' '118,76' 'señal recibida' ¦
VACIO.PRT ¦ ls -A "$M" > antes ¦ $V --pdf s.pdf "$M/VACIO.PRT" ¦ 0 ¦ nada que imprimir ¦ ls -A "$M" | cmp - antes; test ! -e s.pdf ¦
ERRONEO.PRT ¦ ls -A "$M" > antes ¦ $V --pdf s.pdf "$M/ERRONEO.PRT" ¦ 1 ¦ ERRONEO.PRT;línea 2 ¦ ls -A "$M" | cmp - antes; test ! -e s.pdf ¦
# "-": the file from standard input (its picture from the current folder) and the PDF to standard output, as by the file's path; a stream past the bound or that Velmor refuses writes nothing and leaves no copy; deletion refused.
entrada y salida estándar ¦ ls -A "$M" > antes ¦ c=$PWD; cd "$M" && $V - --pdf - < INFORME.PRT > "$c/s.pdf" && $V --pdf "$c/r.pdf" INFORME.PRT ¦ 0 ¦ ¦ muestra 3 'INFORME MENSUAL DE VENTAS'; pdftotext s.pdf a; pdftotext r.pdf b; cmp a b ¦
tubería demasiado larga ¦ mkdir t; mkdir -m 700 x ¦ head -c 268435457 /dev/zero | TMPDIR=$PWD/t XDG_RUNTIME_DIR=$PWD/x $V --pdf - - > s.pdf ¦ 1 ¦ «-» es demasiado largo ¦ test ! -s s.pdf; test -z "$(ls -A t)" ¦
tubería PCL ¦ ¦ printf '\033E\033&l26A\033(s0p10h12v0s0b3TLinea\r\n' | $V --pdf - - > s.pdf ¦ 1 ¦ «-» es un trabajo PCL ¦ test ! -s s.pdf ¦
--borrar con - ¦ r R.PRT ¦ $V --borrar --pdf - R.PRT ¦ 2 ¦ --borrar no vale con «-» ¦ test -e R.PRT ¦
# Fontconfig's answers are kept between runs only while nothing they depend on has changed: once the user's configuration gives the name another font, or a font of that name is added, the next run draws in it, as a run that keeps nothing (FONTCONFIG_FILE given) does; a damaged file of answers is not used, and is written anew. (Without root's rights, fontconfig keeps the new folder's cache in the test's folder, not the system's.)
fuentes recordadas, alias nuevo ¦ printf '{{*Velmor Alias}}texto\r\n' > F.PRT; mkdir h ¦ export XDG_CACHE_HOME=$PWD/c XDG_CONFIG_HOME=$PWD/h; $V --pdf a.pdf F.PRT && test -s c/velmor/fuentes && mkdir h/fontconfig && printf '<fontconfig><alias><family>Velmor Alias</family><prefer><family>DejaVu Serif</family></prefer></alias></fontconfig>' > h/fontconfig/fonts.conf && $V --pdf b.pdf F.PRT && FONTCONFIG_FILE=/etc/fonts/fonts.conf $V --pdf s.pdf F.PRT ¦ 0 ¦ ¦ test "$(fuente b)" = DejaVuSerif-Book; test "$(fuente s)" = DejaVuSerif-Book; test "$(fuente a)" != DejaVuSerif-Book ¦
fuentes recordadas, fuente nueva ¦ printf '{{*Ravendot}}texto\r\n' > F.PRT; mkdir -m 777 c; chmod 777 . ¦ export XDG_CACHE_HOME=$PWD/c XDG_DATA_HOME=$PWD/d; $N $V --pdf a.pdf F.PRT && test -s c/velmor/fuentes && mkdir -p d/fonts && cp "$R" d/fonts && $N $V --pdf b.pdf F.PRT ¦ 0 ¦ ¦ test "$(fuente b)" = Ravendot-Book; test "$(fuente a)" != Ravendot-Book ¦
fuentes recordadas, fichero dañado ¦ r R.PRT; mkdir -p c/velmor; head -c 3000 /dev/urandom > c/velmor/fuentes ¦ XDG_CACHE_HOME=$PWD/c $V --pdf a.pdf R.PRT && FONTCONFIG_FILE=/etc/fonts/fonts.conf $V --pdf s.pdf R.PRT ¦ 0 ¦ ¦ test "$(fuente a)" = "$(fuente s)"; tail -n 1 c/velmor/fuentes | grep -q '^fin ' ¦
# VELMOR_CP_DOS: the DOS page the text is converted from; one that cannot be used stops before anything is printed.
sin VELMOR_CP_DOS: 850 ¦ printf 'caja \325\r\n' > C.PRT ¦ env -u VELMOR_CP_DOS $V --pdf c.pdf C.PRT ¦ 0 ¦ ¦ pdftotext c.pdf - | grep -q 'caja ı' ¦
437 ¦ printf 'caja \325\r\n' > C.PRT ¦ VELMOR_CP_DOS=437 $V --pdf c.pdf C.PRT ¦ 0 ¦ ¦ pdftotext c.pdf - | grep -q 'caja ╒' ¦
858 ¦ printf 'caja \325\r\n' > C.PRT ¦ VELMOR_CP_DOS=858 $V --pdf c.pdf C.PRT ¦ 0 ¦ ¦ pdftotext c.pdf - | grep -q 'caja €' ¦
nombre de iconv ¦ printf 'caja \325\r\n' > C.PRT ¦ VELMOR_CP_DOS=IBM437 $V --pdf c.pdf C.PRT ¦ 0 ¦ ¦ pdftotext c.pdf - | grep -q 'caja ╒' ¦
desconocida ¦ r C.PRT ¦ VELMOR_CP_DOS=klingon $V --pdf c.pdf C.PRT ¦ 2 ¦ klingon;VELMOR_CP_DOS ¦ test ! -e c.pdf ¦
de varios bytes ¦ r C.PRT ¦ VELMOR_CP_DOS=UTF-8 $V --pdf c.pdf C.PRT ¦ 2 ¦ UTF-8;VELMOR_CP_DOS ¦ test ! -e c.pdf ¦
vacía ¦ r C.PRT ¦ VELMOR_CP_DOS= $V --pdf c.pdf C.PRT ¦ 2 ¦ VELMOR_CP_DOS ¦ test ! -e c.pdf ¦
# Several files: two that would write one PDF are refused before anything is printed; a --pdf folder is made under its very bytes; one that fails stops neither the others nor their deletion, and is kept.
mismo PDF dos veces ¦ mkdir a b; r a/I.prt; r b/I.prt ¦ $V --pdf s --borrar a/I.prt b/I.prt ¦ 2 ¦ a/I.prt;b/I.prt ¦ test -e a/I.prt; test -e b/I.prt; test ! -e s/I.pdf ¦
carpeta --pdf que no es UTF-8 ¦ r UNO.PRT; r OTRO.PRT ¦ $V --pdf "$(printf 'SAL\321')" UNO.PRT OTRO.PRT ¦ 0 ¦ ¦ cd "$(printf 'SAL\321')"; test -s UNO.pdf; test -s OTRO.pdf ¦
varios, uno mal ¦ r UNO.PRT; printf 'ok\r\nx}}y{{Pica\r\n' > MALO.PRT; r dos.prt ¦ $V --pdf s --borrar UNO.PRT MALO.PRT dos.prt ¦ 1 ¦ MALO.PRT;línea 2 ¦ test -s s/UNO.pdf; test -s s/dos.pdf; test ! -e s/MALO.pdf; test ! -e UNO.PRT; test ! -e dos.prt; test -e MALO.PRT ¦
# The settings as options: code page, paper, margins, Epson model; a wrong one prints nothing.
--cp 437 ¦ t ¦ $V --cp 437 --pdf T.pdf T.PRT ¦ 0 ¦ ¦ pdf '595 x 842' 'Hola ¢' ¦
--papel=carta, 9 agujas ¦ t ¦ $V --cp=858 --papel=carta --agujas 9 --pdf T.pdf T.PRT ¦ 0 ¦ ¦ pdf '612 x 792' 'Hola ø' ¦
continuo, --margenes ¦ t ¦ $V --papel continuo --margenes 20,10,5,30 --pdf T.pdf T.PRT ¦ 0 ¦ ¦ pdf '680 x 864' 'Hola ø' ¦
papel propio ¦ t ¦ $V --papel 250x180 --pdf T.pdf T.PRT ¦ 0 ¦ ¦ pdf '709 x 510' 'Hola ø' ¦
--papel desconocido ¦ t ¦ $V --papel b5 --pdf T.pdf T.PRT ¦ 2 ¦ --papel: papel «b5» desconocido ¦ test ! -e T.pdf ¦
--cp desconocida ¦ t ¦ $V --cp 999 --pdf T.pdf T.PRT ¦ 2 ¦ Página de códigos DOS desconocida: «999» ¦ test ! -e T.pdf ¦
márgenes sin sitio ¦ t ¦ $V --papel a4 --margenes 110 --pdf T.pdf T.PRT ¦ 1 ¦ Los márgenes (110 mm) no dejan sitio ¦ test ! -e T.pdf ¦
# A missing picture: its directive printed as text and told; with deletion asked for, the file is kept.
falta la imagen: su texto, dicho ¦ printf '/IMAGEN/LOGO.BMP\r\nHola\r\n' > T.PRT ¦ $V --pdf T.pdf T.PRT ¦ 0 ¦ T.PRT: No se ha encontrado la imagen de fondo «LOGO.BMP» ¦ test -e T.PRT; pdf '' /IMAGEN/ ¦
falta, con --borrar: se queda ¦ printf '/IMAGEN/LOGO.BMP\r\nHola\r\n' > T.PRT ¦ $V --borrar --pdf T.pdf T.PRT ¦ 1 ¦ «T.PRT» no se ha impreso como se pedía; «T.PRT» no se ha borrado. ¦ test -e T.PRT ¦
--horizontal ¦ r R.PRT ¦ $V --pdf c.pdf --horizontal R.PRT ¦ 0 ¦ ¦ pdfinfo c.pdf | grep -q '842 x 595' ¦
--help ¦ ¦ $V --help ¦ 0 ¦ --impresora NOMBRE ¦ ¦
--impresora que no existe ¦ r R.PRT ¦ $V --borrar --impresora NoExiste R.PRT ¦ 2 ¦ NoExiste ¦ test -e R.PRT ¦
--impresoras ¦ ¦ $V --impresoras > l ¦ 0 ¦ ¦ printf '  Almacen\n  Detenida\n  Filtro\n  Inalcanzable\n* Oficina\n  Rechaza\n  Velmor\n  Archivo PDF\n' | cmp - l ¦
# The queues: without deletion the scheduler's acceptance is enough; with it, the file goes only when its job has completed, and a job that does not complete keeps it and says which queue, job and state.
Oficina ¦ q ¦ $V Q.PRT ¦ 0 ¦ ¦ test -e Q.PRT; para_la_cola ¦ Oficina
Oficina, borrar ¦ q ¦ $V --borrar Q.PRT ¦ 0 ¦ ¦ test ! -e Q.PRT; para_la_cola ¦ Oficina
Almacen, 2 copias, borrar ¦ q ¦ $V --borrar -d Almacen -n 2 Q.PRT ¦ 0 ¦ ¦ test ! -e Q.PRT; para_la_cola ¦ Almacen
detenida ¦ q ¦ $V -d Detenida Q.PRT ¦ 0 ¦ ¦ test -e Q.PRT ¦
detenida, borrar ¦ q ¦ $V --borrar --impresora=Detenida Q.PRT ¦ 1 ¦ «Detenida» está detenida;espera su turno;trabajo ;Q.PRT» no se ha borrado ¦ test -e Q.PRT ¦
rechaza ¦ q ¦ $V -d Rechaza Q.PRT ¦ 1 ¦ «Rechaza» no acepta trabajos ¦ test -e Q.PRT ¦
no termina a tiempo, borrar ¦ q ¦ $V --borrar -d Inalcanzable --espera 1 Q.PRT ¦ 1 ¦ «Inalcanzable» no ha terminado en 1 segundos;trabajo ;Q.PRT» no se ha borrado ¦ test -e Q.PRT ¦
cancelado, borrar ¦ q ¦ $V --borrar -d Inalcanzable Q.PRT & for i in $(seq 600); do lpstat -o Inalcanzable | grep -q . && break; sleep 0.05; done; cancel -a Inalcanzable; wait $! ¦ 1 ¦ se ha cancelado ¦ test -e Q.PRT ¦
fallido, no llega ¦ printf 'NO DEBE SALIR\r\nx{{NegritaOn}\r\n' > Q.PRT ¦ $V --borrar Q.PRT ¦ 1 ¦ Q.PRT;línea 2 ¦ test -e Q.PRT; siguiente ¦ -
# Velmor on a print server: whatever a client sends to the queue Velmor, however it sends it, reaches Oficina's printer as velmor-imprimir's PDF of the same file ("igual": same text on the same pages, as many pictures), a relative picture taken from the pictures folder.
servidor: lp ¦ cp "$M/INFORME.PRT" F.PRT ¦ envia Velmor lp -d Velmor F.PRT ¦ 0 ¦ ,completed ¦ igual ¦ Oficina
servidor: lp -o raw, Epson ¦ cp "$D/factura.prt" F.PRT ¦ envia Velmor lp -o raw -d Velmor F.PRT ¦ 0 ¦ ,completed ¦ igual ¦ Oficina
servidor: IPP, application/octet-stream ¦ cp "$M/FACTURA.PRT" F.PRT ¦ envia Velmor ipp F.PRT ¦ 0 ¦ ,completed ¦ igual ¦ Oficina
servidor: LPD por cups-lpd ¦ cp "$M/INFORME.PRT" F.PRT ¦ envia Velmor lpd F.PRT ¦ 0 ¦ ,completed ¦ igual ¦ Oficina
servidor: texto ¦ seq -f 'linea %g del listado' 150 > F.PRT ¦ envia Velmor lp -d Velmor F.PRT ¦ 0 ¦ ,completed ¦ igual ¦ Oficina
# What Velmor refuses ends the job with its message; nothing is printed and the queue goes on.
servidor: PCL ¦ printf '\033E\033&l26A\033(s0p10h12v0s0b3TLinea 1\r\n\f\033E' > F.PRT ¦ envia Velmor lp -d Velmor F.PRT ¦ 0 ¦ ,canceled,;«F.PRT» es un trabajo PCL para impresoras láser; Velmor no lo imprime ¦ siguiente ¦ -
servidor: mal formado ¦ printf 'NO DEBE SALIR\r\nx{{NegritaOn}\r\n' > F.PRT ¦ envia Velmor lp -d Velmor F.PRT ¦ 0 ¦ ,canceled,;«F.PRT», línea 2 ¦ siguiente ¦ -
# A picture outside the pictures folder (by "..", by its absolute path, through a link) is not read: the job prints without it and its log says so.
servidor: imagen por .. ¦ cp "$M/logo.png" s.png; printf '/IMAGEN/%s/s.png\r\nVISIBLE\r\n' "$(realpath --relative-to="$P" .)" > F.PRT ¦ envia Velmor lp -d Velmor F.PRT ¦ 0 ¦ ,completed,;s.png» está fuera de la carpeta de imágenes ¦ sin_imagen ¦ Oficina
servidor: imagen absoluta ¦ cp "$M/logo.png" s.png; printf '/IMAGEN/%s/s.png\r\nVISIBLE\r\n' "$PWD" > F.PRT ¦ envia Velmor lp -d Velmor F.PRT ¦ 0 ¦ ,completed,;s.png» está fuera de la carpeta de imágenes ¦ sin_imagen ¦ Oficina
servidor: imagen por un enlace ¦ cp "$M/logo.png" s.png; ln -sfn "$PWD/s.png" "$P/enlace.png"; printf '/IMAGEN/enlace.png\r\nVISIBLE\r\n' > F.PRT ¦ envia Velmor lp -d Velmor F.PRT ¦ 0 ¦ ,completed,;enlace.png» está fuera de la carpeta ¦ sin_imagen ¦ Oficina
servidor: imagen absoluta dentro ¦ printf '/IMAGEN/%s/logo.png\r\nVISIBLE\r\n' "$P" > F.PRT ¦ envia Velmor lp -d Velmor F.PRT ¦ 0 ¦ ,completed ¦ igual ¦ Oficina
# A ".prt" file sent to an ordinary queue (Filtro: a PDF printer's PPD, on Oficina's printer) prints through Velmor's filter, Epson's codes too.
filtro: lp ¦ cp "$M/INFORME.PRT" F.PRT ¦ envia Filtro lp -d Filtro F.PRT ¦ 0 ¦ ,completed ¦ igual ¦ Oficina
filtro: lp, Epson ¦ cp "$D/factura.prt" F.PRT ¦ envia Filtro lp -d Filtro F.PRT ¦ 0 ¦ ,completed ¦ igual ¦ Oficina
# A job cancelled in Velmor is cancelled in the queue it went to, not left to print.
servidor: cancelado ¦ lpadmin -p Lenta -E -v velmor:/Inalcanzable; cp "$M/FACTURA.PRT" F.PRT ¦ lp -d Lenta F.PRT; for i in $(seq 600); do lpstat -o Inalcanzable | grep -q . && break; sleep 0.1; done; cancel -a Lenta; for i in $(seq 600); do lpstat -o Inalcanzable | grep -q . || break; sleep 0.1; done; lpadmin -x Lenta ¦ 0 ¦ ¦ test -z "$(lpstat -o Inalcanzable)" ¦
# A raw queue beside it is left as it was: its printer gets the very bytes sent.
servidor: Almacen en crudo ¦ cp "$D/factura.prt" F.PRT ¦ envia Almacen lp -o raw -d Almacen F.PRT ¦ 0 ¦ ,completed ¦ cmp F.PRT "$L" ¦ Almacen
)filas";
} // namespace

class TestTrabajo : public QObject {
    Q_OBJECT
    CarpetasDePrueba dir;
    QTemporaryDir raiz; // DESTDIR of the installation

  private slots:
    void initTestCase() {
        QVERIFY(!kTrabajos.isEmpty());
        QFile::setPermissions(dir.path(), QFile::Permissions(0x7755)); // reachable without root
        // The backend and the filter, installed, where the scheduler runs them, with their MIME
        // types; the queues Velmor and Filtro. The scheduler runs them as its own user, so the
        // way to them is open.
        QFile::setPermissions(raiz.path(), QFile::Permissions(0x7755));
        QString salida;
        QVERIFY2(Shell(raiz.path(),
                       "DESTDIR=$PWD " VELMOR_CMAKE " --install " VELMOR_BINARY_DIR
                       " --prefix /usr > /dev/null && instala",
                       &salida) == 0,
                 qPrintable(salida));
        // 8000 pages of one line each: long to read, quick to draw (also with the sanitizers).
        Shell(dir.path(), "seq -f 'linea %g del informe' 8000 | awk '{ print; for (i = 0; i < 65; "
                          "i++) print \"\" }' | sed 's/$/\\r/' > G.PRT");
    }
    // Names Qt cannot remove (not UTF-8) and folders without rights go by the shell.
    void cleanupTestCase() {
        Shell(dir.path(),
              "chmod -R u+rwx . && rm -rf ./*; for q in Velmor Lenta Filtro; do lpadmin "
              "-x $q; done; rm -f \"$P\"/* \"$C\"/velmor.* \"$C\"/serverbin/*/velmor*");
    }
    void cleanup() {
        for (const char* cola : {"Detenida", "Inalcanzable"})
            cupsCancelJob2(CUPS_HTTP_DEFAULT, cola, 0, 1);
        QProcess::execute("cupsenable", {"Inalcanzable"}); // as the fixture made it
    }

    // In a fresh folder: files made by `prepara` (exit 77: cannot be made here), `orden` run, its
    // exit status and what it says (parts between ";"), then `comprueba` must hold. `cola`: a job
    // with the file's text reaches that queue's printer; "-": none reaches "Oficina" before the
    // next job does.
    void orden_data() {
        QTest::addColumn<QStringList>("f"); // the columns of kOrdenes
        for (const QStringList& f : Filas(kOrdenes, 7))
            QTest::newRow(qPrintable(f[0])) << f;
    }
    void orden() {
        QFETCH(QStringList, f);
        const QString c = dir.nueva(), &cola = f[6];
        QString salida;
        const int preparado = Shell(c, "set -e; " + f[1], &salida);
        if (preparado == 77) QSKIP("cannot be made here");
        QVERIFY2(preparado == 0, qPrintable(salida));
        const QStringList antes = trabajos();
        QCOMPARE(Shell(c, f[2], &salida), f[3].toInt());
        for (const QString& parte : f[4].split(';', Qt::SkipEmptyParts))
            QVERIFY2(salida.contains(parte), qPrintable(salida));
        if (cola == "-") QCOMPARE(Shell(c, "echo SIGUIENTE > S.PRT; $V S.PRT"), 0);
        const QStringList llegados =
            cola.isEmpty() ? QStringList{""} : nuevos(antes, cola == "-" ? "Oficina" : cola);
        QVERIFY(!llegados.isEmpty());
        const QString llegado = cola.isEmpty() ? "" : kTrabajos + "/" + llegados[0];
        QVERIFY2(Shell(c, "set -ex; " + f[5], &salida, llegado) == 0, qPrintable(salida));
    }

    // What the scheduler answers, in Spanish: a missing queue, and no scheduler at all.
    void erroresDelServidor_data() {
        for (const char* c : {"servidor", "cola", "dice"})
            QTest::addColumn<QString>(c);
        QTest::newRow("cola que no existe") << ""
                                            << "NoExiste"
                                            << "«NoExiste» no existe";
        QTest::newRow("sin servidor") << dir.filePath("sin-servidor.sock") << "Oficina"
                                      << "CUPS) no está en marcha";
    }
    void erroresDelServidor() {
        QFETCH(QString, servidor);
        QFETCH(QString, cola);
        QFETCH(QString, dice);
        cupsSetServer(servidor.isEmpty() ? nullptr : QFile::encodeName(servidor).constData());
        const int fd = ::open("/dev/null", O_RDONLY);
        QString mensaje;
        try {
            ColaCups(cola, 5).envia(fd, "x", 1);
        } catch (const ErrorVelmor& e) {
            mensaje = e.mensaje();
        }
        ::close(fd);
        cupsSetServer(nullptr);
        QVERIFY2(mensaje.contains(dice), qPrintable(mensaje));
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    TestTrabajo t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_trabajo.moc"
