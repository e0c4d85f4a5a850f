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
#include "servidor/trabajo_servidor.h"
#include "shared/error.h"
#include "shared/mensajes_qt.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <csignal>
#include <cstdio>
#include <cups/backend.h>
#include <unistd.h>

namespace {
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
    bool detenida = false; // said in the queue's state, as a warning, while it lasts
    while (true) {
        if (cancelado) {
            try {
                cola.cancela(id);
                Informa(
                    "INFO",
                    QStringLiteral("Cancelado el trabajo %1 de «%2»").arg(id).arg(cola.nombre()));
            } catch (const ErrorVelmor& e) {
                Informa("ERROR", e.mensaje());
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
            Informa("INFO", ahora);
            return CUPS_BACKEND_OK;
        }
        if (e.final()) {
            Informa("ERROR", ahora);
            return e.estado == EstadoTrabajo::Cancelado ? CUPS_BACKEND_CANCEL : CUPS_BACKEND_FAILED;
        }
        if (ahora != dicho) Informa("INFO", dicho = ahora);
        if (e.colaDetenida != detenida)
            Informa("STATE", (detenida = e.colaDetenida) ? QStringLiteral("+other-warning")
                                                         : QStringLiteral("-other-warning"));
        ::sleep(1);
    }
}

// Draws the job and hands the PDF to `cola`, then follows that job to its end.
int imprime(const TrabajoServidor& t, const QString& cola) {
    if (!ColaCups::Colas().contains(cola)) {
        Informa(
            "ERROR",
            QStringLiteral("La impresora «%1» no existe en el servidor de impresión").arg(cola));
        return CUPS_BACKEND_STOP;
    }
    SalidaFichero pdf;
    if (const auto fin = DibujaPdf(t, cola, pdf)) return *fin;
    const ColaCups destino(cola);
    int id = 0;
    try {
        Informa("INFO", QStringLiteral("Enviando «%1» a «%2»").arg(t.titulo, cola));
        Informa("STATE", QStringLiteral("+connecting-to-device"));
        std::signal(SIGTERM, alCancelar);
        id = destino.envia(pdf.descriptor(), t.titulo, t.copias);
        Informa("STATE", QStringLiteral("-connecting-to-device"));
    } catch (const ErrorVelmor& e) {
        Informa("STATE", QStringLiteral("-connecting-to-device"));
        Informa("ERROR", e.mensaje());
        return CUPS_BACKEND_FAILED; // the queue's error policy: stop, retry or abort
    }
    return sigue(destino, id);
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
    // No window and no platform: the print core draws with fontconfig, FreeType and HarfBuzz.
    SilenciaMensajesQt();
    QCoreApplication app(argc, argv);

    const QString cola = colaDe(qgetenv("DEVICE_URI"));
    if (cola.isEmpty() || cola == QString::fromUtf8(qgetenv("PRINTER"))) {
        Informa("ERROR", QStringLiteral("La dirección «%1» no nombra otra cola a la que enviar los "
                                        "trabajos: velmor:/COLA, por ejemplo velmor:/Oficina")
                             .arg(QString::fromUtf8(qgetenv("DEVICE_URI"))));
        return CUPS_BACKEND_STOP;
    }
    try {
        return imprime(TrabajoServidor::DeArgumentos(argc, argv), cola);
    } catch (const ErrorVelmor& e) { // standard input could not be copied: already told
        return FinPorError(e);
    }
}
