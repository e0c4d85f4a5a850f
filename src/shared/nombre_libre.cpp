#include "shared/nombre_libre.h"

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
