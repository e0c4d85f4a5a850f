#include "cli/registro_impresos.h"

#include "printing/salida_fichero.h"
#include "shared/error.h"
#include "shared/nombres_fichero.h"
#include <QList>
#include <cerrno>
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

} // namespace

QByteArray TextoIdentidad(const IdentidadFichero& identidad) {
    return QByteArray::number(quint64(identidad.dispositivo)) + ':' +
           QByteArray::number(quint64(identidad.nodo)) + ':' +
           QByteArray::number(qint64(identidad.tamano)) + ':' +
           QByteArray::number(qint64(identidad.modificado.tv_sec)) + ':' +
           QByteArray::number(qint64(identidad.modificado.tv_nsec));
}

std::optional<IdentidadFichero> IdentidadDeTexto(const QByteArray& texto) {
    const QList<QByteArray> partes = texto.split(':');
    if (partes.size() != 5) return std::nullopt;
    qint64 numeros[5];
    for (int i = 0; i < 5; ++i) {
        bool ok = false;
        numeros[i] = partes[i].toLongLong(&ok);
        if (!ok || numeros[i] < 0) return std::nullopt;
    }
    IdentidadFichero identidad;
    identidad.dispositivo = dev_t(numeros[0]);
    identidad.nodo = ino_t(numeros[1]);
    identidad.tamano = off_t(numeros[2]);
    identidad.modificado = {time_t(numeros[3]), long(numeros[4])};
    return identidad;
}

size_t qHash(const IdentidadFichero& identidad, size_t semilla) noexcept {
    return qHashMulti(semilla, quint64(identidad.dispositivo), quint64(identidad.nodo),
                      qint64(identidad.tamano), qint64(identidad.modificado.tv_sec),
                      qint64(identidad.modificado.tv_nsec));
}

RegistroImpresos::RegistroImpresos(QByteArray carpeta) : carpeta_(std::move(carpeta)) {}

void RegistroImpresos::carga() {
    impresos_.clear();
    for (const QByteArray& linea : leeTodo(carpeta_ + '/' + kNombre).split('\n')) {
        const qsizetype espacio = linea.indexOf(' ');
        const auto identidad = IdentidadDeTexto(linea.left(espacio));
        if (!identidad) continue; // a comment, or what does not parse
        anota(*identidad,
              espacio < 0 ? QByteArray() : QByteArray::fromPercentEncoding(linea.mid(espacio + 1)));
    }
}

bool RegistroImpresos::contiene(const IdentidadFichero& identidad) const {
    return impresos_.contains(identidad);
}

void RegistroImpresos::anota(const IdentidadFichero& identidad, const QByteArray& nombre) {
    impresos_.insert(identidad,
                     TextoIdentidad(identidad) + ' ' + nombre.toPercentEncoding() + '\n');
}

void RegistroImpresos::olvida(const IdentidadFichero& identidad) {
    impresos_.remove(identidad);
}

bool RegistroImpresos::olvidaAusentes(const QSet<IdentidadFichero>& presentes) {
    return impresos_.removeIf([&](const auto& e) { return !presentes.contains(e.key()); }) > 0;
}

void RegistroImpresos::guarda() const {
    QByteArray datos = kCabecera;
    datos.reserve(datos.size() + impresos_.size() * 64);
    for (const QByteArray& linea : impresos_)
        datos += linea;

    // Written whole or not at all, as every file the program writes.
    SalidaFichero salida(NombreDeBytes(carpeta_ + '/' + kNombre),
                         QStringLiteral("la lista de ficheros impresos"));
    salida.abre();
    salida.escribe(datos.constData(), size_t(datos.size()));
    salida.termina();
}
