#include "shared/entrada_copiada.h"

#include "shared/causa_sistema.h"
#include "shared/error.h"
#include "shared/escribe_todo.h"
#include "shared/nombres_fichero.h"
#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
QByteArray procFd(int fd) {
    return "/proc/self/fd/" + QByteArray::number(fd);
}

// A nameless file in the temporary folder (TMPDIR; CUPS gives its backends their own); where the
// file system cannot make one, a named one unlinked at once.
int abreTemporal() {
    const QByteArray carpeta = QFile::encodeName(QDir::tempPath());
    int fd = ::open(carpeta.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
    QByteArray plantilla = carpeta + "/.velmor-entrada.XXXXXX";
    fd = ::mkostemp(plantilla.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(plantilla.constData());
    return fd;
}
} // namespace

EntradaCopiada::EntradaCopiada(int descriptor, QString nombre, qint64 maximo)
    : nombre_(std::move(nombre)) {
    try {
        copia(descriptor, maximo);
    } catch (...) {
        if (fd_ >= 0) ::close(fd_);
        throw;
    }
}

EntradaCopiada::~EntradaCopiada() {
    if (fd_ >= 0) ::close(fd_);
}

void EntradaCopiada::copia(int descriptor, qint64 maximo) {
    const QString quien = QStringLiteral("«") + nombre_ + QStringLiteral("»");
    auto falla = [&](const QString& que, int causa) {
        return ErrorVelmor(
            causa == ENOSPC || causa == EDQUOT ? ErrorVelmor::DiscoLleno
                                               : ErrorVelmor::ErrorEntradaSalida,
            QStringLiteral("No se puede %1 %2: %3").arg(que, quien, CausaSistema(causa)));
    };
    const int escritura = abreTemporal();
    if (escritura < 0) throw falla(QStringLiteral("guardar una copia de"), errno);
    fd_ = escritura;
    char bloque[64 * 1024];
    qint64 total = 0;
    while (true) {
        const ssize_t n = ::read(descriptor, bloque, sizeof bloque);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw falla(QStringLiteral("leer"), errno);
        if (n == 0) break;
        total += n;
        if (total > maximo)
            throw ErrorVelmor(ErrorVelmor::ArgumentoNoValido,
                              QStringLiteral("%1 es demasiado largo para imprimirse (más de %2 MB)")
                                  .arg(quien)
                                  .arg(maximo / (1024 * 1024)));
        if (!EscribeTodo(escritura, QByteArrayView(bloque, n)))
            throw falla(QStringLiteral("guardar una copia de"), errno);
    }
    // Read back through a read-only descriptor alone: a file open for writing would be taken for
    // one another program is still writing.
    fd_ = ::open(procFd(escritura).constData(), O_RDONLY | O_CLOEXEC);
    const int causa = errno;
    ::close(escritura);
    if (fd_ < 0) throw falla(QStringLiteral("releer la copia de"), causa);
}

QString EntradaCopiada::ruta() const {
    return NombreDeBytes(procFd(fd_));
}

QString EntradaCopiada::nombra(QString mensaje) const {
    return mensaje.replace(NombreVisible(ruta()), nombre_);
}
