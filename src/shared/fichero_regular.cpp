#include "shared/fichero_regular.h"

#include "shared/error.h"
#include "shared/nombres_fichero.h"
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

IdentidadFichero IdentidadFichero::De(const struct stat& datos) {
    return {datos.st_dev, datos.st_ino, datos.st_size, datos.st_mtim, datos.st_ctim};
}

bool IdentidadFichero::operator==(const IdentidadFichero& otra) const {
    return igualSalvoCambio(otra) && cambiado.tv_sec == otra.cambiado.tv_sec &&
           cambiado.tv_nsec == otra.cambiado.tv_nsec;
}

bool IdentidadFichero::igualSalvoCambio(const IdentidadFichero& otra) const {
    return dispositivo == otra.dispositivo && nodo == otra.nodo && tamano == otra.tamano &&
           modificado.tv_sec == otra.modificado.tv_sec &&
           modificado.tv_nsec == otra.modificado.tv_nsec;
}

QString NombraFichero(const QString& ruta, FicheroRegular::Clase clase) {
    const QString nombre = QStringLiteral("«") + NombreVisible(ruta) + QStringLiteral("»");
    return (clase == FicheroRegular::Clase::Imagen ? QStringLiteral("la imagen ")
                                                   : QStringLiteral("el fichero ")) +
           nombre;
}

namespace {
QString mayuscula(QString texto) {
    if (!texto.isEmpty()) texto[0] = texto[0].toUpper();
    return texto;
}

} // namespace

namespace {
std::atomic<bool> sinEnlaces{false};
}

void FicheroRegular::NoSigasEnlaces() {
    sinEnlaces = true;
}

QString QueEs(mode_t modo) {
    if (S_ISDIR(modo)) return QStringLiteral("es una carpeta");
    if (S_ISFIFO(modo)) return QStringLiteral("es una tubería (FIFO)");
    if (S_ISSOCK(modo)) return QStringLiteral("es un socket");
    if (S_ISCHR(modo) || S_ISBLK(modo)) return QStringLiteral("es un dispositivo");
    return QStringLiteral("no es un fichero normal");
}

namespace {

ErrorVelmor errorApertura(const QString& ruta, FicheroRegular::Clase clase, int causa) {
    const QString quien = NombraFichero(ruta, clase);
    auto error = [&](int numero, const QString& texto) {
        return ErrorVelmor::DeFichero(numero, texto, ruta);
    };
    switch (causa) {
    case ENOENT:
        return error(ErrorVelmor::FicheroNoEncontrado, QStringLiteral("No se encuentra ") + quien);
    case EACCES:
    case EPERM:
        return error(ErrorVelmor::PermisoDenegado,
                     QStringLiteral("No hay permiso para leer ") + quien);
    case ELOOP:
        return error(ErrorVelmor::ErrorAccesoRuta,
                     mayuscula(quien) +
                         QStringLiteral(" es un enlace simbólico que no lleva a ningún fichero "
                                        "(los enlaces forman un bucle)"));
    case ENOTDIR:
        return error(ErrorVelmor::FicheroNoEncontrado,
                     QStringLiteral("No se encuentra ") + quien +
                         QStringLiteral(": una parte de la ruta no es una carpeta"));
    case ENAMETOOLONG:
        return error(ErrorVelmor::ErrorAccesoRuta,
                     QStringLiteral("La ruta de ") + quien + QStringLiteral(" es demasiado larga"));
    case EMFILE:
    case ENFILE:
        return error(ErrorVelmor::ErrorEntradaSalida,
                     QStringLiteral("No se puede abrir ") + quien +
                         QStringLiteral(": hay demasiados ficheros abiertos"));
    default:
        return error(ErrorVelmor::ErrorEntradaSalida,
                     QStringLiteral("No se puede abrir ") + quien +
                         QStringLiteral(": error del sistema %1").arg(causa));
    }
}
} // namespace

