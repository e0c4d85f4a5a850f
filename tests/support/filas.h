#pragma once

// Test tables written as text, one row a line: fields separated by "¦", the blanks around them
// ignored; a line that starts with "#" is a comment.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTest>
#include <initializer_list>

inline QList<QStringList> Filas(const char* tabla, int campos) {
    QList<QStringList> filas;
    for (const QString& linea : QString::fromUtf8(tabla).split('\n', Qt::SkipEmptyParts)) {
        if (linea.startsWith('#')) continue;
        QStringList f = linea.split(u'¦');
        if (f.size() != campos) qFatal("a row of %d fields: %s", int(f.size()), qPrintable(linea));
        for (QString& c : f)
            c = c.trimmed();
        filas << f;
    }
    return filas;
}

// The bytes a field spells, with the escapes \r \n \f \t \e (ESC) \0 and \xHH.
inline QByteArray Bytes(const QString& campo) {
    static const QByteArray letras = "rnfte0", valores("\r\n\f\t\x1b\0", 6);
    const QByteArray t = campo.toUtf8();
    QByteArray b;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const qsizetype e = t[i] == '\\' && i + 1 < t.size() ? letras.indexOf(t[i + 1]) : -1;
        if (t[i] == '\\' && t.mid(i + 1, 1) == "x")
            b += char(t.mid(i + 2, 2).toInt(nullptr, 16)), i += 3;
        else if (e >= 0)
            b += valores[e], ++i;
        else
            b += t[i];
    }
    return b;
}

// The table's rows as data rows, the first field naming the row and the rest the QString columns
// `columnas` (literals: Qt Test keeps the pointers).
inline void FilasDeDatos(const char* tabla, std::initializer_list<const char*> columnas) {
    for (const char* c : columnas)
        QTest::addColumn<QString>(c);
    for (const QStringList& f : Filas(tabla, int(columnas.size()) + 1)) {
        QTestData& fila = QTest::newRow(qPrintable(f[0]));
        for (const QString& c : f.mid(1))
            fila << c;
    }
}
// The table's rows as data rows of one QStringList column `columna`, named by their first field.
inline void FilasEnLista(const char* tabla, int campos, const char* columna = "f") {
    QTest::addColumn<QStringList>(columna);
    for (const QStringList& f : Filas(tabla, campos))
        QTest::newRow(qPrintable(f[0])) << f;
}
// A QString column of the current data row.
inline QString Campo(const char* columna) {
    return *static_cast<QString*>(QTest::qData(columna, QMetaType::QString));
}
