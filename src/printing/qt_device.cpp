#include "printing/qt_device.h"

#include "printing/salida_fichero.h"
#include "shared/causa_sistema.h"
#include "shared/error.h"
#include "shared/nombres_fichero.h"
#include <QFile>
#include <QPrinter>
#include <cerrno>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
ErrorVelmor errorImpresora(const QString& que) {
    return ErrorVelmor(ErrorVelmor::ErrorImpresora, que);
}

// Qt's PDF output compresses each page through two fresh 10 MB buffers. With glibc's default
// thresholds that memory is handed back to the system after every page and faulted in again on
// the next, which costs more than drawing a page of text. Keeping it in the heap does not raise
// the resident size: only the part a page really uses is ever touched.
void conservaMemoriaEntrePaginas() {
#ifdef __GLIBC__
    static const bool hecho = [] {
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
        return true;
    }();
    (void)hecho;
#endif
}

// Qt's PDF output does not report a failed write (a full disk, a size limit): a complete file
// ends with the offset of its cross-reference table, and that table is where the offset says.
bool pdfCompleto(const QString& ruta) {
    QFile f(ruta);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 64 || !f.seek(f.size() - 64)) return false;
    const QByteArray cola = f.read(64).trimmed();
    const qsizetype marca = cola.lastIndexOf("startxref");
    if (marca < 0 || !cola.endsWith("%%EOF")) return false;
    const qsizetype inicio = marca + 9;
    bool ok = false;
    const qint64 xref = cola.mid(inicio, cola.size() - 5 - inicio).trimmed().toLongLong(&ok);
    return ok && xref > 0 && xref < f.size() && f.seek(xref) && f.read(4) == "xref";
}

// Qt's PDF output does not say why a write failed: a disk with next to no room left, or a file
// that reached the process's size limit, are the usual reasons.
int causaDelFallo(int fd) {
    struct statvfs disco {};
    if (::fstatvfs(fd, &disco) == 0 && disco.f_bavail * disco.f_frsize < 64 * 1024) return ENOSPC;
    struct stat datos {};
    rlimit limite{};
    if (::fstat(fd, &datos) == 0 && ::getrlimit(RLIMIT_FSIZE, &limite) == 0 &&
        limite.rlim_cur != RLIM_INFINITY && rlim_t(datos.st_size) + 64 * 1024 >= limite.rlim_cur)
        return EFBIG;
    return EIO;
}

// The weight the face was designed with (OS/2 usWeightClass), 0 if it does not say.
int pesoDeLaCara(const QRawFont& raw) {
    const QByteArray os2 = raw.fontTable("OS/2");
    if (os2.size() < 6) return 0;
    return (quint8(os2[4]) << 8) | quint8(os2[5]);
}

// Characters the font can draw one by one with the same result as shaped text: no controls, soft
// hyphens, combining or format marks, and only scripts that never reorder or join.
bool esDirecto(char16_t c) {
    if (c < 0x20 || (c >= 0x7f && c < 0xa0) || c == 0xad) return false;
    const QChar q(c);
    if (q.isSurrogate() || q.isMark()) return false;
    switch (q.category()) {
    case QChar::Other_Format:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return false;
    default:
        break;
    }
    switch (q.script()) {
    case QChar::Script_Common:
    case QChar::Script_Latin:
    case QChar::Script_Greek:
    case QChar::Script_Cyrillic:
        return true;
    default:
        return false;
    }
}
} // namespace

DispositivoQt::~DispositivoQt() {
    if (painter_.isActive()) descartaDocumento();
}

void DispositivoQt::ponSalida(SalidaFichero* salida) {
    if (painter_.isActive() && salida != salida_)
        throw errorImpresora(
            QStringLiteral("No se puede cambiar la salida con un documento a medias"));
    salida_ = salida;
}

void DispositivoQt::ponImpresora(QPrinter* impresora) {
    if (painter_.isActive())
        throw errorImpresora(
            QStringLiteral("No se puede cambiar de impresora con un documento a medias"));
    impresora_ = impresora;
    fuenteCambiada_ = true;
    metricas_.reset();
    glifos_ = nullptr;
    fuentesGlifos_.clear();
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
        glifos_ = nullptr;
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
    if (!salida_) throw errorImpresora(QStringLiteral("El documento no tiene dónde escribirse"));
    salida_->abre();
    lienzo_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    lienzo_->setOutputFormat(QPrinter::PdfFormat);
    lienzo_->setFullPage(impresora_->fullPage());
    lienzo_->setPageLayout(impresora_->pageLayout());
    lienzo_->setCreator(impresora_->creator());
    lienzo_->setDocName(impresora_->docName());
    lienzo_->setOutputFileName(salida_->rutaEscritura());
    if (!painter_.begin(lienzo())) {
        lienzo_.reset();
        salida_->descarta();
        throw errorImpresora(QStringLiteral("No se puede empezar el documento PDF"));
    }
    // Qt's PDF engine outlives the document and keeps the last drawing's matrix until the
    // painter says otherwise: without this, a picture drawn before any text would take the last
    // document's character-cell scale.
    painter_.resetTransform();
    conservaMemoriaEntrePaginas();
    resolucion_ = lienzo()->resolution();
    glifos_ = nullptr;
    fuentesGlifos_.clear(); // the canvas resolution may differ from the last document's
    fuenteCambiada_ = true;
    metricas();
    painter_.setFont(fuente_);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform);
    paginas_ = 1;
}

