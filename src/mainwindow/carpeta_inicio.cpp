#include "mainwindow/carpeta_inicio.h"

#include "mainwindow/interruptores.h"
#include "shared/causa_sistema.h"
#include "shared/nombres_fichero.h"
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <sys/stat.h>

namespace {

const char* const CarpetasDelSistema[] = {"/bin",       "/sbin",           "/usr/bin",
                                          "/usr/sbin",  "/usr/local/bin",  "/usr/local/sbin",
                                          "/usr/games", "/usr/local/games"};

QString Canonica(const QString& carpeta) {
    const QString canonica = QFileInfo(carpeta).canonicalFilePath();
    return canonica.isEmpty() ? QDir::cleanPath(carpeta) : canonica;
}

// The argument as an absolute, clean path (string work only: the name may hold any bytes).
QString Absoluta(const QString& argumento, const QString& actual) {
    return QDir::cleanPath(argumento.startsWith(u'/') ? argumento : actual + u'/' + argumento);
}

QString Por(const QString& ruta, int numeroError) {
    const QString causa =
        numeroError == ENOENT ? QStringLiteral("no existe") : CausaSistema(numeroError);
    return QStringLiteral("No se puede abrir «%1»: %2.").arg(NombreVisible(ruta), causa);
}

} // namespace

bool CarpetaInicio::EsCarpetaDelSistema(const QString& carpeta) {
    const QString buscada = Canonica(carpeta);
    for (const char* sistema : CarpetasDelSistema)
        if (Canonica(QString::fromLatin1(sistema)) == buscada) return true;
    return false;
}

CarpetaInicio CarpetaInicio::De(const QString& programa, const QString& actual,
                                const QStringList& argumentos) {
    CarpetaInicio inicio;
    inicio.carpeta = EsCarpetaDelSistema(programa) ? actual : programa;
    QString argumento;
    for (const QString& a : argumentos)
        if (!Interruptores::Es(a)) {
            argumento = a;
            break;
        }
    if (argumento.isEmpty()) return inicio;

    const QString ruta = Absoluta(argumento, actual);
    struct stat datos {};
    if (::stat(BytesDeNombre(ruta).constData(), &datos) != 0) {
        inicio.aviso = Por(ruta, errno);
        return inicio;
    }
    if (S_ISDIR(datos.st_mode)) {
        inicio.carpeta = ruta;
        return inicio;
    }
    inicio.carpeta = CarpetaDe(ruta);
    inicio.fichero = NombreDe(ruta);
    return inicio;
}
