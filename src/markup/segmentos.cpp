#include "markup/segmentos.h"
#include "shared/error.h"

#include <array>
#include <utility>

namespace {
constexpr std::array<std::pair<QLatin1StringView, Etiqueta>, 14> kNombres{{
    {QLatin1StringView("Courier"), Etiqueta::Courier},
    {QLatin1StringView("Pica"), Etiqueta::Pica},
    {QLatin1StringView("Elite"), Etiqueta::Elite},
    {QLatin1StringView("Comprimida"), Etiqueta::Comprimida},
    {QLatin1StringView("AmpliadaOn"), Etiqueta::AmpliadaOn},
    {QLatin1StringView("AmpliadaOff"), Etiqueta::AmpliadaOff},
    {QLatin1StringView("NegritaOn"), Etiqueta::NegritaOn},
    {QLatin1StringView("NegritaOff"), Etiqueta::NegritaOff},
    {QLatin1StringView("ItalicaOn"), Etiqueta::ItalicaOn},
    {QLatin1StringView("ItalicaOff"), Etiqueta::ItalicaOff},
    {QLatin1StringView("SubrayadoOn"), Etiqueta::SubrayadoOn},
    {QLatin1StringView("SubrayadoOff"), Etiqueta::SubrayadoOff},
    {QLatin1StringView("Pagina"), Etiqueta::Pagina},
    {QLatin1StringView("Fuente"), Etiqueta::Fuente},
}};

// Where "{{" or "}}" begins: a search for the single character, which Qt does many at a time,
// beats a substring search on lines that mostly have none.
qsizetype buscaDoble(QStringView texto, char16_t c, qsizetype desde = 0) {
    for (qsizetype i = texto.indexOf(QChar(c), desde); i >= 0 && i + 1 < texto.size();
         i = texto.indexOf(QChar(c), i + 1))
        if (texto[i + 1] == c) return i;
    return -1;
}

// Blanks only: a font name keeps tabs and other characters at its ends.
QString recortaBlancos(QStringView texto) {
    qsizetype inicio = 0, fin = texto.size();
    while (inicio < fin && texto[inicio] == u' ')
        ++inicio;
    while (fin > inicio && texto[fin - 1] == u' ')
        --fin;
    return texto.mid(inicio, fin - inicio).toString();
}
} // namespace

namespace {
void deCodigoDeImpresora(QStringView nombre, Segmento& segmento) {
    if (nombre == u"Reinicio") {
        segmento.etiqueta = Etiqueta::Reinicio;
    } else if (nombre.startsWith(u"Lineas ")) {
        bool ok = false;
        segmento.valor = nombre.mid(7).toInt(&ok);
        segmento.etiqueta = ok && segmento.valor > 0 ? Etiqueta::Lineas : Etiqueta::Desconocida;
    }
}
} // namespace

Etiqueta etiquetaDeNombre(QStringView nombre) {
    for (const auto& [texto, etiqueta] : kNombres)
        if (nombre == texto) return etiqueta;
    return Etiqueta::Desconocida;
}

Segmentos::Segmentos(const QString& linea) : linea_(linea) {}

std::optional<Segmento> Segmentos::siguiente() {
    if (terminada_ || pos_ >= linea_.size()) return std::nullopt;
    const QStringView resto = QStringView(linea_).mid(pos_);
    const qsizetype g = buscaDoble(resto, u'{');
    if (g < 0) {
        terminada_ = true;
        return Segmento{resto, Etiqueta::Ninguna, std::nullopt};
    }
    // The first "}}" of the remaining line counts, even when it stands before the "{{".
    const bool cierreAntes = buscaDoble(resto.left(g), u'}') >= 0;
    const qsizetype f = cierreAntes ? -1 : buscaDoble(resto, u'}', g + 2);
    if (f < 0)
        throw ErrorVelmor(ErrorVelmor::ArgumentoNoValido,
                          QStringLiteral("Etiqueta mal formada: ") +
                              (cierreAntes ? QStringLiteral("aparece \"}}\" antes de \"{{\"")
                                           : QStringLiteral("falta \"}}\" después de \"{{\"")));
    Segmento segmento{resto.left(g), Etiqueta::Desconocida, std::nullopt};
    const QStringView nombre = resto.mid(g + 2, f - g - 2);
    if (nombre.startsWith(u'*')) {
        segmento.etiqueta = Etiqueta::Fuente;
        segmento.fuente = recortaBlancos(nombre.mid(1));
    } else if (nombre.startsWith(u'\x01')) {
        deCodigoDeImpresora(nombre.mid(1), segmento);
    } else {
        segmento.etiqueta = etiquetaDeNombre(nombre);
    }
    pos_ += f + 2;
    terminada_ = segmento.etiqueta == Etiqueta::Pagina;
    return segmento;
}
