#include "markup/interprete_prt.h"

#include "markup/lector_prt.h"
#include "markup/segmentos.h"
#include "markup/sustituye_prt.h"
#include "shared/error.h"
#include "shared/paginas_actuales.h"

const QString InterpretePrt::CourierNew = QStringLiteral("Courier New");
const QString InterpretePrt::Ravendot = QStringLiteral("Ravendot");

PerfilLector PerfilLector::Impresora(int lineasPagina) {
    PerfilLector p;
    p.lineasPagina = lineasPagina;
    return p;
}

PerfilLector PerfilLector::Visor() {
    PerfilLector p;
    p.expandeAntesDeConvertir = false;
    p.courierSegunModoDos = false;
    p.puntosComprimida = 8;
    p.paginaEsSalto = false;
    p.lineasPagina = 0;
    return p;
}

namespace {
constexpr double kPica = 11, kElite = 9;
constexpr QChar kAvancePagina = u'\f';

// Runs a step that a line's contents drive: its errors are errors of that line.
template <typename Paso> auto deLaLinea(const QString& ruta, int linea, Paso&& paso) {
    try {
        return paso();
    } catch (const ErrorVelmor& e) {
        throw e.en(ruta, linea);
    }
}

// One reading of a file: what lasts from line to line, and where pages end.
class Lectura {
  public:
    Lectura(const PerfilLector& perfil, const QString& base, SalidaMarcado& salida,
            LectorPrt& lector, const QString& ruta)
        : perfil_(perfil), base_(base), salida_(salida), lector_(lector), ruta_(ruta),
          lineasPagina_(perfil.lineasPagina), tamanoInicial_(salida.tamano()) {}

    // One file line, already expanded and converted.
    void linea(const QString& linea, int numero) {
        numero_ = numero;
        avanceAbsorbido_ = escritoEnLinea_ = false;
        Segmentos segmentos(linea);
        while (const auto s = deLaLinea(ruta_, numero_, [&] { return segmentos.siguiente(); })) {
            texto(s->texto);
            if (s->etiqueta == Etiqueta::Pagina) {
                if (!perfil_.paginaEsSalto) break;
                avancePendiente_ = false;
                terminaPagina(SalidaMarcado::Salto::PorEtiqueta);
                return; // no line end, and the line does not count
            }
            deLaLinea(ruta_, numero_, [&] { etiqueta(*s); });
        }
        // A form feed that ends the line ends its page there, as "{{Pagina}}" does: no line end
        // after it, and no blank sheet when the file ends with it.
        if (avancePendiente_) {
            avancePendiente_ = false;
            terminaPagina(SalidaMarcado::Salto::AvancePagina);
            return;
        }
        // A line that only held a form feed the full page before it had already done: nothing.
        if (avanceAbsorbido_ && !escritoEnLinea_) {
            if (lector_.alFinal()) porTerminar_ = true;
            return;
        }
        salida_.finLinea(pitch_);
        paginaVacia_ = false;
        if (lineasPagina_ <= 0) return;
        if (contador_ == 32767)
            throw ErrorVelmor(ErrorVelmor::DesbordamientoNumero,
                              QStringLiteral("Desbordamiento del contador de líneas"), ruta_,
                              numero_);
        if (++contador_ >= lineasPagina_) terminaPagina(SalidaMarcado::Salto::PorLineas);
    }

    // Whether the document has anything to end.
    bool porTerminar() const { return porTerminar_ || contador_ != 0 || lineasPagina_ <= 0; }

  private:
    // Text, with the form feeds in it: each ends the page where it stands, and what follows
    // goes on at the top of the next page. The page ends when something follows (or at the end
    // of the line). As on a printer, a form feed right after a full page (or at the start) finds
    // the paper already at the top of a sheet and does nothing, while one on a page the file's own
    // form feed began ejects that page blank.
    void texto(QStringView texto) {
        qsizetype avance;
        while ((avance = texto.indexOf(kAvancePagina)) >= 0) {
            escribe(texto.left(avance));
            avanceDePagina();
            texto = texto.mid(avance + 1);
        }
        escribe(texto);
    }
    void avanceDePagina() {
        if (avancePendiente_) { // the second of two in a row: the page between them is blank
            avancePendiente_ = false;
            contador_ = 0;
            salida_.salto(SalidaMarcado::Salto::AvancePagina);
            paginaDelFichero_ = true;
        }
        if (!paginaVacia_) {
            avancePendiente_ = true;
        } else if (paginaDelFichero_) {
            salida_.finLinea(pitch_); // the blank sheet is a page of its own
            paginaVacia_ = false;
            avancePendiente_ = true;
        } else {
            avanceAbsorbido_ = true;
        }
    }
    void escribe(QStringView texto) {
        if (!texto.isEmpty() && avancePendiente_) {
            avancePendiente_ = false;
            contador_ = 0;
            salida_.salto(SalidaMarcado::Salto::AvancePagina);
            paginaDelFichero_ = true;
        }
        salida_.texto(texto.toString());
        if (!texto.isEmpty()) paginaVacia_ = false, escritoEnLinea_ = true;
    }

