#include "printing/imprimir_prt.h"

#include "markup/interprete_prt.h"
#include "shared/nombres_fichero.h"
#include <exception>
#include <new>

namespace {
constexpr int kDesplazamientoIzquierdo = 11256; // twips

// The printer as the markup's output: lines start at the page width less the left offset, line
// ends add the pitch's extra spacing, and the background picture of an "/IMAGEN/" directive is
// drawn where it is taken and behind every page begun after it.
class SalidaImpresora : public SalidaMarcado {
  public:
    SalidaImpresora(DispositivoImpresora& p, ImagenFondo& fondo, QString carpetaPrt)
        : p_(p), fondo_(fondo), carpetaPrt_(std::move(carpetaPrt)) {}

    void ponFuente(const QString& nombre) override { p_.ponFuente(nombre); }
    double tamano() const override { return p_.tamano(); }
    void ponTamano(double puntos) override { p_.ponTamano(puntos); }
    void ponNegrita(bool v) override { p_.ponNegrita(v); }
    void ponCursiva(bool v) override { p_.ponCursiva(v); }
    void ponSubrayado(bool v) override { p_.ponSubrayado(v); }

    void empiezaLinea(QString& linea) override {
        if (inicioX_ < 0) inicioX_ = p_.anchoPagina() - kDesplazamientoIzquierdo;
        p_.ponX(inicioX_);
        if (laTengo_) return; // once a picture is taken, no line is looked at again
        ImagenDeFondo(fondo_, linea, laTengo_, carpetaPrt_);
        if (laTengo_) dibujaFondo();
    }
    void texto(const QString& texto) override { p_.escribe(texto); }
    void finLinea(int pitch) override {
        p_.finLinea();
        p_.ponY(p_.y() + espacioExtra(pitch));
    }
    void salto(Salto causa) override {
        p_.nuevaPagina();
        // A form feed in the middle of a line: the rest starts the next page where lines start.
        if (causa == Salto::AvancePagina) p_.ponX(inicioX_);
        if (laTengo_) dibujaFondo();
    }
    void finDocumento() override { p_.finDocumento(); }

  private:
    static int espacioExtra(int pitch) {
        switch (pitch) {
        case 7:
            return 91;
        case 9:
            return 50;
        default:
            return 4;
        }
    }
    void dibujaFondo() { p_.dibujaImagen(fondo_.imagen, 0, 0, fondo_.ancho, fondo_.alto); }

    DispositivoImpresora& p_;
    ImagenFondo& fondo_;
    QString carpetaPrt_;
    bool laTengo_ = false;
    int inicioX_ = -1; // the page width does not change within a document
};

ResultadoPrt falla(DispositivoImpresora& p, ErrorVelmor error) {
    p.descartaDocumento();
    return {std::move(error), {}, {}};
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
    const QString& ruta = trabajo.ruta;
    try {
        p.reiniciaFormato();
        SalidaImpresora salida(p, fondo, CarpetaDe(ruta));
        InterpretePrt interprete(PerfilLector::Impresora(trabajo.lineasPagina), trabajo.modoDos);
        const IdentidadFichero identidad = interprete.interpreta(ruta, salida);
        return {std::nullopt, identidad, fondo.noEncontradas};
    } catch (const ErrorVelmor& e) {
        return falla(p, e.en(ruta));
    } catch (const std::bad_alloc&) {
        return falla(p, ErrorVelmor(ErrorVelmor::MemoriaInsuficiente,
                                    QStringLiteral("No queda memoria para imprimir el fichero"),
                                    ruta));
    } catch (const std::exception&) {
        return falla(p,
                     ErrorVelmor(ErrorVelmor::ErrorImpresora,
                                 QStringLiteral("Error inesperado al imprimir el fichero"), ruta));
    }
}
