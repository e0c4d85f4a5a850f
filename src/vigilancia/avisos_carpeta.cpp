#include "vigilancia/avisos_carpeta.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

AvisosCarpeta::AvisosCarpeta(QObject* parent) : QObject(parent) {}

AvisosCarpeta::~AvisosCarpeta() {
    if (fd_ >= 0) ::close(fd_);
}

int AvisosCarpeta::vigila(int fd, const QByteArray& ruta) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return errno;
    // The folder held open, not whatever its path names by now.
    const QByteArray abierta = "/proc/self/fd/" + QByteArray::number(fd);
    carpeta_ = ::inotify_add_watch(fd_, abierta.constData(),
                                   IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_MODIFY |
                                       IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF |
                                       IN_ONLYDIR);
    if (carpeta_ < 0) return errno;
    const qsizetype barra = ruta.lastIndexOf('/');
    const QByteArray padre = barra < 0 ? "." : barra == 0 ? "/" : ruta.left(barra);
    padre_ = ::inotify_add_watch(fd_, padre.constData(), IN_DELETE | IN_MOVED_FROM | IN_ONLYDIR);
    aviso_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(aviso_, &QSocketNotifier::activated, this, &AvisosCarpeta::lee);
    return 0;
}

void AvisosCarpeta::lee() {
    alignas(inotify_event) char bloque[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd_, bloque, sizeof bloque);
        if (n <= 0) return; // EAGAIN: all read
        for (ssize_t i = 0; i < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(bloque + i);
            i += ssize_t(sizeof(inotify_event) + e->len);
            if (e->mask & IN_Q_OVERFLOW)
                emit desbordado();
            else if (e->wd == padre_ || (e->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)))
                emit carpetaMovida();
            else if (e->len > 0)
                emit cambio(QByteArray(e->name, qsizetype(::strnlen(e->name, e->len))));
        }
    }
}
