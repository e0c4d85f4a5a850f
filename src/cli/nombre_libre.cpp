#include "cli/nombre_libre.h"

#include <sys/stat.h>

namespace {
constexpr int kMaximo = 100000;
}

QByteArray ConSufijo(const QByteArray& base, int n, const QByteArray& extension) {
    return n <= 1 ? base + extension : base + '-' + QByteArray::number(n) + extension;
}

QByteArray PrimerLibre(const QByteArray& base, const QByteArray& extension,
                       const std::function<bool(const QByteArray& nombre, int n)>& libre) {
    for (int n = 1; n <= kMaximo; ++n) {
        const QByteArray nombre = ConSufijo(base, n, extension);
        if (libre(nombre, n)) return nombre;
    }
    return {};
}

QByteArray PdfLibre(const QByteArray& carpeta, const QByteArray& nombrePrt) {
    const qsizetype punto = nombrePrt.lastIndexOf('.');
    const QByteArray base = punto > 0 ? nombrePrt.left(punto) : nombrePrt;
    return PrimerLibre(base, ".pdf", [&](const QByteArray& nombre, int) {
        struct stat datos {};
        return ::lstat((carpeta + '/' + nombre).constData(), &datos) != 0 && errno == ENOENT;
    });
}
