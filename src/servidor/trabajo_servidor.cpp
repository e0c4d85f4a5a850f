#include "servidor/trabajo_servidor.h"

#include "printing/impresoras_sistema.h"
#include "printing/imprimir_prt.h"
#include "shared/entrada_copiada.h"
#include "shared/error.h"
#include "shared/nombres_fichero.h"
#include <cstdio>
#include <cstdlib>
#include <cups/backend.h>
#include <unistd.h>

namespace {
// Where the jobs' pictures come from: VELMOR_IMAGENES ("SetEnv VELMOR_IMAGENES ..." in
// cups-files.conf) or the installed default.
QString carpetaImagenes() {
    const QByteArray elegida = qgetenv("VELMOR_IMAGENES");
    return elegida.isEmpty() ? QStringLiteral(VELMOR_CARPETA_IMAGENES) : NombreDeBytes(elegida);
}
} // namespace

void Informa(const char* clase, QString texto) {
    for (QChar& c : texto)
        if (c.category() == QChar::Other_Control) c = u' ';
    const QByteArray linea = QByteArray(clase) + ": " + texto.toUtf8() + '\n';
    std::fwrite(linea.constData(), 1, size_t(linea.size()), stderr);
    std::fflush(stderr);
}

TrabajoServidor TrabajoServidor::DeArgumentos(int argc, char** argv) {
    TrabajoServidor t;
    t.titulo = QString::fromUtf8(argv[3]).trimmed();
    if (t.titulo.isEmpty()) t.titulo = QStringLiteral("trabajo ") + QString::fromUtf8(argv[1]);
    if (argc > 6) {
        t.ruta = NombreDeBytes(argv[6]);
        t.copias = qBound(1, std::atoi(argv[4]), 999);
        return t;
    }
    try {
        t.entrada = std::make_shared<EntradaCopiada>(STDIN_FILENO, t.titulo);
    } catch (const ErrorVelmor& e) {
        Informa("ERROR", e.mensaje());
        throw;
    }
    t.ruta = t.entrada->ruta();
    return t;
}

QString TrabajoServidor::nombra(QString mensaje) const {
    return mensaje.replace(NombreVisible(ruta), titulo);
}

std::optional<int> DibujaPdf(const TrabajoServidor& t, const QString& cola, SalidaFichero& pdf) {
    ImpresorasSistema impresoras;
    for (int i = 0; i + 1 < impresoras.cuenta(); ++i) // the last one is "Archivo PDF", on A4
        if (impresoras.nombre(i) == cola) impresoras.hazActual(i);
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
        Informa("WARNING", QStringLiteral("No se ha encontrado la imagen de fondo «%1» en «%2»; se "
                                          "imprime sin ella")
                               .arg(NombreVisible(imagen), NombreVisible(prt.carpetaImagenes)));
    for (const QString& imagen : r.imagenesFuera)
        Informa("WARNING",
                QStringLiteral("La imagen de fondo «%1» está fuera de la carpeta de imágenes «%2»: "
                               "no se lee, y se imprime sin ella")
                    .arg(NombreVisible(imagen), NombreVisible(prt.carpetaImagenes)));
    if (r.error) {
        Informa("ERROR", t.nombra(r.error->texto()));
        return FinPorError(*r.error);
    }
    if (pdf.terminada()) return std::nullopt;
    Informa("INFO", QStringLiteral("«%1» no tiene nada que imprimir").arg(t.titulo));
    return CUPS_BACKEND_OK;
}

int FinPorError(const ErrorVelmor& error) {
    return error.numero() == ErrorVelmor::DiscoLleno ? CUPS_BACKEND_RETRY : CUPS_BACKEND_CANCEL;
}