FicheroRegular::FicheroRegular(const QString& ruta, Clase clase) : ruta_(ruta), clase_(clase) {
    const QByteArray bytes = BytesDeNombre(ruta);
    if (bytes.isEmpty() || bytes.contains('\0')) throw errorApertura(ruta, clase, ENOENT);
    // Non-blocking, so that a FIFO without a writer cannot hang the open; the check below refuses
    // anything that is not a regular file before a byte is read.
    fd_ = ::open(bytes.constData(),
                 O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (sinEnlaces ? O_NOFOLLOW : 0));
    if (fd_ < 0 && errno == ELOOP && sinEnlaces)
        throw ErrorVelmor::DeFichero(ErrorVelmor::ErrorAccesoRuta,
                                     mayuscula(NombraFichero(ruta, clase)) +
                                         QStringLiteral(" es un enlace simbólico: no se sigue"),
                                     ruta);
    struct stat sinAbrir {};
    // A socket, or a device without its driver (a terminal not ours), cannot even be opened.
    if (fd_ < 0 && errno == ENXIO && ::stat(bytes.constData(), &sinAbrir) == 0 &&
        !S_ISREG(sinAbrir.st_mode))
        throw ErrorVelmor::DeFichero(ErrorVelmor::ErrorAccesoRuta,
                                     mayuscula(NombraFichero(ruta, clase)) + ' ' +
                                         QueEs(sinAbrir.st_mode) +
                                         QStringLiteral(", no un fichero que se pueda leer"),
                                     ruta);
    if (fd_ < 0) throw errorApertura(ruta, clase, errno);
    struct stat datos {};
    if (::fstat(fd_, &datos) != 0) {
        const int causa = errno;
        cierra();
        throw errorApertura(ruta, clase, causa);
    }
    if (!S_ISREG(datos.st_mode)) {
        cierra();
        throw ErrorVelmor::DeFichero(ErrorVelmor::ErrorAccesoRuta,
                                     mayuscula(NombraFichero(ruta, clase)) + ' ' +
                                         QueEs(datos.st_mode) +
                                         QStringLiteral(", no un fichero que se pueda leer"),
                                     ruta);
    }
    identidad_ = IdentidadFichero::De(datos);
}

FicheroRegular::~FicheroRegular() {
    cierra();
}

void FicheroRegular::cierra() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

qint64 FicheroRegular::lee(char* destino, qint64 maximo) {
    while (true) {
        const ssize_t n = ::read(fd_, destino, size_t(maximo));
        if (n >= 0) {
            leidos_ += n;
            return n;
        }
        if (errno == EINTR) continue;
        const int causa = errno;
        throw ErrorVelmor::DeFichero(
            ErrorVelmor::ErrorEntradaSalida,
            QStringLiteral("Error al leer ") + NombraFichero(ruta_, clase_) +
                (causa == EIO ? QStringLiteral(": error de entrada/salida del disco")
                              : QStringLiteral(": error del sistema %1").arg(causa)),
            ruta_);
    }
}

bool AbiertoParaEscribir(int fd) {
    // A writer that opens the file while the lease is held breaks it with a signal: SIGURG, whose
    // default action is to be ignored, rather than SIGIO, which would end the process.
    ::fcntl(fd, F_SETSIG, SIGURG);
    if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
        return false;
    }
    return errno == EAGAIN;
}

void FicheroRegular::compruebaIntacto() const {
    if (fd_ >= 0 && AbiertoParaEscribir(fd_))
        throw ErrorVelmor::DeFichero(ErrorVelmor::FicheroCambiado,
                                     mayuscula(NombraFichero(ruta_, clase_)) +
                                         QStringLiteral(" aún se está escribiendo (otro programa "
                                                        "lo tiene abierto para escribir)"),
                                     ruta_);
    struct stat ahora {
    }, enRuta{};
    const bool abierto = fd_ >= 0 && ::fstat(fd_, &ahora) == 0;
    const bool nombrado = ::stat(BytesDeNombre(ruta_).constData(), &enRuta) == 0;
    if (abierto && nombrado && IdentidadFichero::De(ahora) == identidad_ &&
        IdentidadFichero::De(enRuta) == identidad_ && leidos_ == identidad_.tamano)
        return;
    // What happened, as far as can be told.
    const QString que =
        !nombrado || enRuta.st_ino != identidad_.nodo || enRuta.st_dev != identidad_.dispositivo
            ? QStringLiteral("otro programa lo ha sustituido o quitado")
        : !abierto ? QStringLiteral("no se puede comprobar")
        : ahora.st_size < identidad_.tamano || leidos_ < identidad_.tamano
            ? QStringLiteral("se ha recortado: tenía %1 bytes y tiene %2")
                  .arg(identidad_.tamano)
                  .arg(ahora.st_size)
        : ahora.st_size > identidad_.tamano ? QStringLiteral("se ha ampliado")
                                            : QStringLiteral("otro programa ha reescrito parte");
    throw ErrorVelmor::DeFichero(ErrorVelmor::FicheroCambiado,
                                 mayuscula(NombraFichero(ruta_, clase_)) +
                                     QStringLiteral(" ha cambiado mientras se imprimía (") + que +
                                     ')',
                                 ruta_);
}
