#include "printing/ajustes_impresion.h"

#include <QLocale>
#include <QPageSize>
#include <QRectF>
#include <QRegularExpression>

namespace {
constexpr double kMaximoMm = 2000; // beyond any printer's paper
constexpr double kMaximoMargenMm = 200;

struct PapelConocido {
    Papel papel;
    const char* palabra;
    const char* nombre;
};
const PapelConocido kPapeles[] = {
    {Papel::SegunImpresora, "impresora", "Según la impresora"},
    {Papel::A4, "a4", "A4"},
    {Papel::Carta, "carta", "Carta"},
    {Papel::Legal, "legal", "Legal"},
    {Papel::Continuo, "continuo", "Papel continuo 240 × 12\""},
    {Papel::Personalizado, nullptr, "Personalizado"},
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

QPageSize Tamano(Papel papel, const QSizeF& medidaMm, const QPageSize& propio) {
    switch (papel) {
    case Papel::SegunImpresora:
        return propio;
    case Papel::A4:
        return QPageSize(QPageSize::A4);
    case Papel::Carta:
        return QPageSize(QPageSize::Letter);
    case Papel::Legal:
        return QPageSize(QPageSize::Legal);
    case Papel::Continuo:
        return QPageSize(QSizeF(240, 304.8), QPageSize::Millimeter, "Continuo 240 x 12",
                         QPageSize::ExactMatch);
    case Papel::Personalizado:
        break;
    }
    return QPageSize(medidaMm, QPageSize::Millimeter, {}, QPageSize::ExactMatch);
}
} // namespace

QMarginsF AjustesImpresion::MargenesPrograma() {
    const double sexto = 25.4 / 6;
    return QMarginsF(sexto, sexto, sexto, sexto);
}

std::optional<QPageLayout> AjustesImpresion::Disposicion(const QPageLayout& propia) const {
    const QPageSize tamano = Tamano(papel, medidaMm, propia.pageSize());
    if (!tamano.isValid()) return std::nullopt;
    const QPageLayout pagina(tamano, propia.orientation(), margenesMm, QPageLayout::Millimeter);
    const QSizeF hoja = pagina.fullRect(QPageLayout::Millimeter).size();
    // At least a centimetre to print in, each way.
    if (margenesMm.left() + margenesMm.right() > hoja.width() - 10 ||
        margenesMm.top() + margenesMm.bottom() > hoja.height() - 10)
        return std::nullopt;
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
    papel = Papel::Personalizado;
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
