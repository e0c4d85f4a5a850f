#include "printing/impresoras_sistema.h"

#include "printing/ajustes_impresion.h"
#include "printing/cola_cups.h"
#include "printing/dispositivo_pdf.h"
#include "printing/salida_fichero.h"
#include "shared/error.h"
#include "shared/version.h"
#include <algorithm>
#include <map>

struct ImpresorasSistema::Datos {
    QStringList nombres; // system printers, then "Archivo PDF"
    int actual = 0;
    std::map<int, Papel> paginas; // each printer's paper, read on first use
    AjustesImpresion papel;       // the paper and margins asked for
    DispositivoPdf dispositivo;

    bool esPdf(int pos) const { return pos == nombres.size() - 1; }

    // The printer's own paper size (A4 for the PDF printer, or when it says none), portrait.
    Papel& pagina(int pos) {
        auto hallada = paginas.find(pos);
        if (hallada != paginas.end()) return hallada->second;
        const auto propio =
            esPdf(pos) ? std::nullopt : ColaCups(nombres.at(pos)).papelPredeterminado();
        return paginas[pos] = propio.value_or(Papel());
    }
};

ImpresorasSistema::ImpresorasSistema(Cuales cuales) : d(std::make_unique<Datos>()) {
    QString defecto;
    QStringList sistema = cuales == Cuales::Todas ? ColaCups::Colas(&defecto) : QStringList();
    sistema.removeAll(nombrePdf());
    std::stable_sort(sistema.begin(), sistema.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    d->nombres = sistema;
    d->nombres << nombrePdf();
    const int pos = defecto.isEmpty() ? -1 : int(sistema.indexOf(defecto));
    d->actual = pos >= 0 ? pos : int(d->nombres.size()) - 1;
}

ImpresorasSistema::~ImpresorasSistema() = default;

QString ImpresorasSistema::nombrePdf() {
    return QStringLiteral("Archivo PDF");
}
bool ImpresorasSistema::actualEsPdf() const {
    return d->esPdf(d->actual);
}

int ImpresorasSistema::cuenta() const {
    return int(d->nombres.size());
}
QString ImpresorasSistema::nombre(int posicion) const {
    return d->nombres.value(posicion);
}
int ImpresorasSistema::actual() const {
    return d->actual;
}

void ImpresorasSistema::hazActual(int posicion) {
    if (posicion < 0 || posicion >= cuenta())
        throw ErrorVelmor(ErrorVelmor::ArgumentoNoValido,
                          QStringLiteral("No existe la impresora número %1").arg(posicion));
    if (d->dispositivo.documentoAbierto())
        throw ErrorVelmor(ErrorVelmor::ErrorImpresora,
                          QStringLiteral("No se puede cambiar de impresora durante la impresión"));
    d->actual = posicion;
}

Orientacion ImpresorasSistema::orientacion() const {
    return d->pagina(d->actual).horizontal ? Orientacion::Horizontal : Orientacion::Vertical;
}

void ImpresorasSistema::ponOrientacion(Orientacion orientacion) {
    if (orientacion != Orientacion::Vertical && orientacion != Orientacion::Horizontal)
        throw ErrorVelmor(
            ErrorVelmor::OrientacionRechazada,
            QStringLiteral("Orientación del papel no válida: %1 (1 vertical, 2 horizontal)")
                .arg(int(orientacion)));
    if (d->dispositivo.documentoAbierto())
        throw ErrorVelmor(
            ErrorVelmor::OrientacionRechazada,
            QStringLiteral("No se puede cambiar la orientación durante la impresión"));
    d->pagina(d->actual).horizontal = orientacion == Orientacion::Horizontal;
}

Papel ImpresorasSistema::paginaActual() const {
    return d->papel.Disposicion(d->pagina(d->actual)).value_or(d->pagina(d->actual));
}

std::shared_ptr<const ColaImpresion> ImpresorasSistema::cola() const {
    if (actualEsPdf()) return nullptr;
    return std::make_shared<ColaCups>(nombre(d->actual));
}

void ImpresorasSistema::ponPapel(const AjustesImpresion& ajustes) {
    d->papel = ajustes;
}

DispositivoImpresora& ImpresorasSistema::dispositivo(SalidaFichero& salida) {
    if (!d->dispositivo.documentoAbierto()) {
        const auto pagina = d->papel.Disposicion(d->pagina(d->actual));
        if (!pagina)
            throw ErrorVelmor(ErrorVelmor::ErrorImpresora,
                              QStringLiteral("Los márgenes (%1 mm) no dejan sitio para imprimir "
                                             "en el papel elegido")
                                  .arg(d->papel.TextoMargenes()));
        d->dispositivo.ponPagina(*pagina);
        d->dispositivo.ponSalida(&salida);
    }
    return d->dispositivo;
}
