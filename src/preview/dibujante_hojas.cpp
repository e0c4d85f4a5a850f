#include "preview/dibujante_hojas.h"

#include <QMetaObject>
#include <QPdfDocument>
#include <algorithm>
#include <cstring>

DibujanteHojas::DibujanteHojas(QPdfDocument* documento, QObject* parent)
    : QObject(parent), documento_(documento) {
    hilo_ = std::thread([this] { trabaja(); });
}

DibujanteHojas::~DibujanteHojas() {
    {
        const std::lock_guard cerrojo(mutex_);
        fin_ = true;
    }
    aviso_.notify_one();
    hilo_.join();
    // Drawings posted and not yet delivered go with this object (QObject drops its events).
}

void DibujanteHojas::pide(std::vector<Encargo> encargos) {
    {
        const std::lock_guard cerrojo(mutex_);
        // The page being drawn comes anyway; asking again would draw it twice.
        if (enCurso_) std::erase(encargos, *enCurso_);
        lista_ = std::move(encargos);
    }
    aviso_.notify_one();
}

std::optional<DibujanteHojas::Encargo> DibujanteHojas::siguiente() {
    std::unique_lock cerrojo(mutex_);
    enCurso_.reset();
    aviso_.wait(cerrojo, [this] { return fin_ || !lista_.empty(); });
    if (fin_) return std::nullopt;
    enCurso_ = lista_.front();
    lista_.erase(lista_.begin());
    return enCurso_;
}

void DibujanteHojas::trabaja() {
    while (const auto encargo = siguiente()) {
        const QImage imagen = dibuja(*encargo);
        QMetaObject::invokeMethod(
            this, [this, e = *encargo, imagen] { emit dibujada(e.pagina, e.tamano, imagen); },
            Qt::QueuedConnection);
    }
}

namespace {
// Qt PDF draws in 4 bytes a pixel: a page is drawn in strips of about this much, so that it does
// not need its whole size again while drawn (some 9 MB on a 1280-pixel-wide screen, 20 MB on a
// 1920 one). Each strip costs the page's reading again (a few milliseconds): three at most.
constexpr qint64 kBytesFranja = 2 << 20;
constexpr qint64 kFranjasMaximas = 3;

// The strip laid into the page at row y; a page with colour anywhere is kept in colour.
void pega(QImage& hoja, const QImage& franja, int y) {
    if (hoja.format() != franja.format() && franja.format() == QImage::Format_RGB32)
        hoja.convertTo(QImage::Format_RGB32);
    const QImage f = franja.convertToFormat(hoja.format());
    for (int j = 0; j < f.height(); ++j)
        std::memcpy(hoja.scanLine(y + j), f.constScanLine(j), size_t(f.bytesPerLine()));
}

// c over white at opacity a, exactly: 255 - (255 - c) * a / 255, rounded (t / 255 for t up to
// 255², without a division).
inline uint sobreBlanco(uint c, uint a) {
    const uint t = (255 - c) * a + 128;
    return 255 - ((t + (t >> 8)) >> 8);
}

// One pixel laid on white: written to the page and as grey; `color` gathers whether it has colour.
inline void pixelSobreBlanco(QRgb& pixel, uchar& gris, uint& color) {
    const QRgb p = pixel;
    const uint a = p >> 24;
    const uint r = sobreBlanco((p >> 16) & 0xff, a), g = sobreBlanco((p >> 8) & 0xff, a),
               b = sobreBlanco(p & 0xff, a);
    pixel = 0xff000000 | (r << 16) | (g << 8) | b;
    gris = uchar(r);
    color |= (r ^ g) | (g ^ b);
}

} // namespace

QImage DibujanteHojas::dibuja(const Encargo& encargo) {
    const QSize t = encargo.tamano;
    const qint64 bytes = 4LL * t.width() * t.height();
    const qint64 franjas =
        std::clamp((bytes + kBytesFranja - 1) / kBytesFranja, qint64(1), kFranjasMaximas);
    const int filas = std::max(1, int((t.height() + franjas - 1) / franjas));
    QImage hoja;
    for (int y = 0; y < t.height(); y += filas) {
        const int alto = std::min(filas, t.height() - y);
        QPdfDocumentRenderOptions opciones;
        opciones.setScaledSize(t);
        // Qt PDF 6.4 scales a clipped drawing by (right − left) / width, and QRect's right is
        // left + width − 1: a rectangle one pixel larger than the strip gives the page's own scale,
        // so that the strips join exactly as the whole page would be drawn.
        opciones.setScaledClipRect(QRect(0, y, t.width() + 1, alto + 1));
        const QImage franja =
            SobrePapel(documento_->render(encargo.pagina, QSize(t.width(), alto), opciones));
        if (franja.isNull()) return {};
        if (hoja.isNull()) hoja = QImage(t, franja.format());
        if (hoja.isNull()) return {};
        pega(hoja, franja, y);
    }
    return hoja;
}

// Qt PDF draws on a transparent sheet (unpremultiplied ARGB). Laid on white once here, the page is
// opaque and draws on screen as a plain copy; and without colour one byte a pixel holds it whole.
// One pass writes both. Most of a page is bare paper: four pixels at a time are tested for it.
QImage DibujanteHojas::SobrePapel(QImage imagen) {
    if (imagen.format() != QImage::Format_ARGB32) return imagen;
    QImage grises(imagen.size(), QImage::Format_Grayscale8);
    if (grises.isNull()) return imagen;
    uint color = 0; // any bit set: some pixel is not grey
    const int ancho = imagen.width(), alto = imagen.height();
    constexpr quint64 kAlfas = 0xff000000ff000000ULL; // of two pixels
    for (int y = 0; y < alto; ++y) {
        auto* linea = reinterpret_cast<QRgb*>(imagen.scanLine(y));
        uchar* gris = grises.scanLine(y);
        int x = 0;
        for (; x + 4 <= ancho; x += 4) {
            quint64 dos[2];
            std::memcpy(dos, linea + x, sizeof dos);
            if (((dos[0] | dos[1]) & kAlfas) == 0) {
                std::fill_n(linea + x, 4, 0xffffffff);
                std::memset(gris + x, 255, 4);
                continue;
            }
            for (int i = x; i < x + 4; ++i)
                pixelSobreBlanco(linea[i], gris[i], color);
        }
        for (; x < ancho; ++x)
            pixelSobreBlanco(linea[x], gris[x], color);
    }
    if (color == 0) return grises;
    imagen.reinterpretAsFormat(QImage::Format_RGB32);
    return imagen;
}
