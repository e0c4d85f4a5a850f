#include "printing/system_printers.h"

#include "printing/cola_cups.h"
#include "printing/qt_device.h"
#include "shared/error.h"
#include "shared/version.h"
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <map>

namespace {
// A small margin all round, like a laser printer's unprintable border (1/6 inch = 240 twips).
const QMarginsF kMargenes(12, 12, 12, 12); // points
} // namespace

struct ImpresorasSistema::Datos {
    QStringList nombres; // system printers, then "Archivo PDF"
    int actual = 0;
    std::map<int, std::unique_ptr<QPrinter>> impresoras; // created on first use
    DispositivoQt dispositivo;

    bool esPdf(int pos) const { return pos == nombres.size() - 1; }

    QPrinter& impresora(int pos) {
        auto& p = impresoras[pos];
        if (!p) {
            if (esPdf(pos)) {
                p = std::make_unique<QPrinter>(QPrinter::HighResolution);
                p->setOutputFormat(QPrinter::PdfFormat);
                p->setPageSize(QPageSize(QPageSize::A4));
                p->setDocName(QStringLiteral("Velmor"));
            } else {
                p = std::make_unique<QPrinter>(QPrinterInfo::printerInfo(nombres.at(pos)),
                                               QPrinter::HighResolution);
                p->setOutputFormat(QPrinter::NativeFormat);
                p->setPrinterName(nombres.at(pos));
            }
            p->setFullPage(false);
            p->setPageMargins(kMargenes, QPageLayout::Point);
            p->setCreator(TituloVelmor());
        }
        return *p;
    }

    void activa() { dispositivo.ponImpresora(&impresora(actual)); }
};

ImpresorasSistema::ImpresorasSistema() : d(std::make_unique<Datos>()) {
    QStringList sistema = QPrinterInfo::availablePrinterNames();
    sistema.removeAll(nombrePdf());
    std::stable_sort(sistema.begin(), sistema.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    d->nombres = sistema;
    d->nombres << nombrePdf();
    const QString defecto = QPrinterInfo::defaultPrinterName();
    const int pos = defecto.isEmpty() ? -1 : int(sistema.indexOf(defecto));
    d->actual = pos >= 0 ? pos : int(d->nombres.size()) - 1;
    d->activa();
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
    d->activa();
}

int ImpresorasSistema::orientacion() const {
    const auto o = d->impresora(d->actual).pageLayout().orientation();
    return o == QPageLayout::Landscape ? 2 : 1;
}

void ImpresorasSistema::ponOrientacion(int orientacion) {
    if (orientacion != 1 && orientacion != 2)
        throw ErrorVelmor(
            ErrorVelmor::OrientacionRechazada,
            QStringLiteral("Orientación del papel no válida: %1 (1 vertical, 2 horizontal)")
                .arg(orientacion));
    if (d->dispositivo.documentoAbierto())
        throw ErrorVelmor(
            ErrorVelmor::OrientacionRechazada,
            QStringLiteral("No se puede cambiar la orientación durante la impresión"));
    QPrinter& p = d->impresora(d->actual);
    const auto deseada = orientacion == 2 ? QPageLayout::Landscape : QPageLayout::Portrait;
    if (!p.setPageOrientation(deseada) || p.pageLayout().orientation() != deseada)
        throw ErrorVelmor(ErrorVelmor::OrientacionRechazada,
                          QStringLiteral("La impresora «%1» no admite la orientación %2")
                              .arg(nombre(d->actual), orientacion == 2
                                                          ? QStringLiteral("horizontal")
                                                          : QStringLiteral("vertical")));
}

std::shared_ptr<const ColaImpresion> ImpresorasSistema::cola() const {
    if (actualEsPdf()) return nullptr;
    return std::make_shared<ColaCups>(nombre(d->actual));
}

DispositivoImpresora& ImpresorasSistema::dispositivo(SalidaFichero& salida) {
    d->dispositivo.ponSalida(&salida);
    return d->dispositivo;
}
