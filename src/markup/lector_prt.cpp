#include "markup/lector_prt.h"
#include "shared/error.h"

namespace {
constexpr qsizetype kBloque = 64 * 1024;
// The limit counts the file's bytes (the translator's own check); a line's markup may be several
// times its codes ("ESC E" is "{{NegritaOn}}"), and only a line past this bound of its
// translation is refused here, to keep memory bounded whatever the codes.
constexpr qsizetype kExpansionMaxima = 16;
} // namespace

LectorPrt::LectorPrt(const QString& ruta, const PaginasCodigo& paginas, qsizetype limiteLinea)
    : paginas_(paginas), fichero_(ruta, FicheroRegular::Clase::Prt), escp_(limiteLinea),
      limiteLinea_(limiteLinea) {}

void LectorPrt::traduce(qsizetype cuantos) {
    try {
        if (cuantos > 0)
            escp_.traduce(QByteArrayView(crudo_.constData(), cuantos), bufer_);
        else
            escp_.termina();
    } catch (const ErrorVelmor& e) {
        throw e.en(ruta(), escp_.lineaActual());
    }
}

// Loads the next block; false when the file has no more bytes.
bool LectorPrt::rellena() {
    if (finFichero_) return false;
    bufer_.remove(0, pos_);
    pos_ = 0;
    const qsizetype antes = bufer_.size();
    do {
        crudo_.resize(kBloque);
        const qint64 leidos = fichero_.lee(crudo_.data(), kBloque);
        if (leidos == 0) {
            finFichero_ = true;
            traduce(0);
            break;
        }
        traduce(leidos);
    } while (bufer_.size() == antes); // a block of graphics data alone gives nothing to read
    return bufer_.size() > antes;
}

bool LectorPrt::alFinal() {
    while (true) {
        if (saltarLf_ && pos_ < bufer_.size()) {
            if (bufer_[pos_] == '\n') ++pos_;
            saltarLf_ = false;
        }
        if (pos_ < bufer_.size()) return false;
        if (!rellena()) return true;
    }
}

void LectorPrt::anadeALinea(const char* inicio, qsizetype cuantos) {
    if (linea_.size() + cuantos > limiteLinea_ * kExpansionMaxima)
        throw ErrorVelmor(ErrorVelmor::LineaDemasiadoLarga,
                          QStringLiteral("La línea pasa de %1 bytes, el límite de una línea "
                                         "impresa: no parece un fichero de impresión")
                              .arg(limiteLinea_),
                          ruta(), numeroLinea_ + 1);
    linea_.append(inicio, cuantos);
}

bool LectorPrt::siguiente(QString& linea) {
    if (alFinal()) return false;
    linea_.clear();
    while (true) {
        const char* inicio = bufer_.constData() + pos_;
        const char* fin = bufer_.constData() + bufer_.size();
        const char* p = inicio;
        while (p != fin && *p != '\r' && *p != '\n')
            ++p;
        anadeALinea(inicio, p - inicio);
        pos_ += p - inicio;
        if (p != fin) {
            saltarLf_ = (*p == '\r');
            ++pos_;
            break;
        }
        if (!rellena()) break; // the last line needs no end
    }
    ++numeroLinea_;
    linea = paginas_.decodifica(linea_);
    return true;
}
