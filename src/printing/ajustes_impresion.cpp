#include "printing/ajustes_impresion.h"

#include <QLocale>
#include <QRegularExpression>

namespace {
constexpr double kMaximoMm = 2000; // beyond any printer's paper
constexpr double kMaximoMargenMm = 200;

struct PapelConocido {
    ClasePapel papel;
    const char* palabra;
    const char* nombre;
};
const PapelConocido kPapeles[] = {
    {ClasePapel::SegunImpresora, "impresora", "Según la impresora"},
    {ClasePapel::A4, "a4", "A4"},
    {ClasePapel::Carta, "carta", "Carta"},
    {ClasePapel::Legal, "legal", "Legal"},
    {ClasePapel::Continuo, "continuo", "Papel continuo 240 × 12\""},
    {ClasePapel::Personalizado, nullptr, "Personalizado"},
};

std::optional<double> Milimetros(const QString& texto, double maximo) {
    bool ok = false;
    const double mm = texto.trimmed().toDouble(&ok);
    if (!ok || mm < 0 || mm > maximo) return std::nullopt;
    return mm;
}

QString Numero(double mm) {
    return QString::number(mm, 'g', QLocale::FloatingPointShortest); // reads back the same
}

// The sheet of the paper asked for, portrait, in whole points (A4 595 × 842, Letter 612 × 792);
// the printer's own when it is SegunImpresora.
Papel Hoja(ClasePapel papel, const QSizeF& medidaMm, const Papel& propia) {
    if (papel == ClasePapel::SegunImpresora) return {propia.ancho, propia.alto};
    const QSizeF mm = MedidaPapelMm(papel).value_or(medidaMm);
    return Papel::Milimetros(mm.width(), mm.height());
}
} // namespace

std::optional<QSizeF> MedidaPapelMm(ClasePapel papel) {
    switch (papel) {
    case ClasePapel::A4:
        return QSizeF(210, 297);
    case ClasePapel::Carta:
        return QSizeF(215.9, 279.4);
    case ClasePapel::Legal:
        return QSizeF(215.9, 355.6);
    case ClasePapel::Continuo:
        return QSizeF(240, 304.8);
    case ClasePapel::SegunImpresora:
    case ClasePapel::Personalizado:
        break;
    }
    return std::nullopt;
}

QMarginsF AjustesImpresion::MargenesPrograma() {
    const double sexto = 25.4 / 6;
    return QMarginsF(sexto, sexto, sexto, sexto);
}

std::optional<Papel> AjustesImpresion::Disposicion(const Papel& propia) const {
    Papel pagina = Hoja(papel, medidaMm, propia);
    if (pagina.ancho <= 0 || pagina.alto <= 0) return std::nullopt;
    pagina.horizontal = propia.horizontal;
    pagina.margenes = margenesMm * (72 / 25.4);
    // At least a centimetre to print in, each way.
    const double diez = 10 * 72 / 25.4;
    if (pagina.anchoArea() < diez || pagina.altoArea() < diez) return std::nullopt;
    return pagina;
}

QString AjustesImpresion::TextoPapel() const {
    for (const PapelConocido& p : kPapeles)
        if (p.papel == papel && p.palabra) return QString::fromLatin1(p.palabra);
    return Numero(medidaMm.width()) + u'x' + Numero(medidaMm.height());
}

QString AjustesImpresion::TextoMargenes() const {
    const QMarginsF& m = margenesMm;
    if (m.left() == m.top() && m.top() == m.right() && m.right() == m.bottom())
        return Numero(m.left());
    return QStringList{Numero(m.left()), Numero(m.top()), Numero(m.right()), Numero(m.bottom())}
        .join(u',');
}

std::optional<QString> AjustesImpresion::LeePapel(const QString& texto) {
    const QString palabra = texto.trimmed().toLower();
    for (const PapelConocido& p : kPapeles)
        if (p.palabra && palabra == QLatin1String(p.palabra)) {
            papel = p.papel;
            return std::nullopt;
        }
    static const QRegularExpression medida(R"(^\s*([0-9.]+)\s*[x×]\s*([0-9.]+)\s*$)");
    const QString motivo =
        QStringLiteral("papel «%1» desconocido: impresora, a4, carta, legal, continuo o "
                       "ANCHOxALTO en milímetros (de 20 a 2000, p. ej. 210x297)")
            .arg(texto);
    const auto m = medida.match(palabra);
    if (!m.hasMatch()) return motivo;
    const double ancho = Milimetros(m.captured(1), kMaximoMm).value_or(-1);
    const double alto = Milimetros(m.captured(2), kMaximoMm).value_or(-1);
    if (ancho < 20 || alto < 20) return motivo;
    papel = ClasePapel::Personalizado;
    medidaMm = QSizeF(ancho, alto);
    return std::nullopt;
}

std::optional<QString> AjustesImpresion::LeeMargenes(const QString& texto) {
    const QStringList partes = texto.split(u',');
    std::vector<double> mm;
    for (const QString& parte : partes)
        if (const auto n = Milimetros(parte, kMaximoMargenMm)) mm.push_back(*n);
    if (mm.size() != size_t(partes.size()) || (mm.size() != 1 && mm.size() != 4))
        return QStringLiteral("márgenes «%1» no válidos: un número de milímetros (de 0 a 200) "
                              "o cuatro separados por comas, izquierda,arriba,derecha,abajo")
            .arg(texto);
    margenesMm = mm.size() == 1 ? QMarginsF(mm[0], mm[0], mm[0], mm[0])
                                : QMarginsF(mm[0], mm[1], mm[2], mm[3]);
    return std::nullopt;
}

std::optional<QString> AjustesImpresion::LeeLineas(const QString& texto) {
    bool ok = false;
    const int n = texto.trimmed().toInt(&ok);
    if (!ok || n < 1 || n > 32767)
        return QStringLiteral("--lineas necesita un número entre 1 y 32767");
    lineas = n;
    return std::nullopt;
}

std::optional<QString> AjustesImpresion::LeeAgujas(const QString& texto) {
    const QString n = texto.trimmed();
    if (n != QLatin1String("24") && n != QLatin1String("9"))
        return QStringLiteral("--agujas necesita 24 o 9 (el modelo de impresora Epson)");
    agujas = n.toInt();
    return std::nullopt;
}

QStringList NombresPapel() {
    QStringList nombres;
    for (const PapelConocido& p : kPapeles)
        nombres << QString::fromUtf8(p.nombre);
    return nombres;
}
