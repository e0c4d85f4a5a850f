#pragma once

// Test files written in one call.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// Writes `contenido` to `ruta` (folders made as needed) and returns the path; a failure ends the
// test program, since nothing after it would mean anything.
inline QString EscribeFichero(const QString& ruta, const QByteArray& contenido) {
    QDir().mkpath(QFileInfo(ruta).path());
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write test file");
    f.write(contenido);
    return ruta;
}
