// The CUPS filter velmortopdf: a ".prt" file sent to an ordinary queue (typed
// application/vnd.velmor-prt by velmor.types) is drawn by Velmor as a PDF on standard output, for
// the queue's other filters, on the queue's paper; a job Velmor does not print ends there with
// its message. Like the backend, it runs as CUPS's unprivileged user and deletes nothing.
#include "servidor/trabajo_servidor.h"
#include "shared/error.h"
#include "shared/mensajes_qt.h"

#include <QCoreApplication>
#include <cstdio>
#include <cups/backend.h>

int main(int argc, char** argv) {
    if (argc < 6 || argc > 7) {
        std::fprintf(stderr, "Uso: %s trabajo usuario título copias opciones [fichero]\n", argv[0]);
        return 1;
    }
    // No window and no platform: the print core draws with fontconfig, FreeType and HarfBuzz.
    SilenciaMensajesQt();
    QCoreApplication app(argc, argv);
    try {
        SalidaFichero pdf(QStringLiteral("-")); // standard output, once the PDF is whole
        const auto fin = DibujaPdf(TrabajoServidor::DeArgumentos(argc, argv),
                                   qEnvironmentVariable("PRINTER"), pdf);
        return fin && *fin != CUPS_BACKEND_OK ? 1 : 0;
    } catch (const ErrorVelmor&) { // standard input could not be copied: already told
        return 1;
    }
}
