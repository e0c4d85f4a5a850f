#include "pdf/letra_pdf.h"

#include "pdf/fuente_pdf.h"
#include <QImage>

namespace {
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

const QPaintDevice& LetraPdf::lienzo() {
    static const QImage imagen = [] {
        QImage i(1, 1, QImage::Format_RGB32);
        const int puntosMetro = qRound(kResolucion / 0.0254);
        i.setDotsPerMeterX(puntosMetro);
        i.setDotsPerMeterY(puntosMetro);
        return i;
    }();
    return imagen;
}

LetraPdf::LetraPdf(const QFont& fuente, bool negrita, bool cursiva)
    : fuente_(fuente, &lienzo()), cara_(QRawFont::fromFont(fuente_)),
      claveCara_(FuentePdf::clave(cara_)), metricas_(fuente, &lienzo()), alto_(metricas_.height()),
      ascenso_(metricas_.ascent()) {
    const auto estilo = FuentePdf::estilo(cara_);
    negritaSintetica_ = negrita && !estilo.negrita;
    cursivaSintetica_ = cursiva && !estilo.cursiva;
}

const QRawFont& LetraPdf::caraContornos() {
    if (!negritaSintetica_ && !cursivaSintetica_) return cara_;
    if (!caraContornos_.isValid()) {
        QFont sinInventar(fuente_);
        if (negritaSintetica_) sinInventar.setBold(false);
        if (cursivaSintetica_) sinInventar.setItalic(false);
        caraContornos_ = QRawFont::fromFont(sinInventar);
        if (!caraContornos_.isValid()) caraContornos_ = cara_;
    }
    return caraContornos_;
}

const LetraPdf::Glifo& LetraPdf::glifo(char16_t c) {
    auto& bloque = bloques_[c >> 8];
    if (!bloque) bloque = std::make_unique<std::array<Glifo, 256>>();
    Glifo& g = (*bloque)[c & 0xff];
    if (g.clase != Glifo::SinVer) return g;
    g.clase = Glifo::Complejo;
    const QChar q(c);
    quint32 indice = 0;
    int n = 1;
    if (esDirecto(c) && cara_.glyphIndexesForChars(&q, 1, &indice, &n) && n == 1 && indice != 0) {
        QPointF avance;
        if (cara_.advancesForGlyphIndexes(&indice, &avance, 1)) {
            g.indice = indice;
            g.avance = avance.x();
            g.clase = Glifo::Directo;
        }
    }
    return g;
}
