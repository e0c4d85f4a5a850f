#include "printing/salida_fichero.h"

#include "printing/limpieza_senales.h"
#include "shared/causa_sistema.h"
#include "shared/error.h"
#include "shared/escribe_todo.h"
#include "shared/nombre_libre.h"
#include "shared/nombres_fichero.h"
#include <QDir>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray procFd(int fd) {
    return "/proc/self/fd/" + QByteArray::number(fd);
}

mode_t mascara() {
    static const mode_t m = [] {
        const mode_t actual = ::umask(0);
        ::umask(actual);
        return actual;
    }();
    return m;
}

bool sinNombreNoAdmitido(int causa) {
    return causa == EOPNOTSUPP || causa == EISDIR || causa == EINVAL || causa == ENOSYS;
}
} // namespace

SalidaFichero::SalidaFichero(QString destino, QString que)
    : destino_(std::move(destino)), que_(std::move(que)) {}

SalidaFichero::~SalidaFichero() {
    descarta();
}

void SalidaFichero::falla(const QString& que, int causa) {
    descarta();
    const QString sobre = destino_.isEmpty() ? QStringLiteral("el documento temporal de impresión")
                                             : que_ + QStringLiteral(" «") +
                                                   NombreVisible(destino_) + QStringLiteral("»");
    throw ErrorVelmor::DeFichero(
        causa == ENOSPC || causa == EDQUOT ? ErrorVelmor::DiscoLleno
                                           : ErrorVelmor::ErrorEntradaSalida,
        QStringLiteral("No se puede %1 %2: %3").arg(que, sobre, CausaSistema(causa)), destino_);
}

void SalidaFichero::abre() {
    descarta();
    terminada_ = false;
    LimpiezaSenales::Instala();
    mascara();
    if (sinNombre()) {
        abreSinNombre(QFile::encodeName(QDir::tempPath()));
        return;
    }
    const QByteArray destino = BytesDeNombre(destino_);
    struct stat datos {};
    // The PDF replaces a file of that name, never a folder, a device or a FIFO; one that never
    // replaces takes the next free name instead.
    if (!numerada_ && ::stat(destino.constData(), &datos) == 0 && !S_ISREG(datos.st_mode))
        falla(QStringLiteral("escribir"), S_ISDIR(datos.st_mode) ? EISDIR : EEXIST);
    abreSinNombre(BytesDeNombre(CarpetaDe(destino_)));
}

void SalidaFichero::abreSinNombre(const QByteArray& carpeta) {
    fd_ = ::open(carpeta.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd_ >= 0) return;
    if (!sinNombreNoAdmitido(errno)) falla(QStringLiteral("crear"), errno);
    abreOculto(carpeta);
}

void SalidaFichero::abreOculto(const QByteArray& carpeta) {
    const QByteArray base = sinNombre() ? QByteArray("velmor") : BytesDeNombre(NombreDe(destino_));
    QByteArray plantilla = carpeta + "/." + base + ".XXXXXX";
    fd_ = ::mkostemp(plantilla.data(), O_CLOEXEC);
    if (fd_ < 0) falla(QStringLiteral("crear"), errno);
    if (sinNombre()) {
        ::unlink(plantilla.constData()); // reachable through the descriptor alone
        return;
    }
    ::fchmod(fd_, 0666 & ~mascara());
    oculto_ = plantilla;
    hueco_ = LimpiezaSenales::Registra(oculto_);
}

void SalidaFichero::escribe(const char* datos, std::size_t cuantos) {
    if (!EscribeTodo(fd_, QByteArrayView(datos, qsizetype(cuantos))))
        falla(QStringLiteral("escribir"), errno);
}

void SalidaFichero::termina() {
    if (fd_ < 0) falla(QStringLiteral("escribir"), EBADF);
    if (destino_ == QLatin1String("-")) {
        copiaASalidaEstandar();
        terminada_ = true;
        return;
    }
    if (::fsync(fd_) != 0) falla(QStringLiteral("guardar en el disco"), errno);
    if (!destino_.isEmpty()) daNombre();
    terminada_ = true;
}

