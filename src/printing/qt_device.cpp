#include "printing/qt_device.h"

#include "shared/error.h"
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

namespace {
int contadorTrabajos = 0;

QTemporaryDir* carpetaTemporal() {
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/velmor-XXXXXX"));
    return dir.isValid() ? &dir : nullptr;
}

ErrorVelmor errorImpresora(const QString& que) {
    return ErrorVelmor(ErrorVelmor::ErrorImpresora, que);
}
} // namespace

DispositivoQt::~DispositivoQt() {
    if (painter_.isActive()) descartaDocumento();
}

void DispositivoQt::ponImpresora(QPrinter* impresora, bool esPdf, const QString& cola) {
    if (painter_.isActive())
        throw errorImpresora(
            QStringLiteral("No se puede cambiar de impresora con un documento a medias"));
    impresora_ = impresora;
    esPdf_ = esPdf;
    cola_ = cola;
    fuenteCambiada_ = true;
    metricas_.reset();
}

void DispositivoQt::compruebaImpresora() const {
    if (!impresora_) throw errorImpresora(QStringLiteral("No hay ninguna impresora seleccionada"));
}

void DispositivoQt::ponFuente(const QString& nombre) {
    fuente_.setFamily(nombre);
    fuenteCambiada_ = true;
}
void DispositivoQt::ponTamano(double puntos) {
    if (!(puntos > 0) || puntos > 16000)
        throw ErrorVelmor(ErrorVelmor::ArgumentoNoValido,
                          QStringLiteral("Tamaño de letra no válido: %1 puntos").arg(puntos));
    tamano_ = puntos;
    fuenteCambiada_ = true;
}
void DispositivoQt::ponNegrita(bool v) {
    negrita_ = v, fuenteCambiada_ = true;
}
void DispositivoQt::ponCursiva(bool v) {
    cursiva_ = v, fuenteCambiada_ = true;
}
void DispositivoQt::ponSubrayado(bool v) {
    subrayado_ = v, fuenteCambiada_ = true;
}

void DispositivoQt::reiniciaFormato() {
    tamano_ = 10;
    negrita_ = cursiva_ = subrayado_ = false;
    fuenteCambiada_ = true;
}

const QFontMetricsF& DispositivoQt::metricas() {
    compruebaImpresora();
    if (fuenteCambiada_ || !metricas_) {
        fuente_.setPointSizeF(tamano_);
        fuente_.setBold(negrita_);
        fuente_.setItalic(cursiva_);
        fuente_.setUnderline(subrayado_);
        fuente_.setStyleHint(QFont::TypeWriter);
        // Exact advances: no hinting to screen pixels, so columns line up at any size.
        fuente_.setHintingPreference(QFont::PreferNoHinting);
        fuente_.setKerning(false);
        resolucion_ = lienzo()->resolution();
        metricas_.emplace(fuente_, lienzo());
        if (painter_.isActive()) painter_.setFont(fuente_);
        fuenteCambiada_ = false;
    }
    return *metricas_;
}

int DispositivoQt::anchoPagina() {
    compruebaImpresora();
    const QRectF area = impresora_->pageRect(QPrinter::Point);
    return qRound(area.width() * 20.0);
}

void DispositivoQt::abreDocumento() {
    compruebaImpresora();
    if (esPdf_ && impresora_->outputFileName().isEmpty())
        throw errorImpresora(
            QStringLiteral("La impresora «Archivo PDF» no tiene fichero de salida"));
    if (!esPdf_) {
        QTemporaryDir* dir = carpetaTemporal();
        if (!dir)
            throw errorImpresora(
                QStringLiteral("No se puede crear la carpeta temporal de impresión"));
        ficheroTemporal_ = dir->filePath(QStringLiteral("trabajo-%1.pdf").arg(++contadorTrabajos));
        temporal_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        temporal_->setOutputFormat(QPrinter::PdfFormat);
        temporal_->setFullPage(impresora_->fullPage());
        temporal_->setPageLayout(impresora_->pageLayout());
        temporal_->setCreator(impresora_->creator());
        temporal_->setDocName(impresora_->docName());
        temporal_->setOutputFileName(ficheroTemporal_);
    }
    if (!painter_.begin(lienzo())) {
        temporal_.reset();
        if (esPdf_)
            throw errorImpresora(QStringLiteral("No se puede crear el fichero PDF «%1»")
                                     .arg(impresora_->outputFileName()));
        throw errorImpresora(QStringLiteral("No se puede empezar el documento en la impresora «%1»")
                                 .arg(impresora_->printerName()));
    }
    resolucion_ = lienzo()->resolution();
    fuenteCambiada_ = true;
    metricas();
    painter_.setFont(fuente_);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform);
    paginas_ = 1;
}

