#include "mainwindow/linea_estado.h"

#include <QRegularExpression>
#include <algorithm>

namespace {
constexpr int kMinimoNombre = 5; // characters a shortened name keeps, the ellipsis included

struct Nombre {
    qsizetype inicio; // after «
    qsizetype largo;
};

QList<Nombre> Nombres(const QString& texto) {
    static const QRegularExpression entreComillas(QStringLiteral("«([^»]*)»"));
    QList<Nombre> nombres;
    for (auto it = entreComillas.globalMatch(texto); it.hasNext();) {
        const auto m = it.next();
        nombres.append({m.capturedStart(1), m.capturedLength(1)});
    }
    return nombres;
}

// The name's middle replaced by an ellipsis, keeping `quedan` characters in all.
QString Recorta(const QString& nombre, qsizetype quedan) {
    const qsizetype delante = quedan / 2, detras = quedan - 1 - delante;
    return nombre.left(delante) + QChar(0x2026) + nombre.right(detras);
}
} // namespace

QString AcortaEstado(const QString& texto, const QFontMetrics& letra, int ancho) {
    QString actual = texto;
    while (letra.horizontalAdvance(actual) > ancho) {
        QList<Nombre> nombres = Nombres(actual);
        auto mas =
            std::max_element(nombres.begin(), nombres.end(),
                             [](const Nombre& a, const Nombre& b) { return a.largo < b.largo; });
        if (mas == nombres.end() || mas->largo <= kMinimoNombre) break;
        // One character less at a time (names and the line are short): the name's two ends,
        // without the ellipsis of an earlier round, around a new one.
        QString nombre = actual.mid(mas->inicio, mas->largo);
        nombre.remove(QChar(0x2026));
        actual.replace(mas->inicio, mas->largo, Recorta(nombre, mas->largo - 1));
    }
    return letra.elidedText(actual, Qt::ElideRight, ancho);
}
