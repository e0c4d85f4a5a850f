#include "printing/imprimir_prt.h"

#include "markup/line_reader.h"
#include "markup/segments.h"
#include "markup/sustituye_prt.h"
#include "shared/codepage.h"
#include <QFile>
#include <exception>
#include <filesystem>
#include <optional>

namespace {
constexpr int kDesplazamientoIzquierdo = 11256; // twips
constexpr double kPica = 11, kElite = 9, kComprimida = 7;

int espacioExtra(int pitch) {
    switch (pitch) {
    case 7:
        return 91;
    case 9:
        return 50;
    default:
        return 4;
    }
}

QString fuenteBase(bool modoDos) {
    return modoDos ? QStringLiteral("Ravendot") : QStringLiteral("Courier New");
}

// Adds where the error happened, unless the description already names the file.
ErrorVelmor situa(const ErrorVelmor& e, const QString& ruta, int linea) {
    if (e.descripcion().contains(QStringLiteral("«") + ruta + QStringLiteral("»"))) return e;
    QString donde = linea > 0 ? QStringLiteral(" (fichero «%1», línea %2)").arg(ruta).arg(linea)
                              : QStringLiteral(" (fichero «%1»)").arg(ruta);
    return ErrorVelmor(e.numero(), e.descripcion() + donde);
}
} // namespace

QString TituloErrorPrt(const TrabajoPrt& trabajo) {
    return trabajo.titulo + QStringLiteral("( ") + trabajo.ruta + QStringLiteral(")");
}

ResultadoPrt ImprimirPrt(const TrabajoPrt& trabajo, Impresoras& impresoras) {
    // Writing the PDF over the file being read would destroy it (also through another name or a
    // hard link).
    std::error_code sinError;
    if (impresoras.actualEsPdf() &&
        std::filesystem::equivalent(QFile::encodeName(impresoras.salidaPdf()).toStdString(),
                                    QFile::encodeName(trabajo.ruta).toStdString(), sinError))
        return {ErrorVelmor(ErrorVelmor::ErrorAccesoRuta,
                            QStringLiteral("El PDF de salida no puede ser el propio fichero «") +
                                trabajo.ruta + QStringLiteral("»: elija otro nombre."))};
    return ImprimirPrt(trabajo, impresoras.dispositivo());
}

ResultadoPrt ImprimirPrt(const TrabajoPrt& trabajo, DispositivoImpresora& dispositivo) {
    ImagenFondo fondo;
    return ImprimirPrt(trabajo, dispositivo, fondo);
}

ResultadoPrt ImprimirPrt(const TrabajoPrt& trabajo, DispositivoImpresora& p, ImagenFondo& fondo) {
    std::optional<LectorPrt> lector;
    int numeroLinea = 0;
    try {
        const bool dos = trabajo.modoDos;
        lector.emplace(trabajo.ruta);
        p.reiniciaFormato();
        p.ponFuente(fuenteBase(dos));

        int contador = 0; // lines ended on the current page
        int pitch = 0;
        QString memoriaFuente;
        bool laTengo = false;
        // A full page or "{{Pagina}}": the document ends with the file, else a new page begins,
        // with the background picture behind it once one was taken.
        auto terminaPagina = [&] {
            contador = 0;
            if (lector->alFinal()) {
                p.finDocumento();
            } else {
                p.nuevaPagina();
                if (laTengo) p.dibujaImagen(fondo.imagen, 0, 0, fondo.ancho, fondo.alto);
            }
        };
        QString linea;
        while (lector->siguiente(linea)) {
            numeroLinea = lector->numeroLinea();
            linea = SustituyePrt(linea);
            if (!dos) linea = ConvierteTexto(linea, QStringLiteral("Win"));
            p.ponX(p.anchoPagina() - kDesplazamientoIzquierdo);
            if (!laTengo) {
                ImagenDeFondo(fondo, linea, laTengo);
                if (laTengo) p.dibujaImagen(fondo.imagen, 0, 0, fondo.ancho, fondo.alto);
            }

            bool pagina = false;
            Segmentos segmentos(linea, trabajo.ruta, numeroLinea);
            while (auto s = segmentos.siguiente()) {
                p.escribe(s->texto.toString());
                switch (s->etiqueta) {
                case Etiqueta::Fuente:
                    if (s->fuente) memoriaFuente = *s->fuente;
                    p.ponFuente(memoriaFuente);
                    break;
                case Etiqueta::Courier:
                    p.ponFuente(fuenteBase(dos));
                    break;
                case Etiqueta::Pica:
                    pitch = 11, p.ponTamano(kPica);
                    break;
                case Etiqueta::Elite:
                    pitch = 9, p.ponTamano(kElite);
                    break;
                case Etiqueta::Comprimida:
                    pitch = 7, p.ponTamano(kComprimida);
                    break;
                case Etiqueta::AmpliadaOn:
                    p.ponTamano(p.tamano() * 2);
                    break;
                case Etiqueta::AmpliadaOff:
                    p.ponTamano(p.tamano() / 2);
                    break;
                case Etiqueta::NegritaOn:
                    p.ponNegrita(true);
                    break;
                case Etiqueta::NegritaOff:
                    p.ponNegrita(false);
                    break;
                case Etiqueta::ItalicaOn:
                    p.ponCursiva(true);
                    break;
                case Etiqueta::ItalicaOff:
                    p.ponCursiva(false);
                    break;
                case Etiqueta::SubrayadoOn:
                    p.ponSubrayado(true);
                    break;
                case Etiqueta::SubrayadoOff:
                    p.ponSubrayado(false);
                    break;
                case Etiqueta::Pagina:
                    pagina = true;
                    break;
                case Etiqueta::Ninguna:
                case Etiqueta::Desconocida:
                    break;
                }
                if (pagina) break;
            }

            if (pagina) {
                terminaPagina();
                continue;
            }

            p.finLinea();
            p.ponY(p.y() + espacioExtra(pitch));
            if (contador == 32767)
                throw ErrorVelmor(ErrorVelmor::DesbordamientoNumero,
                                  QStringLiteral("Desbordamiento del contador de líneas"));
            ++contador;
            if (contador == trabajo.lineasPagina) terminaPagina();
        }
        if (contador != 0) p.finDocumento();
        lector->cierra();
        return {};
    } catch (const ErrorVelmor& e) {
        if (lector) lector->cierra();
        p.descartaDocumento();
        return {situa(e, trabajo.ruta, numeroLinea)};
    } catch (const std::exception& e) {
        if (lector) lector->cierra();
        p.descartaDocumento();
        return {situa(ErrorVelmor(ErrorVelmor::ErrorImpresora, QString::fromLocal8Bit(e.what())),
                      trabajo.ruta, numeroLinea)};
    }
}
