#include "shared/causa_sistema.h"

#include <cerrno>

QString CausaSistema(int numeroError) {
    switch (numeroError) {
    case ENOENT:
        return QStringLiteral("la carpeta no existe");
    case ENOTDIR:
        return QStringLiteral("una parte de la ruta no es una carpeta");
    case EACCES:
    case EPERM:
        return QStringLiteral("no hay permiso");
    case EROFS:
        return QStringLiteral("el disco es de solo lectura");
    case ENOSPC:
        return QStringLiteral("el disco está lleno");
    case EDQUOT:
        return QStringLiteral("se ha agotado la cuota de disco");
    case EFBIG:
        return QStringLiteral("el fichero supera el tamaño máximo permitido");
    case EISDIR:
        return QStringLiteral("es una carpeta");
    case EEXIST:
        return QStringLiteral("ese nombre es de algo que no es un fichero normal");
    case ENAMETOOLONG:
        return QStringLiteral("el nombre es demasiado largo");
    case EIO:
        return QStringLiteral("error de entrada/salida del disco");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("hay demasiados ficheros abiertos");
    case ENOMEM:
        return QStringLiteral("no queda memoria");
    default:
        return QStringLiteral("error del sistema %1").arg(numeroError);
    }
}