void SalidaFichero::copiaASalidaEstandar() {
    if (::lseek(fd_, 0, SEEK_SET) < 0) falla(QStringLiteral("escribir"), errno);
    char bloque[64 * 1024];
    while (true) {
        const ssize_t n = ::read(fd_, bloque, sizeof bloque);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) falla(QStringLiteral("escribir"), errno);
        if (n == 0) return;
        if (!EscribeTodo(STDOUT_FILENO, QByteArrayView(bloque, n)))
            falla(QStringLiteral("escribir"), errno);
    }
}

// The file, whole on disk, takes the destination's name in one step.
void SalidaFichero::daNombre() {
    const QByteArray destino = BytesDeNombre(destino_);
    // A link never replaces: a nameless file that must not replace one takes its name directly.
    const bool directo = numerada_ && oculto_.isEmpty();
    if (oculto_.isEmpty() && !directo) {
        // A nameless file gets a hidden name first (link cannot replace), then the real one.
        oculto_ =
            BytesDeNombre(CarpetaDe(destino_) + QStringLiteral("/.") + NombreDe(destino_) + u'.') +
            SufijoAlAzar();
        hueco_ = LimpiezaSenales::Registra(oculto_);
        if (::linkat(AT_FDCWD, procFd(fd_).constData(), AT_FDCWD, oculto_.constData(),
                     AT_SYMLINK_FOLLOW) != 0) {
            const int causa = errno;
            LimpiezaSenales::Olvida(hueco_);
            oculto_.clear();
            falla(QStringLiteral("guardar"), causa);
        }
    }
    if (antesDeNombrar_) {
        struct stat datos {};
        if (::fstat(fd_, &datos) != 0) falla(QStringLiteral("guardar"), errno);
        antesDeNombrar_(datos);
    }
    if (numerada_) {
        const qsizetype punto = destino.lastIndexOf('.'), barra = destino.lastIndexOf('/');
        const QByteArray base = punto > barra + 1 ? destino.left(punto) : destino;
        const QByteArray elegido =
            PrimerLibre(base, destino.mid(base.size()),
                        [&](const QByteArray& n, int) { return tomaNombre(n); });
        if (elegido.isEmpty()) falla(QStringLiteral("guardar"), EEXIST);
        destino_ = NombreDeBytes(elegido);
    } else if (::rename(oculto_.constData(), destino.constData()) != 0)
        falla(QStringLiteral("guardar"), errno);
    LimpiezaSenales::Olvida(hueco_);
    hueco_ = -1;
    oculto_.clear();
    // The new name itself must survive a power cut.
    const int carpeta =
        ::open(BytesDeNombre(CarpetaDe(destino_)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (carpeta >= 0) {
        ::fsync(carpeta);
        ::close(carpeta);
    }
}

// The hidden name becomes `nombre` unless something has that name; false then. Throws on any other
// failure.
bool SalidaFichero::tomaNombre(const QByteArray& nombre) {
    if (oculto_.isEmpty()) {
        if (::linkat(AT_FDCWD, procFd(fd_).constData(), AT_FDCWD, nombre.constData(),
                     AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST) falla(QStringLiteral("guardar"), errno);
        return false;
    }
    if (::renameat2(AT_FDCWD, oculto_.constData(), AT_FDCWD, nombre.constData(),
                    RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EINVAL || errno == ENOSYS) { // no exclusive rename here: a link never replaces
        if (::link(oculto_.constData(), nombre.constData()) == 0) {
            ::unlink(oculto_.constData());
            return true;
        }
    }
    if (errno != EEXIST) falla(QStringLiteral("guardar"), errno);
    return false;
}

void SalidaFichero::descarta() noexcept {
    if (!oculto_.isEmpty()) ::unlink(oculto_.constData());
    LimpiezaSenales::Olvida(hueco_);
    hueco_ = -1;
    oculto_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}
