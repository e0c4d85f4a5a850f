#include "preview/dibujante_hojas.h"

#include <QMetaObject>
#include <QPdfDocument>

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
        const QImage imagen = SobrePapel(documento_->render(encargo->pagina, encargo->tamano));
        QMetaObject::invokeMethod(
            this, [this, e = *encargo, imagen] { emit dibujada(e.pagina, e.tamano, imagen); },
            Qt::QueuedConnection);
    }
}

namespace {
// c over white at opacity a, exactly: 255 - (255 - c) * a / 255, rounded (t / 255 for t up to
// 255², without a division).
inline uint sobreBlanco(uint c, uint a) {
    const uint t = (255 - c) * a + 128;
    return 255 - ((t + (t >> 8)) >> 8);
}
} // namespace

// Qt PDF draws on a transparent sheet (unpremultiplied ARGB). Laid on white once here, the page is
// opaque and draws on screen as a plain copy; and without colour one byte a pixel holds it whole.
// One pass writes both; most of a page is bare paper, which costs a test.
QImage DibujanteHojas::SobrePapel(QImage imagen) {
    if (imagen.format() != QImage::Format_ARGB32) return imagen;
    QImage grises(imagen.size(), QImage::Format_Grayscale8);
    if (grises.isNull()) return imagen;
    uint color = 0; // any bit set: some pixel is not grey
    const int ancho = imagen.width(), alto = imagen.height();
    for (int y = 0; y < alto; ++y) {
        auto* linea = reinterpret_cast<QRgb*>(imagen.scanLine(y));
        uchar* gris = grises.scanLine(y);
        for (int x = 0; x < ancho; ++x) {
            const QRgb p = linea[x];
            const uint a = p >> 24;
            if (a == 0) {
                linea[x] = 0xffffffff;
                gris[x] = 255;
                continue;
            }
            const uint r = sobreBlanco((p >> 16) & 0xff, a), g = sobreBlanco((p >> 8) & 0xff, a),
                       b = sobreBlanco(p & 0xff, a);
            linea[x] = 0xff000000 | (r << 16) | (g << 8) | b;
            gris[x] = uchar(r);
            color |= (r ^ g) | (g ^ b);
        }
    }
    if (color == 0) return grises;
    imagen.reinterpretAsFormat(QImage::Format_RGB32);
    return imagen;
}
