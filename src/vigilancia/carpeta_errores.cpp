#include "vigilancia/carpeta_errores.h"

#include "shared/causa_sistema.h"
#include "shared/error.h"
#include "shared/escribe_todo.h"
#include "shared/fichero_regular.h"
#include "shared/nombre_libre.h"
#include "shared/nombres_fichero.h"
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <stdio.h> // renameat2
#include <sys/stat.h>
#include <unistd.h>

namespace {
// "No se puede mover «MALO.PRT» a «errores/»: <por qué>".
[[noreturn]] void falla(const QByteArray& nombre, const QString& porQue) {
    throw ErrorVelmor::DeFichero(ErrorVelmor::ErrorEntradaSalida,
                                 QStringLiteral("No se puede mover «%1» a «%2/»: %3")
                                     .arg(NombreVisible(NombreDeBytes(nombre)),
                                          QLatin1String(CarpetaErrores::kNombre), porQue),
                                 NombreDeBytes(nombre));
}

[[noreturn]] void falla(const QByteArray& nombre, const QString& que, int causa) {
    falla(nombre, que.isEmpty() ? CausaSistema(causa)
                                : QStringLiteral("%1 (%2)").arg(que, CausaSistema(causa)));
}

struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// The subfolder, made if missing; never a link to elsewhere.
int abreErrores(int carpeta, const QByteArray& nombre) {
    if (::mkdirat(carpeta, CarpetaErrores::kNombre, 0777) != 0 && errno != EEXIST)
        falla(nombre, QStringLiteral("no se puede crear la carpeta"), errno);
    const int fd =
        ::openat(carpeta, CarpetaErrores::kNombre, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // Say what is there instead: a link (never followed), a file, ...
        const int causa = errno;
        struct stat datos {};
        if (::fstatat(carpeta, CarpetaErrores::kNombre, &datos, AT_SYMLINK_NOFOLLOW) == 0 &&
            !S_ISDIR(datos.st_mode))
            falla(nombre, QStringLiteral("«%1» %2, no una carpeta")
                              .arg(QLatin1String(CarpetaErrores::kNombre),
                                   S_ISLNK(datos.st_mode) ? QStringLiteral("es un enlace simbólico")
                                   : S_ISREG(datos.st_mode) ? QStringLiteral("es un fichero")
                                                            : QueEs(datos.st_mode)));
        falla(nombre, QStringLiteral("no se puede abrir la carpeta"), causa);
    }
    return fd;
}

// Writes the reason under a name nobody has (O_EXCL); false when the name is taken.
bool escribeMotivo(int errores, const QByteArray& txt, const QByteArray& motivo,
                   const QByteArray& nombre) {
    const int fd =
        ::openat(errores, txt.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) return false;
        falla(nombre, QStringLiteral("no se puede escribir el motivo"), errno);
    }
    const bool escrito = EscribeTodo(fd, motivo);
    const int causa = errno;
    ::close(fd);
    if (!escrito) {
        ::unlinkat(errores, txt.constData(), 0);
        falla(nombre, QStringLiteral("no se puede escribir el motivo"), causa);
    }
    return true;
}
} // namespace

namespace CarpetaErrores {

QByteArray Aparta(int carpeta, const QByteArray& nombre, const QString& motivo) {
    const Descriptor errores{abreErrores(carpeta, nombre)};
    const qsizetype punto = nombre.lastIndexOf('.');
    const QByteArray base = punto > 0 ? nombre.left(punto) : nombre;
    const QByteArray extension = punto > 0 ? nombre.mid(punto) : QByteArray();
    const QByteArray texto = motivo.toUtf8() + '\n';
    std::optional<int> fallo;
    const QByteArray elegido = PrimerLibre(base, extension, [&](const QByteArray& destino, int n) {
        const QByteArray txt = ConSufijo(base, n, ".txt");
        if (!escribeMotivo(errores.fd, txt, texto, nombre)) return false;
        if (::renameat2(carpeta, nombre.constData(), errores.fd, destino.constData(),
                        RENAME_NOREPLACE) == 0)
            return true;
        const int causa = errno;
        ::unlinkat(errores.fd, txt.constData(), 0);
        if (causa != EEXIST) {
            fallo = causa;
            return true; // stop looking: the move itself fails
        }
        return false;
    });
    if (fallo) falla(nombre, QString(), *fallo);
    if (elegido.isEmpty()) falla(nombre, QStringLiteral("no queda ningún nombre libre"));
    return QByteArray(kNombre) + '/' + elegido;
}

} // namespace CarpetaErrores
