#include "shared/paths.h"

#include <QFile>
#include <sys/stat.h>

bool ExisteRuta(const QString& ruta, bool soloCarpeta) {
    if (ruta.isEmpty()) return false;
    struct stat datos {};
    if (::stat(QFile::encodeName(ruta).constData(), &datos) != 0) return false;
    return !soloCarpeta || S_ISDIR(datos.st_mode);
}
