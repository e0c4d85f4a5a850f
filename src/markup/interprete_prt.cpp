#include "markup/interprete_prt.h"

#include "markup/lector_prt.h"
#include "markup/segments.h"
#include "markup/sustituye_prt.h"
#include "shared/codepage.h"
#include "shared/error.h"

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

// Runs a step that a line's contents drive: its errors are errors of that line.
template <typename Paso> auto deLaLinea(const QString& ruta, int linea, Paso&& paso) {
    try {
        return paso();
    } catch (const ErrorVelmor& e) {
        throw e.en(ruta, linea);
    }
}

// What one reading of a file keeps from line to line.
class Lectura {
  public:
    Lectura(const PerfilLector& perfil, bool modoDos, const QString& base, SalidaMarcado& salida)
        : perfil_(perfil), modoDos_(modoDos), base_(base), salida_(salida) {}

    // The line's tags applied after each text before them; true when "{{Pagina}}" ended it.
    bool aplica(const QString& linea, const QString& ruta, int numero) {
        Segmentos segmentos(linea);
        while (const auto s = deLaLinea(ruta, numero, [&] { return segmentos.siguiente(); })) {
            salida_.texto(s->texto.toString());
            if (s->etiqueta == Etiqueta::Pagina) return true;
            deLaLinea(ruta, numero, [&] { etiqueta(*s); });
        }
        return false;
    }
    int pitch() const { return pitch_; }

  private:
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
        case Etiqueta::Pagina:
        case Etiqueta::Ninguna:
        case Etiqueta::Desconocida:
            break;
        }
    }

    const PerfilLector& perfil_;
    bool modoDos_;
    const QString& base_;
    SalidaMarcado& salida_;
    int pitch_ = 0; // 11, 9 or 7 after the last pitch tag
    QString memoriaFuente_;
};
} // namespace

InterpretePrt::InterpretePrt(PerfilLector perfil, bool modoDos)
    : perfil_(perfil), modoDos_(modoDos) {}

IdentidadFichero InterpretePrt::interpreta(const QString& ruta, SalidaMarcado& salida) {
    LectorPrt lector(ruta);
    const QString base = fuenteBase();
    salida.ponFuente(base);
    Lectura lectura(perfil_, modoDos_, base, salida);
    const PaginasCodigo* paginas = modoDos_ ? nullptr : &PaginasCodigo::actuales();

    int contador = 0; // lines ended on the current page
    // A page that ends with the file's last line ends the document there, with no page after it;
    // the document itself ends once the file is known to be whole.
    bool porTerminar = false;
    auto terminaPagina = [&](SalidaMarcado::Salto causa) {
        contador = 0;
        if (lector.alFinal())
            porTerminar = true;
        else
            salida.salto(causa);
    };
    QString linea;
    while (lector.siguiente(linea)) {
        const int n = lector.numeroLinea();
        deLaLinea(ruta, n, [&] {
            if (perfil_.expandeAntesDeConvertir) linea = SustituyePrt(linea);
            if (paginas) linea = paginas->aWindows(linea);
            if (!perfil_.expandeAntesDeConvertir) linea = SustituyePrt(linea);
            salida.empiezaLinea(linea);
        });
        if (lectura.aplica(linea, ruta, n) && perfil_.paginaEsSalto) {
            terminaPagina(SalidaMarcado::Salto::PorEtiqueta);
            continue;
        }
        salida.finLinea(lectura.pitch());
        if (perfil_.lineasPagina <= 0) continue;
        if (contador == 32767)
            throw ErrorVelmor(ErrorVelmor::DesbordamientoNumero,
                              QStringLiteral("Desbordamiento del contador de líneas"), ruta, n);
        if (++contador == perfil_.lineasPagina) terminaPagina(SalidaMarcado::Salto::PorLineas);
    }
    lector.compruebaIntacto();
    if (porTerminar || contador != 0 || perfil_.lineasPagina <= 0) salida.finDocumento();
    return lector.identidad();
}