void DispositivoQt::pinta(const Dibujo& d) {
    const QRectF r(px(d.rect.x()), px(d.rect.y()), px(d.rect.width()), px(d.rect.height()));
    painter_.drawImage(r, d.imagen);
}

void DispositivoQt::aseguraPagina() {
    if (!painter_.isActive()) {
        abreDocumento();
        // Page breaks before the first output are dropped: the first page is the last one asked
        // for.
        if (!pendientes_.empty())
            for (const Dibujo& d : pendientes_.back())
                pinta(d);
        pendientes_.clear();
        return;
    }
    for (const auto& pagina : pendientes_) {
        if (!lienzo()->newPage())
            throw errorImpresora(
                QStringLiteral("La impresora no puede empezar la página %1").arg(paginas_ + 1));
        ++paginas_;
        for (const Dibujo& d : pagina)
            pinta(d);
    }
    pendientes_.clear();
}

void DispositivoQt::escribe(const QString& texto) {
    if (texto.isEmpty()) return;
    aseguraPagina();
    const QFontMetricsF& fm = metricas();
    painter_.drawText(QPointF(px(x_), px(y_) + fm.ascent()), texto);
    x_ += fm.horizontalAdvance(texto) * 1440.0 / resolucion_;
}

void DispositivoQt::finLinea() {
    aseguraPagina();
    const QFontMetricsF& fm = metricas();
    x_ = 0;
    y_ += fm.height() * 1440.0 / resolucion_;
}

void DispositivoQt::nuevaPagina() {
    if (!painter_.isActive())
        pendientes_.assign(1, {});
    else
        pendientes_.emplace_back();
    x_ = y_ = 0;
}

void DispositivoQt::dibujaImagen(const QImage& imagen, int x, int y, int ancho, int alto) {
    Dibujo d{imagen, QRectF(x, y, ancho, alto)};
    if (painter_.isActive() && pendientes_.empty()) {
        pinta(d);
        return;
    }
    // A picture on a page not yet begun waits for the page's first output.
    if (pendientes_.empty()) pendientes_.emplace_back();
    pendientes_.back().push_back(std::move(d));
}

void DispositivoQt::cierraEstado() {
    pendientes_.clear();
    x_ = y_ = 0;
    paginas_ = 0;
}

void DispositivoQt::finDocumento() {
    if (!painter_.isActive()) {
        cierraEstado();
        return;
    }
    const bool ok = painter_.end() && lienzo()->printerState() != QPrinter::Error;
    cierraEstado();
    if (ok && !esPdf_) {
        enviaACups();
        return;
    }
    quitaTemporal();
    if (!ok)
        throw errorImpresora(esPdf_ ? QStringLiteral("No se pudo terminar el fichero PDF «%1»")
                                          .arg(impresora_->outputFileName())
                                    : QStringLiteral("La impresora «%1» no aceptó el documento")
                                          .arg(impresora_->printerName()));
}

void DispositivoQt::descartaDocumento() {
    if (painter_.isActive()) {
        lienzo()->abort();
        painter_.end();
        if (esPdf_ && !impresora_->outputFileName().isEmpty())
            QFile::remove(impresora_->outputFileName());
    }
    quitaTemporal();
    cierraEstado();
}

void DispositivoQt::quitaTemporal() {
    temporal_.reset();
    if (!ficheroTemporal_.isEmpty()) QFile::remove(ficheroTemporal_);
    ficheroTemporal_.clear();
}

void DispositivoQt::enviaACups() {
    temporal_.reset();
    QProcess lp;
    QStringList args{QStringLiteral("-d"), cola_, QStringLiteral("-t"),
                     impresora_->docName().isEmpty() ? QStringLiteral("Velmor")
                                                     : impresora_->docName()};
    const int copias = impresora_->copyCount();
    if (copias > 1) args << QStringLiteral("-n") << QString::number(copias);
    args << QStringLiteral("--") << ficheroTemporal_;
    lp.start(QStringLiteral("lp"), args);
    const bool arrancado = lp.waitForStarted(10000);
    const bool terminado = arrancado && lp.waitForFinished(120000);
    const QString salida = QString::fromLocal8Bit(lp.readAllStandardError()).trimmed();
    const bool ok = terminado && lp.exitStatus() == QProcess::NormalExit && lp.exitCode() == 0;
    if (!terminado) lp.kill();
    quitaTemporal();
    if (!ok)
        throw errorImpresora(
            arrancado
                ? QStringLiteral("La impresora «%1» no aceptó el documento: %2").arg(cola_, salida)
                : QStringLiteral("No se puede enviar el documento a la impresora «%1»: "
                                 "falta la orden lp de CUPS")
                      .arg(cola_));
}
