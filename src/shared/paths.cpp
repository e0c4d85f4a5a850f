#include "shared/paths.h"

#include "shared/error.h"
#include "shared/fichero_regular.h"
#include "shared/nombre_libre.h"
#include "shared/nombres_fichero.h"
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ExisteRuta(const QString& ruta, bool soloCarpeta) {
    const QByteArray bytes = BytesDeNombre(ruta);
    // The system reads a path up to its first NUL: "a\0b" would pass for "a".
    if (bytes.isEmpty() || bytes.contains('\0')) return false;
    struct stat datos {};
    if (::stat(bytes.constData(), &datos) != 0) return false;
    return !soloCarpeta || S_ISDIR(datos.st_mode);
}

bool CreaCarpetas(const QString& ruta) {
    const QByteArray bytes = BytesDeNombre(ruta);
    if (bytes.contains('\0')) return false;
    for (qsizetype barra = bytes.indexOf('/', 1); barra > 0; barra = bytes.indexOf('/', barra + 1))
        ::mkdir(bytes.left(barra).constData(), 0777);
    ::mkdir(bytes.constData(), 0777);
    return ExisteRuta(ruta, true);
}

namespace {
QString noSeBorra(const QString& ruta) {
    return QStringLiteral("No se puede borrar el fichero «") + NombreVisible(ruta) +
           QStringLiteral("»: ");
}

} // namespace

ErrorVelmor ErrorAlBorrar(const QString& ruta, int causa) {
    const QString fichero = noSeBorra(ruta);
    auto error = [&](int numero, const QString& motivo) {
        return ErrorVelmor::DeFichero(numero, fichero + motivo, ruta);
    };
    switch (causa) {
    case ENOENT:
    case ENOTDIR:
        return error(ErrorVelmor::FicheroNoEncontrado, QStringLiteral("ya no existe."));
    case EACCES:
    case EPERM:
        return error(ErrorVelmor::PermisoDenegado, QStringLiteral("no hay permiso para borrarlo."));
    case EROFS:
        return error(ErrorVelmor::PermisoDenegado, QStringLiteral("el disco es de solo lectura."));
    case EISDIR:
        return error(ErrorVelmor::ErrorAccesoRuta, QStringLiteral("es una carpeta."));
    case EBUSY:
        return error(ErrorVelmor::ErrorAccesoRuta, QStringLiteral("está en uso."));
    default:
        return error(ErrorVelmor::ErrorEntradaSalida,
                     QStringLiteral("error de entrada/salida %1.").arg(causa));
    }
}

namespace {
ErrorVelmor ErrorCambiado(const QString& ruta, const QString& desde) {
    return ErrorVelmor::DeFichero(ErrorVelmor::FicheroCambiado,
                                  noSeBorra(ruta) + QStringLiteral("ha cambiado ") + desde +
                                      QStringLiteral(" (otro programa lo ha sustituido o "
                                                     "modificado); se conserva."),
                                  ruta);
}

IdentidadFichero identidadDe(const QByteArray& ruta, const QString& mostrada) {
    struct stat datos {};
    if (::lstat(ruta.constData(), &datos) != 0) throw ErrorAlBorrar(mostrada, errno);
    if (S_ISDIR(datos.st_mode)) throw ErrorAlBorrar(mostrada, EISDIR);
    return IdentidadFichero::De(datos);
}

// A hidden name beside the file, free at the time it is made.
QByteArray nombreApartado(const QString& ruta) {
    return BytesDeNombre(CarpetaDe(ruta) + QStringLiteral("/.") + NombreDe(ruta) +
                         QStringLiteral(".borrando-")) +
           SufijoAlAzar();
}
} // namespace

void BorrarFichero(const QString& ruta, const IdentidadFichero& esperada, const QString& desde) {
    const QByteArray bytes = BytesDeNombre(ruta);
    if (bytes.isEmpty() || bytes.contains('\0')) throw ErrorAlBorrar(ruta, ENOENT);
    if (!(identidadDe(bytes, ruta) == esperada)) throw ErrorCambiado(ruta, desde);
    // The name is moved aside first, so that what is checked is what is deleted: another
    // program that writes a new file under the name in between keeps it.
    const QByteArray apartado = nombreApartado(ruta);
    if (::renameat2(AT_FDCWD, bytes.constData(), AT_FDCWD, apartado.constData(),
                    RENAME_NOREPLACE) != 0) {
        if (errno != EINVAL && errno != ENOSYS) throw ErrorAlBorrar(ruta, errno);
        // A file system without exclusive rename: the check above is the last word.
        if (::unlink(bytes.constData()) != 0) throw ErrorAlBorrar(ruta, errno);
        return;
    }
    struct stat datos {};
    // Moved aside, its change time is the rename's: the rest must still be what was checked.
    if (::lstat(apartado.constData(), &datos) == 0 &&
        IdentidadFichero::De(datos).igualSalvoCambio(esperada)) {
        if (::unlink(apartado.constData()) != 0) {
            const int causa = errno;
            ::renameat2(AT_FDCWD, apartado.constData(), AT_FDCWD, bytes.constData(),
                        RENAME_NOREPLACE);
            throw ErrorAlBorrar(ruta, causa);
        }
        return;
    }
    ::renameat2(AT_FDCWD, apartado.constData(), AT_FDCWD, bytes.constData(), RENAME_NOREPLACE);
    throw ErrorCambiado(ruta, desde);
}
