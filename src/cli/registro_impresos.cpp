#include "cli/registro_impresos.h"

#include "cli/escribe_todo.h"
#include "printing/limpieza_senales.h"
#include "shared/causa_sistema.h"
#include "shared/error.h"
#include "shared/nombres_fichero.h"
#include <QList>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr char kCabecera[] =
    "# velmor-imprimir --vigilar: ficheros de esta carpeta ya impresos, que no se vuelven a\n"
    "# imprimir mientras no cambien (dispositivo:nodo:tamaño:segundos:nanosegundos nombre)\n";

// Reads a whole small file; empty when it cannot be read.
QByteArray leeTodo(const QByteArray& ruta) {
    QByteArray datos;
    const int fd = ::open(ruta.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return datos;
    char bloque[65536];
    for (ssize_t n; (n = ::read(fd, bloque, sizeof bloque)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        datos.append(bloque, n);
    }
    ::close(fd);
    return datos;
}

// Whether a key has the five numbers of an identity.
bool claveValida(const QByteArray& clave) {
    const QList<QByteArray> partes = clave.split(':');
    if (partes.size() != 5) return false;
    for (const QByteArray& p : partes) {
        bool ok = false;
        p.toULongLong(&ok);
        if (!ok) return false;
    }
    return true;
}

} // namespace

QByteArray ClaveIdentidad(const IdentidadFichero& identidad) {
    return QByteArray::number(quint64(identidad.dispositivo)) + ':' +
           QByteArray::number(quint64(identidad.nodo)) + ':' +
           QByteArray::number(qint64(identidad.tamano)) + ':' +
           QByteArray::number(qint64(identidad.modificado.tv_sec)) + ':' +
           QByteArray::number(qint64(identidad.modificado.tv_nsec));
}

RegistroImpresos::RegistroImpresos(QByteArray carpeta) : carpeta_(std::move(carpeta)) {}

void RegistroImpresos::carga() {
    impresos_.clear();
    for (const QByteArray& linea : leeTodo(carpeta_ + '/' + kNombre).split('\n')) {
        if (linea.startsWith('#')) continue;
        const qsizetype espacio = linea.indexOf(' ');
        const QByteArray clave = linea.left(espacio);
        if (!claveValida(clave)) continue;
        impresos_.insert(clave, espacio < 0
                                    ? QByteArray()
                                    : QByteArray::fromPercentEncoding(linea.mid(espacio + 1)));
    }
}

bool RegistroImpresos::contiene(const IdentidadFichero& identidad) const {
    return impresos_.contains(ClaveIdentidad(identidad));
}

void RegistroImpresos::anota(const IdentidadFichero& identidad, const QByteArray& nombre) {
    impresos_.insert(ClaveIdentidad(identidad), nombre);
}

void RegistroImpresos::olvida(const IdentidadFichero& identidad) {
    impresos_.remove(ClaveIdentidad(identidad));
}

bool RegistroImpresos::olvidaAusentes(const QSet<QByteArray>& presentes) {
    return impresos_.removeIf([&](const auto& e) { return !presentes.contains(e.key()); }) > 0;
}

void RegistroImpresos::guarda() const {
    QByteArray datos = kCabecera;
    for (auto it = impresos_.cbegin(); it != impresos_.cend(); ++it)
        datos += it.key() + ' ' + it.value().toPercentEncoding() + '\n';

    const QByteArray destino = carpeta_ + '/' + kNombre;
    QByteArray temporal = destino + ".XXXXXX";
    auto falla = [&](int causa) {
        throw ErrorVelmor::DeFichero(
            causa == ENOSPC || causa == EDQUOT ? ErrorVelmor::DiscoLleno
                                               : ErrorVelmor::ErrorEntradaSalida,
            QStringLiteral("No se puede guardar la lista de ficheros impresos «%1»: %2")
                .arg(NombreVisible(NombreDeBytes(destino)), CausaSistema(causa)),
            NombreDeBytes(destino));
    };
    const int fd = ::mkostemp(temporal.data(), O_CLOEXEC);
    if (fd < 0) falla(errno);
    const int hueco = LimpiezaSenales::Registra(temporal);
    const bool escrito = EscribeTodo(fd, datos) && ::fsync(fd) == 0;
    const int causa = errno;
    ::close(fd);
    if (!escrito || ::rename(temporal.constData(), destino.constData()) != 0) {
        const int motivo = escrito ? errno : causa;
        ::unlink(temporal.constData());
        LimpiezaSenales::Olvida(hueco);
        falla(motivo);
    }
    LimpiezaSenales::Olvida(hueco);
    // The new name itself must survive a power cut.
    const int carpeta = ::open(carpeta_.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (carpeta >= 0) {
        ::fsync(carpeta);
        ::close(carpeta);
    }
}
