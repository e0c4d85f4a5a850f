#include "shared/nombre_libre.h"

#include <QRandomGenerator>
#include <sys/random.h>

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

QByteArray SufijoAlAzar() {
    quint64 n = 0;
    // The kernel's generator in one call: Qt's global one probes the processor first, a tenth of
    // a short job.
    if (::getrandom(&n, sizeof n, 0) != ssize_t(sizeof n))
        n = QRandomGenerator::global()->generate64();
    return QByteArray::number(n, 36);
}
