#include "printing/imprimir_prt.h"

#include "markup/interprete_prt.h"
#include "markup/lenguaje_impresora.h"
#include "printing/imprimir_escp.h"
#include "shared/nombres_fichero.h"
#include <algorithm>
#include <exception>
#include <new>
#include <unistd.h>

namespace {
constexpr int kDesplazamientoIzquierdo = 11256; // twips

ErrorVelmor SinMarcas(const QString& ruta) {
    return ErrorVelmor::DeFichero(
        ErrorVelmor::NadaQueImprimir,
        QStringLiteral(
            "«%1» no tiene nada que imprimir: solo trae códigos o caracteres de control, "
            "que no dejan ninguna marca en el papel. El fichero se conserva.")
            .arg(NombreVisible(ruta)),
        ruta);
}

// What the file is written in, from its first bytes; a language Velmor does not render stops
// the job here, before anything is drawn.
Lenguaje LenguajeDe(const QString& ruta) {
    FicheroRegular fichero(ruta, FicheroRegular::Clase::Prt);
    QByteArray cabecera(kCabeceraLenguaje, Qt::Uninitialized);
    qsizetype leidos = 0;
    while (leidos < cabecera.size()) {
        const qint64 n = fichero.lee(cabecera.data() + leidos, cabecera.size() - leidos);
        if (n == 0) break;
        leidos += n;
    }
    cabecera.truncate(leidos);
    // The end too, where PCL jobs put their last reset.
    QByteArray cola(kColaLenguaje, Qt::Uninitialized);
    const off_t tamano = fichero.identidad().tamano;
    const ssize_t enCola = tamano > leidos ? ::pread(fichero.descriptor(), cola.data(),
                                                     size_t(cola.size()), tamano - cola.size())
                                           : 0;
    cola.truncate(std::max<ssize_t>(0, enCola));
    const Lenguaje lenguaje = DetectaLenguaje(cabecera, cola);
    if (Rechazado(lenguaje))
        throw ErrorVelmor::DeFichero(ErrorVelmor::LenguajeNoImprimible,
                                     MotivoRechazo(lenguaje, NombreVisible(ruta)), ruta);
    return lenguaje;
}

// The printer as the markup's output: lines start at the page width less the left offset, line
// ends add the pitch's extra spacing, and the background picture of an "/IMAGEN/" directive is
// drawn where it is taken and behind every page begun after it.
class SalidaImpresora : public SalidaMarcado {
  public:
    SalidaImpresora(DispositivoImpresora& p, ImagenFondo& fondo, QString carpetaPrt,
                    const QString& ruta)
        : p_(p), fondo_(fondo), carpetaPrt_(std::move(carpetaPrt)), ruta_(ruta) {}

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
    void texto(const QString& texto) override {
        if (!marcas_)
            marcas_ = std::any_of(texto.begin(), texto.end(), [](QChar c) { return !c.isSpace(); });
        p_.escribe(texto);
    }
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
    // A document with no mark on its paper is not sent: its file did not print.
    void finDocumento() override {
        if (!marcas_) throw SinMarcas(ruta_);
        p_.finDocumento();
    }
    bool marcas() const { return marcas_; }

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
    void dibujaFondo() {
        marcas_ = true;
        p_.dibujaImagen(fondo_.imagen, 0, 0, fondo_.ancho, fondo_.alto);
    }

    DispositivoImpresora& p_;
    ImagenFondo& fondo_;
    QString carpetaPrt_;
    const QString& ruta_;
    bool laTengo_ = false;
    bool marcas_ = false; // text other than blanks, or a picture
    int inicioX_ = -1;    // the page width does not change within a document
};

ResultadoPrt falla(DispositivoImpresora& p, ErrorVelmor error) {
    p.descartaDocumento();
    return {std::move(error), {}, {}, {}};
}
// An Epson file, as its printer prints it.
ResultadoPrt imprimeEscP(const TrabajoPrt& trabajo, DispositivoImpresora& p) {
    SalidaEscPImpresora salida(p);
    OpcionesEscP opciones;
    opciones.nueveAgujas = trabajo.nueveAgujas;
    opciones.lineasPagina = trabajo.lineasPagina;
    opciones.modoDos = trabajo.modoDos;
    const IdentidadFichero identidad = InterpreteEscP(opciones, salida).interpreta(trabajo.ruta);
    if (identidad.tamano > 0 && !salida.marcas()) return falla(p, SinMarcas(trabajo.ruta));
    return {std::nullopt, identidad, {}, {}};
}
} // namespace

QString TituloErrorPrt(const TrabajoPrt& trabajo) {
    return trabajo.titulo + QStringLiteral("( ") + trabajo.ruta + QStringLiteral(")");
}

ResultadoPrt ImprimirPrt(const TrabajoPrt& trabajo, DispositivoImpresora& dispositivo) {
    ImagenFondo fondo;
    fondo.carpetaImagenes = trabajo.carpetaImagenes;
    return ImprimirPrt(trabajo, dispositivo, fondo);
}

ResultadoPrt ImprimirPrt(const TrabajoPrt& trabajo, DispositivoImpresora& p, ImagenFondo& fondo) {
    const QString& ruta = trabajo.ruta;
    try {
        const Lenguaje lenguaje = LenguajeDe(ruta);
        p.reiniciaFormato();
        if (lenguaje == Lenguaje::EscP) return imprimeEscP(trabajo, p);
        SalidaImpresora salida(p, fondo, CarpetaDe(ruta), ruta);
        InterpretePrt interprete(PerfilLector::Impresora(trabajo.lineasPagina), trabajo.modoDos);
        const IdentidadFichero identidad = interprete.interpreta(ruta, salida);
        if (identidad.tamano > 0 && !salida.marcas()) return falla(p, SinMarcas(ruta));
        return {std::nullopt, identidad, fondo.noEncontradas, fondo.fueraDeCarpeta};
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
