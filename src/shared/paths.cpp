#include "shared/paths.h"

#include "shared/error.h"
#include <QFile>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

bool ExisteRuta(const QString& ruta, bool soloCarpeta) {
    // The system reads a path up to its first NUL: "a\0b" would pass for "a".
    if (ruta.isEmpty() || ruta.contains(QChar(0))) return false;
    struct stat datos {};
    if (::stat(QFile::encodeName(ruta).constData(), &datos) != 0) return false;
    return !soloCarpeta || S_ISDIR(datos.st_mode);
}

namespace {
ErrorVelmor ErrorBorrado(const QString& ruta, int causa) {
    const QString fichero = QStringLiteral("No se puede borrar el fichero «") + ruta + "»: ";
    switch (causa) {
    case ENOENT:
    case ENOTDIR:
        return {ErrorVelmor::FicheroNoEncontrado, fichero + "ya no existe."};
    case EACCES:
    case EPERM:
        return {ErrorVelmor::PermisoDenegado, fichero + "no hay permiso para borrarlo."};
    case EROFS:
        return {ErrorVelmor::PermisoDenegado, fichero + "el disco es de solo lectura."};
    case EISDIR:
        return {ErrorVelmor::ErrorAccesoRuta, fichero + "es una carpeta."};
    case EBUSY:
        return {ErrorVelmor::ErrorAccesoRuta, fichero + "está en uso."};
    default:
        return {ErrorVelmor::ErrorEntradaSalida,
                fichero + QStringLiteral("error de entrada/salida %1.").arg(causa)};
    }
}
} // namespace

void BorrarFichero(const QString& ruta) {
    if (::unlink(QFile::encodeName(ruta).constData()) != 0) throw ErrorBorrado(ruta, errno);
}