    // A full page, "{{Pagina}}" or a form feed. A page that ends with the file's last line ends
    // the document there, with no page after it; the document itself ends once the file is
    // known to be whole.
    void terminaPagina(SalidaMarcado::Salto causa) {
        contador_ = 0;
        paginaVacia_ = true;
        paginaDelFichero_ = causa != SalidaMarcado::Salto::PorLineas;
        if (lector_.alFinal() && perfil_.paginaEsSalto)
            porTerminar_ = true;
        else
            salida_.salto(causa);
    }

    void etiqueta(const Segmento& s) {
        switch (s.etiqueta) {
        case Etiqueta::Fuente:
            if (s.fuente) memoriaFuente_ = *s.fuente;
            salida_.ponFuente(memoriaFuente_);
            break;
        case Etiqueta::Courier:
            salida_.ponFuente(perfil_.courierSegunModoDos ? base_ : InterpretePrt::CourierNew);
            break;
        case Etiqueta::Pica:
            pitch_ = 11, salida_.ponTamano(kPica);
            break;
        case Etiqueta::Elite:
            pitch_ = 9, salida_.ponTamano(kElite);
            break;
        case Etiqueta::Comprimida:
            pitch_ = 7, salida_.ponTamano(perfil_.puntosComprimida);
            break;
        case Etiqueta::AmpliadaOn:
            salida_.ponTamano(salida_.tamano() * 2);
            break;
        case Etiqueta::AmpliadaOff:
            salida_.ponTamano(salida_.tamano() / 2);
            break;
        case Etiqueta::NegritaOn:
        case Etiqueta::NegritaOff:
            salida_.ponNegrita(s.etiqueta == Etiqueta::NegritaOn);
            break;
        case Etiqueta::ItalicaOn:
        case Etiqueta::ItalicaOff:
            salida_.ponCursiva(s.etiqueta == Etiqueta::ItalicaOn);
            break;
        case Etiqueta::SubrayadoOn:
        case Etiqueta::SubrayadoOff:
            salida_.ponSubrayado(s.etiqueta == Etiqueta::SubrayadoOn);
            break;
        case Etiqueta::Reinicio:
            reinicia();
            break;
        case Etiqueta::Lineas:
            if (perfil_.lineasPagina > 0) lineasPagina_ = s.valor;
            break;
        case Etiqueta::Pagina:
        case Etiqueta::Ninguna:
        case Etiqueta::Desconocida:
            break;
        }
    }

    // The printer's reset: the format the job started with.
    void reinicia() {
        salida_.ponFuente(base_);
        salida_.ponTamano(tamanoInicial_);
        salida_.ponNegrita(false);
        salida_.ponCursiva(false);
        salida_.ponSubrayado(false);
        pitch_ = 0;
    }

    const PerfilLector& perfil_;
    const QString& base_;
    SalidaMarcado& salida_;
    LectorPrt& lector_;
    const QString& ruta_;
    int numero_ = 0;
    int lineasPagina_;
    const double tamanoInicial_;
    int pitch_ = 0; // 11, 9 or 7 after the last pitch tag
    QString memoriaFuente_;
    int contador_ = 0; // lines ended on the current page
    bool porTerminar_ = false;
    bool paginaVacia_ = true;       // nothing printed since the page began
    bool avancePendiente_ = false;  // a form feed whose page ends when something follows
    bool paginaDelFichero_ = false; // the page began at the file's form feed or "{{Pagina}}"
    bool avanceAbsorbido_ = false;  // this line held a form feed that did nothing
    bool escritoEnLinea_ = false;   // this line wrote text
};
} // namespace

InterpretePrt::InterpretePrt(PerfilLector perfil, bool modoDos)
    : perfil_(perfil), modoDos_(modoDos) {}

IdentidadFichero InterpretePrt::interpreta(const QString& ruta, SalidaMarcado& salida) {
    const PaginasCodigo& paginasLector = PaginasActuales();
    LectorPrt lector(ruta, paginasLector, limiteLinea_);
    const QString base = fuenteBase();
    salida.ponFuente(base);
    Lectura lectura(perfil_, base, salida, lector, ruta);
    const PaginasCodigo* paginas = modoDos_ ? nullptr : &paginasLector;
    QString linea;
    while (lector.siguiente(linea)) {
        const int n = lector.numeroLinea();
        deLaLinea(ruta, n, [&] {
            if (perfil_.expandeAntesDeConvertir) linea = SustituyePrt(linea);
            if (paginas) linea = paginas->aWindows(linea);
            if (!perfil_.expandeAntesDeConvertir) linea = SustituyePrt(linea);
            salida.empiezaLinea(linea);
        });
        lectura.linea(linea, n);
    }
    lector.compruebaIntacto();
    if (lectura.porTerminar()) salida.finDocumento();
    return lector.identidad();
}