void DispositivoQt::pinta(const Dibujo& d) {
    const QRectF r(px(d.rect.x()), px(d.rect.y()), px(d.rect.width()), px(d.rect.height()));
    painter_.drawImage(r, d.imagen);
    dibujosPagina_.push_back(d);
    // From the document's first picture on, every picture comes before its page's text.
    aplazando_ = false;
}

// A line that would end below the printable area goes on a sheet of its own making, behind the
// same pictures, rather than off the paper: 66 lines in pica or elite are taller than A4's
// printable height.
void DispositivoQt::cabeLaLinea(qreal alto) {
    if (y_ <= 0 || px(y_) + alto <= lienzo()->height()) return;
    pendientes_.push_back(std::move(dibujosPagina_));
    y_ = 0;
    aseguraPagina();
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
        pintaTrazos();
        if (!lienzo()->newPage()) throw errorEscritura();
        ++paginas_;
        dibujosPagina_.clear();
        for (const Dibujo& d : pagina)
            pinta(d);
    }
    pendientes_.clear();
}

const DispositivoQt::Glifo& DispositivoQt::FuenteGlifos::glifo(char16_t c) {
    auto& bloque = bloques[c >> 8];
    if (!bloque) bloque = std::make_unique<std::array<Glifo, 256>>();
    Glifo& g = (*bloque)[c & 0xff];
    if (g.clase == Glifo::SinVer) {
        g.clase = Glifo::Complejo;
        const QChar q(c);
        quint32 indice = 0;
        int n = 1;
        if (esDirecto(c) && raw.glyphIndexesForChars(&q, 1, &indice, &n) && n == 1 && indice != 0) {
            QPointF avance;
            if (raw.advancesForGlyphIndexes(&indice, &avance, 1)) {
                g.indice = indice;
                g.avance = avance.x();
                g.clase = Glifo::Directo;
            }
        }
    }
    return g;
}

DispositivoQt::FuenteGlifos& DispositivoQt::fuenteGlifos() {
    if (glifos_) return *glifos_;
    const QString familia = fuente_.family();
    for (const auto& f : fuentesGlifos_)
        if (f->tamano == tamano_ && f->negrita == negrita_ && f->cursiva == cursiva_ &&
            f->familia == familia)
            return *(glifos_ = f.get());
    auto f = std::make_unique<FuenteGlifos>();
    f->familia = familia;
    f->tamano = tamano_;
    f->negrita = negrita_;
    f->cursiva = cursiva_;
    // The painter's own font engine at the canvas resolution: same glyphs, same embedded font.
    f->raw = QRawFont::fromFont(QFont(fuente_, lienzo()));
    // Qt writes each glyph's offset from the previous one as a decimal number. Drawn in units of
    // a character cell, a monospaced line's offsets are all "1": a third less page content to
    // format and compress, and the glyphs land on the same spots. Not for a bold made up from a
    // regular face: Qt shifts its second pass by a fixed number of font units, which at that
    // scale would be half a cell.
    const Glifo& blanco = f->glifo(u' ');
    if (blanco.clase == Glifo::Directo && blanco.avance > 0 &&
        (!negrita_ || pesoDeLaCara(f->raw) >= 600)) {
        f->enCeldas = f->raw;
        f->enCeldas.setPixelSize(f->raw.pixelSize() / blanco.avance);
        if (f->enCeldas.isValid()) f->celda = blanco.avance;
    }
    fuentesGlifos_.push_back(std::move(f));
    return *(glifos_ = fuentesGlifos_.back().get());
}

// The text's glyphs in indices_ and posiciones_ (device pixels from the origin) and its width,
// when every character is drawn as is; null when the text needs Qt's shaping or a fallback font.
DispositivoQt::FuenteGlifos* DispositivoQt::glifosDe(const QString& texto, qreal& ancho) {
    FuenteGlifos& f = fuenteGlifos();
    if (!f.raw.isValid()) return nullptr;
    indices_.clear();
    posiciones_.clear();
    // Blanks only move the pen (readers tell words apart by the gaps), unless an underline has
    // to run under them. A report line is a fifth blanks, and Qt writes each glyph on its own.
    const bool blancos = subrayado_;
    qreal x = 0;
    for (const QChar c : texto) {
        const Glifo& g = f.glifo(c.unicode());
        if (g.clase != Glifo::Directo) return nullptr;
        if (blancos || c != u' ') {
            indices_.push_back(g.indice);
            posiciones_.emplace_back(x, 0);
        }
        x += g.avance;
    }
    ancho = x;
    return &f;
}

