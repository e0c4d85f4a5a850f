#include "pdf/letra_pdf.h"

#include "pdf/cara_fuente.h"
#include <QChar>
#include <cmath>

namespace {
// A character the device may place with its own glyph and advance: printable, not a combining
// mark, and only scripts that never reorder or join.
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

// The pixel size is a whole number, as Qt rounds it for the printer resolution.
LetraPdf::LetraPdf(std::shared_ptr<CaraFuente> cara, double puntos, bool negrita, bool cursiva,
                   Respaldo respaldo)
    : cara_(std::move(cara)), respaldo_(std::move(respaldo)),
      pixeles_(std::max(1.0, std::round(puntos * kResolucion / 72.0))), negrita_(negrita),
      cursiva_(cursiva) {
    if (!cara_) {
        ascenso_ = pixeles_ * 0.8;
        descenso_ = pixeles_ * 0.2;
        return;
    }
    const CaraFuente::Metricas m = cara_->metricas(pixeles_);
    ascenso_ = m.ascenso;
    descenso_ = m.descenso;
    grosor_ = m.grosor;
    subrayado_ = m.subrayado;
    negritaSintetica_ = negrita && !cara_->negrita();
    cursivaSintetica_ = cursiva && !cara_->cursiva();
}

LetraPdf::~LetraPdf() = default;

std::shared_ptr<CaraFuente> LetraPdf::caraPara(char32_t c) {
    if (cara_ && cara_->glifo(c)) return cara_;
    return respaldo_ ? respaldo_(c) : nullptr;
}

const LetraPdf::Glifo& LetraPdf::primeraVez(char16_t c) {
    auto& bloque = bloques_[c >> 8];
    if (!bloque) bloque = std::make_unique<std::array<Glifo, 256>>();
    Glifo& g = (*bloque)[c & 0xff];
    g.clase = Glifo::Complejo;
    if (!cara_ || !esDirecto(c)) return g;
    if (const uint32_t indice = cara_->glifo(c)) {
        g.indice = indice;
        g.avance = cara_->avance(indice, pixeles_);
        g.clase = Glifo::Directo;
    }
    return g;
}
