#pragma once

// Test files written in one call.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

// Writes `contenido` to `ruta` (folders made as needed) and returns the path; a failure ends the
// test program, since nothing after it would mean anything.
inline QString EscribeFichero(const QString& ruta, const QByteArray& contenido) {
    QDir().mkpath(QFileInfo(ruta).path());
    QFile f(ruta);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write test file");
    f.write(contenido);
    return ruta;
}

// Whether this process still holds the file open (Linux: its descriptors in /proc/self/fd). On
// Linux an open file can be deleted, so removing it proves nothing.
inline bool AbiertoPorEsteProceso(const QString& ruta) {
    const QString buscado = QFileInfo(ruta).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot))
        if (fd.symLinkTarget() == buscado) return true;
    return false;
}

// Fresh folders, one per case, inside one temporary folder that goes with the test.
class CarpetasDePrueba {
  public:
    QString nueva() {
        const QString c = dir_.filePath(QStringLiteral("c%1").arg(++n_));
        QDir().mkpath(c);
        return c;
    }
    QString filePath(const QString& nombre) const { return dir_.filePath(nombre); }
    QString path() const { return dir_.path(); }

  private:
    QTemporaryDir dir_;
    int n_ = 0;
};