void DispositivoQt::pintaGlifos(const FuenteGlifos& f, const QPointF& origen, bool subrayado,
                                const std::vector<quint32>& indices,
                                std::vector<QPointF>& posiciones) {
    // An underline is drawn to the font's own size: it stays in device pixels.
    const bool enCeldas = f.celda > 0 && !subrayado;
    if (enCeldas)
        for (QPointF& p : posiciones)
            p.rx() /= f.celda;
    run_.setRawFont(enCeldas ? f.enCeldas : f.raw);
    run_.setRawData(indices.data(), posiciones.data(), int(indices.size()));
    run_.setUnderline(subrayado);
    if (enCeldas) {
        painter_.setTransform(QTransform(f.celda, 0, 0, f.celda, origen.x(), origen.y()));
        painter_.drawGlyphRun(QPointF(), run_);
        painter_.resetTransform();
    } else {
        painter_.drawGlyphRun(origen, run_);
    }
}

void DispositivoQt::escribe(const QString& texto) {
    if (texto.isEmpty()) return;
    aseguraPagina();
    const QFontMetricsF& fm = metricas();
    cabeLaLinea(fm.height());
    const QPointF origen(px(x_), px(y_) + fm.ascent());
    qreal ancho = 0;
    FuenteGlifos* f = glifosDe(texto, ancho);
    if (!f) ancho = fm.horizontalAdvance(texto);
    x_ += ancho * 1440.0 / resolucion_;
    if (f && indices_.empty()) return; // blanks only
    if (aplazando_) {
        trazos_.push_back(f ? Trazo{f, origen, subrayado_, indices_, posiciones_, {}, {}}
                            : Trazo{nullptr, origen, false, {}, {}, fuente_, texto});
    } else if (f) {
        pintaGlifos(*f, origen, subrayado_, indices_, posiciones_);
    } else {
        painter_.drawText(origen, texto);
    }
}

// Draws the text the page kept back: over the picture just drawn, or before the page ends.
void DispositivoQt::pintaTrazos() {
    bool otraLetra = false;
    for (Trazo& t : trazos_) {
        if (t.glifos) {
            pintaGlifos(*t.glifos, t.origen, t.subrayado, t.indices, t.posiciones);
        } else {
            painter_.setFont(t.letra);
            painter_.drawText(t.origen, t.texto);
            otraLetra = true;
        }
    }
    if (otraLetra) painter_.setFont(fuente_);
    trazos_.clear();
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
        pintaTrazos(); // the page's text so far goes over it, not under it
        return;
    }
    // A picture on a page not yet begun waits for the page's first output.
    if (pendientes_.empty()) pendientes_.emplace_back();
    pendientes_.back().push_back(std::move(d));
}

void DispositivoQt::cierraEstado() {
    pendientes_.clear();
    dibujosPagina_.clear();
    trazos_.clear();
    aplazando_ = true; // the next document has had no picture yet
    x_ = y_ = 0;
    paginas_ = 0;
}

void DispositivoQt::finDocumento() {
    if (!painter_.isActive()) {
        cierraEstado();
        return;
    }
    pintaTrazos();
    const bool ok = painter_.end() && lienzo()->printerState() != QPrinter::Error &&
                    pdfCompleto(salida_->rutaEscritura());
    const ErrorVelmor error = ok ? ErrorVelmor(0, {}) : errorEscritura();
    lienzo_.reset();
    cierraEstado();
    if (ok) {
        salida_->termina();
        return;
    }
    salida_->descarta();
    throw error;
}

// Why the document could not be written, naming the PDF (or, for a printer, leaving the job's
// file to name it).
ErrorVelmor DispositivoQt::errorEscritura() const {
    const int causa = causaDelFallo(salida_->descriptor());
    const int numero = causa == ENOSPC ? ErrorVelmor::DiscoLleno : ErrorVelmor::ErrorEntradaSalida;
    if (salida_->destino().isEmpty())
        return ErrorVelmor(numero, QStringLiteral("No se pudo escribir el documento para la "
                                                  "impresora: ") +
                                       CausaSistema(causa));
    return ErrorVelmor::DeFichero(numero,
                                  QStringLiteral("No se pudo escribir entero el PDF «%1»: %2")
                                      .arg(NombreVisible(salida_->destino()), CausaSistema(causa)),
                                  salida_->destino());
}

void DispositivoQt::descartaDocumento() {
    if (painter_.isActive()) {
        lienzo()->abort();
        painter_.end();
    }
    lienzo_.reset();
    if (salida_) salida_->descarta();
    cierraEstado();
}
