// The CUPS backend "velmor". A raw queue whose device is "velmor:/Oficina" takes whatever a client
// sends (markup, Epson ESC/P, plain text; by IPP, LPD, a Samba share), and this program prints it
// as Velmor does: the language told from its first bytes, the page drawn as a PDF, the PDF
// submitted to the queue the device names and followed to its end, all told in the job's log.
//
// CUPS runs it as its unprivileged user (installed 0755), with the job as its arguments: job id,
// user, title, copies, options and, when it is given one, the job's file (otherwise the job comes
// on standard input). It deletes nothing: the job's file is the scheduler's, and a job from
// standard input is copied into a file with no name on disk.
#include "printing/cola_cups.h"
#include "printing/impresoras_sistema.h"
#include "printing/imprimir_prt.h"
#include "printing/salida_fichero.h"
#include "shared/entrada_copiada.h"
#include "shared/error.h"
#include "shared/mensajes_qt.h"
#include "shared/nombres_fichero.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cups/backend.h>
#include <functional>
#include <optional>
#include <unistd.h>

namespace {
// A line of the job's log: CUPS reads the backend's standard error a line at a time, the word
// before the colon saying what the line is (INFO, WARNING, ERROR, STATE). Control characters
// become blanks: titles and names come from clients, and a line end would start a line of theirs.
void informa(const char* clase, QString texto) {
    for (QChar& c : texto)
        if (c.category() == QChar::Other_Control) c = u' ';
    const QByteArray linea = QByteArray(clase) + ": " + texto.toUtf8() + '\n';
    std::fwrite(linea.constData(), 1, size_t(linea.size()), stderr);
    std::fflush(stderr);
}

// The queue "velmor:/Oficina" names (percent-encoded bytes decoded); empty when it names none.
QString colaDe(const QByteArray& uri) {
    static const QRegularExpression valida(QStringLiteral("^[^\\s/\\\\#'\"?]+$"));
    if (!uri.startsWith("velmor:")) return {};
    QByteArray resto = uri.mid(7);
    while (resto.startsWith('/'))
        resto.remove(0, 1);
    const QString cola = QString::fromUtf8(QByteArray::fromPercentEncoding(resto));
    return valida.match(cola).hasMatch() ? cola : QString();
}

// Where the jobs' pictures come from: VELMOR_IMAGENES (cupsd.conf: "SetEnv VELMOR_IMAGENES ...")
// or the installed default.
QString carpetaImagenes() {
    const QByteArray elegida = qgetenv("VELMOR_IMAGENES");
    return elegida.isEmpty() ? QStringLiteral(VELMOR_CARPETA_IMAGENES) : NombreDeBytes(elegida);
}

struct Trabajo {
    QString cola;   // where the PDF goes
    QString titulo; // the client's name for the job, used in every message
    QString ruta;   // the job's bytes: the scheduler's file, or the copy of standard input
    int copias = 1;
};

// The job's own fault (a language Velmor does not print, a malformed file, nothing to print) ends
// the job with the message, and the queue goes on with the next one; a full disk is the server's,
// and the job is tried again later.
int finPorError(const ErrorVelmor& e) {
    return e.numero() == ErrorVelmor::DiscoLleno ? CUPS_BACKEND_RETRY : CUPS_BACKEND_CANCEL;
}

// CUPS ends a cancelled job's backend with SIGTERM: once the PDF is submitted, its job is then
// cancelled too, rather than left to print.
volatile std::sig_atomic_t cancelado = 0;
void alCancelar(int) {
    cancelado = 1;
}

// Follows the submitted job until it ends, telling each new state; the scheduler's silence is
// waited out, since the document is already in the queue and sending it again would print it twice.
int sigue(const ColaCups& cola, int id) {
    QString dicho;
    while (true) {
        if (cancelado) {
            try {
                cola.cancela(id);
                informa(
                    "INFO",
                    QStringLiteral("Cancelado el trabajo %1 de «%2»").arg(id).arg(cola.nombre()));
            } catch (const ErrorVelmor& e) {
                informa("ERROR", e.mensaje());
            }
            return CUPS_BACKEND_CANCEL;
        }
        QString ahora;
        EstadoTrabajo e;
        try {
            e = cola.consulta(id);
            ahora = e.colaDetenida && !e.final()
                        ? QStringLiteral("La impresora «%1» está detenida: el trabajo %2 %3")
                        : QStringLiteral("El trabajo %2 de «%1» %3");
            ahora = ahora.arg(cola.nombre()).arg(id).arg(e.enPalabras());
        } catch (const ErrorVelmor& x) {
            ahora = QStringLiteral("No se sabe cómo va el trabajo %1 de «%2»: %3")
                        .arg(id)
                        .arg(cola.nombre(), x.mensaje());
            e.estado = EstadoTrabajo::Pendiente;
        }
        if (e.estado == EstadoTrabajo::Completado) {
            informa("INFO", ahora);
            return CUPS_BACKEND_OK;
        }
        if (e.final()) {
            informa("ERROR", ahora);
            return e.estado == EstadoTrabajo::Cancelado ? CUPS_BACKEND_CANCEL : CUPS_BACKEND_FAILED;
        }
        if (ahora != dicho) informa("INFO", dicho = ahora);
        ::sleep(1);
    }
}

int imprime(const Trabajo& t, const std::function<QString(QString)>& nombra) {
    ImpresorasSistema impresoras;
    int pos = -1;
    for (int i = 0; i + 1 < impresoras.cuenta(); ++i) // the last one is "Archivo PDF"
        if (impresoras.nombre(i) == t.cola) pos = i;
    if (pos < 0) {
        informa(
            "ERROR",
            QStringLiteral("La impresora «%1» no existe en el servidor de impresión").arg(t.cola));
        return CUPS_BACKEND_STOP;
    }
    impresoras.hazActual(pos);
    SalidaFichero pdf;
    TrabajoPrt prt;
    prt.ruta = t.ruta;
    prt.carpetaImagenes = carpetaImagenes();
    ResultadoPrt r;
    try {
        r = ImprimirPrt(prt, impresoras.dispositivo(pdf));
    } catch (const ErrorVelmor& e) {
        r.error = e;
    }
    for (const QString& imagen : r.imagenesNoEncontradas)
        informa("WARNING", QStringLiteral("No se ha encontrado la imagen de fondo «%1» en «%2»; se "
                                          "imprime sin ella")
                               .arg(NombreVisible(imagen), NombreVisible(prt.carpetaImagenes)));
    for (const QString& imagen : r.imagenesFuera)
        informa("WARNING",
                QStringLiteral("La imagen de fondo «%1» está fuera de la carpeta de imágenes «%2»: "
                               "no se lee, y se imprime sin ella")
                    .arg(NombreVisible(imagen), NombreVisible(prt.carpetaImagenes)));
    if (r.error) {
        informa("ERROR", nombra(r.error->texto()));
        return finPorError(*r.error);
    }
    if (!pdf.terminada()) {
        informa("INFO", QStringLiteral("«%1» no tiene nada que imprimir").arg(t.titulo));
        return CUPS_BACKEND_OK;
    }
    const ColaCups cola(t.cola);
    int id = 0;
    try {
        informa("INFO", QStringLiteral("Enviando «%1» a «%2»").arg(t.titulo, t.cola));
        std::signal(SIGTERM, alCancelar);
        id = cola.envia(pdf.descriptor(), t.titulo, t.copias);
    } catch (const ErrorVelmor& e) {
        informa("ERROR", e.mensaje());
        return CUPS_BACKEND_FAILED; // the queue's error policy: stop, retry or abort
    }
    return sigue(cola, id);
}
} // namespace

