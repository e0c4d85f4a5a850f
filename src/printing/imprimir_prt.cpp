#include "printing/imprimir_prt.h"

#include "markup/lector_prt.h"
#include "markup/segments.h"
#include "markup/sustituye_prt.h"
#include "shared/codepage.h"
#include <exception>
#include <new>
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

// Runs a step that a line's contents drive: its errors are errors of that line.
template <typename Paso> auto deLaLinea(int numeroLinea, const QString& ruta, Paso&& paso) {
    try {
        return paso();
    } catch (const ErrorVelmor& e) {
        throw e.en(ruta, numeroLinea);
    }
}

// The job state that lives for one call.
struct Estado {
    int contador = 0; // lines ended on the current page
    int pitch = 0;
    QString memoriaFuente;
    bool laTengo = false;
    bool pagina = false; // "{{Pagina}}" ended the line
};

void aplicaEtiqueta(const Segmento& s, Estado& e, bool dos, DispositivoImpresora& p) {
    switch (s.etiqueta) {
    case Etiqueta::Fuente:
        if (s.fuente) e.memoriaFuente = *s.fuente;
        p.ponFuente(e.memoriaFuente);
        break;
    case Etiqueta::Courier:
        p.ponFuente(fuenteBase(dos));
        break;
    case Etiqueta::Pica:
        e.pitch = 11, p.ponTamano(kPica);
        break;
    case Etiqueta::Elite:
        e.pitch = 9, p.ponTamano(kElite);
        break;
    case Etiqueta::Comprimida:
        e.pitch = 7, p.ponTamano(kComprimida);
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
        e.pagina = true;
        break;
    case Etiqueta::Ninguna:
    case Etiqueta::Desconocida:
        break;
    }
}
} // namespace

QString TituloErrorPrt(const TrabajoPrt& trabajo) {
    return trabajo.titulo + QStringLiteral("( ") + trabajo.ruta + QStringLiteral(")");
}

ResultadoPrt ImprimirPrt(const TrabajoPrt& trabajo, DispositivoImpresora& dispositivo) {
    ImagenFondo fondo;
    return ImprimirPrt(trabajo, dispositivo, fondo);
}

ResultadoPrt ImprimirPrt(const TrabajoPrt& trabajo, DispositivoImpresora& p, ImagenFondo& fondo) {
    std::optional<LectorPrt> lector;
    const QString& ruta = trabajo.ruta;
    try {
        const bool dos = trabajo.modoDos;
        lector.emplace(ruta);
        p.reiniciaFormato();
        p.ponFuente(fuenteBase(dos));

        Estado e;
        // The document is ended once, after the whole file has been read and checked: a page
        // that fills with the file's last line ends it there, with no page after it.
        bool porTerminar = false;
        auto terminaPagina = [&] {
            e.contador = 0;
            if (lector->alFinal()) {
                porTerminar = true;
            } else {
                p.nuevaPagina();
                if (e.laTengo) p.dibujaImagen(fondo.imagen, 0, 0, fondo.ancho, fondo.alto);
            }
        };
        QString linea;
        while (lector->siguiente(linea)) {
            const int n = lector->numeroLinea();
            deLaLinea(n, ruta, [&] {
                linea = SustituyePrt(linea);
                if (!dos) linea = ConvierteTexto(linea, QStringLiteral("Win"));
            });
            p.ponX(p.anchoPagina() - kDesplazamientoIzquierdo);
            if (!e.laTengo) {
                deLaLinea(n, ruta, [&] { ImagenDeFondo(fondo, linea, e.laTengo); });
                if (e.laTengo) p.dibujaImagen(fondo.imagen, 0, 0, fondo.ancho, fondo.alto);
            }

            e.pagina = false;
            Segmentos segmentos(linea);
            while (auto s = deLaLinea(n, ruta, [&] { return segmentos.siguiente(); })) {
                p.escribe(s->texto.toString());
                deLaLinea(n, ruta, [&] { aplicaEtiqueta(*s, e, dos, p); });
                if (e.pagina) break;
            }
            if (e.pagina) {
                terminaPagina();
                continue;
            }

            p.finLinea();
            p.ponY(p.y() + espacioExtra(e.pitch));
            if (e.contador == 32767)
                throw ErrorVelmor(ErrorVelmor::DesbordamientoNumero,
                                  QStringLiteral("Desbordamiento del contador de líneas"), ruta, n);
            ++e.contador;
            if (e.contador == trabajo.lineasPagina) terminaPagina();
        }
        lector->compruebaIntacto();
        if (porTerminar || e.contador != 0) p.finDocumento();
        ResultadoPrt resultado;
        resultado.identidad = lector->identidad();
        lector->cierra();
        return resultado;
    } catch (const ErrorVelmor& e) {
        if (lector) lector->cierra();
        p.descartaDocumento();
        return {e.en(ruta), {}};
    } catch (const std::bad_alloc&) {
        if (lector) lector->cierra();
        p.descartaDocumento();
        return {ErrorVelmor(ErrorVelmor::MemoriaInsuficiente,
                            QStringLiteral("No queda memoria para imprimir el fichero"), ruta),
                {}};
    } catch (const std::exception&) {
        if (lector) lector->cierra();
        p.descartaDocumento();
        return {ErrorVelmor(ErrorVelmor::ErrorImpresora,
                            QStringLiteral("Error inesperado al imprimir el fichero"), ruta),
                {}};
    }
}
