#include "mainwindow/entorno_velmor.h"

#include "mainwindow/ajustes_velmor.h"
#include "shared/nombres_fichero.h"
#include <QCoreApplication>
#include <QFontDatabase>
#include <climits>
#include <unistd.h>

namespace {
// The working folder by its bytes: its name need not be UTF-8.
QString CarpetaDeTrabajo() {
    char ruta[PATH_MAX];
    return ::getcwd(ruta, sizeof ruta) ? NombreDeBytes(ruta) : QString();
}
} // namespace

EntornoVelmor EntornoVelmor::DelSistema(const QStringList& argumentos) {
    EntornoVelmor e;
    e.carpetaPrograma = QCoreApplication::applicationDirPath();
    e.carpetaActual = CarpetaDeTrabajo();
    e.fuentes = QFontDatabase::families();
    e.argumentos = argumentos;
    e.ficheroAjustes = AjustesVelmor::FicheroDelUsuario();
    e.bus = QDBusConnection::sessionBus();
    return e;
}