int main(int argc, char** argv) {
    if (argc == 1) { // what `lpinfo -v` lists
        std::puts("direct velmor \"Unknown\" \"Velmor (PRT y Epson ESC/P, en PDF a otra cola)\"");
        return CUPS_BACKEND_OK;
    }
    if (argc < 6 || argc > 7) {
        std::fprintf(stderr, "Uso: %s trabajo usuario título copias opciones [fichero]\n", argv[0]);
        return CUPS_BACKEND_FAILED;
    }
    // No window, so no display: Qt's offscreen platform has the fonts and nothing else.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    SilenciaMensajesQt();
    QGuiApplication app(argc, argv);

    Trabajo t;
    t.cola = colaDe(qgetenv("DEVICE_URI"));
    t.titulo = QString::fromUtf8(argv[3]).trimmed();
    if (t.titulo.isEmpty()) t.titulo = QStringLiteral("trabajo ") + QString::fromUtf8(argv[1]);
    if (t.cola.isEmpty() || t.cola == QString::fromUtf8(qgetenv("PRINTER"))) {
        informa("ERROR", QStringLiteral("La dirección «%1» no nombra otra cola a la que enviar los "
                                        "trabajos: velmor:/COLA, por ejemplo velmor:/Oficina")
                             .arg(QString::fromUtf8(qgetenv("DEVICE_URI"))));
        return CUPS_BACKEND_STOP;
    }
    std::optional<EntradaCopiada> entrada;
    if (argc == 7) {
        t.ruta = NombreDeBytes(argv[6]);
        t.copias = qBound(1, std::atoi(argv[4]), 999); // a job's file: its copies are ours to make
    } else {
        try {
            t.ruta = entrada.emplace(STDIN_FILENO, t.titulo).ruta();
        } catch (const ErrorVelmor& e) {
            informa("ERROR", e.mensaje());
            return finPorError(e);
        }
    }
    // Messages name the job as its client knows it, not the scheduler's file or the copy.
    const QString ruta = NombreVisible(t.ruta);
    return imprime(t, [&](QString texto) { return texto.replace(ruta, t.titulo); });
}
