#include "markup/line_reader.h"
#include "shared/error.h"

#include <QFileInfo>

namespace {
constexpr qsizetype kBloque = 64 * 1024;

ErrorVelmor errorApertura(const QString& ruta, const QFile& fichero) {
    const QFileInfo info(ruta);
    if (!info.exists())
        return {ErrorVelmor::FicheroNoEncontrado,
                QString("No se encuentra el fichero «%1»").arg(ruta)};
    if (info.isDir())
        return {ErrorVelmor::ErrorAccesoRuta,
                QString("«%1» es una carpeta, no un fichero que se pueda leer").arg(ruta)};
    if (fichero.error() == QFileDevice::PermissionsError)
        return {ErrorVelmor::PermisoDenegado,
                QString("Sin permiso para leer el fichero «%1»").arg(ruta)};
    return {ErrorVelmor::ErrorAccesoRuta,
            QString("No se puede abrir el fichero «%1»: %2").arg(ruta, fichero.errorString())};
}
} // namespace

LectorPrt::LectorPrt(const QString& ruta, const PaginasCodigo& paginas)
    : ruta_(ruta), paginas_(paginas), fichero_(ruta) {
    if (QFileInfo(ruta).isDir() || !fichero_.open(QIODevice::ReadOnly))
        throw errorApertura(ruta, fichero_);
}

// Loads the next block; false when the file has no more bytes.
bool LectorPrt::rellena() {
    if (finFichero_) return false;
    bufer_.remove(0, pos_);
    pos_ = 0;
    const qsizetype antes = bufer_.size();
    bufer_.resize(antes + kBloque);
    const qint64 leidos = fichero_.read(bufer_.data() + antes, kBloque);
    if (leidos < 0)
        throw ErrorVelmor(ErrorVelmor::ErrorEntradaSalida,
                          QString("Error al leer el fichero «%1» después de la línea %2: %3")
                              .arg(ruta_)
                              .arg(numeroLinea_)
                              .arg(fichero_.errorString()));
    bufer_.resize(antes + leidos);
    if (leidos == 0) finFichero_ = true;
    return leidos > 0;
}

bool LectorPrt::alFinal() {
    while (true) {
        if (saltarLf_ && pos_ < bufer_.size()) {
            if (bufer_[pos_] == '\n') ++pos_;
            saltarLf_ = false;
        }
        if (pos_ < bufer_.size()) return false;
        if (!rellena()) return true;
    }
}

bool LectorPrt::siguiente(QString& linea) {
    if (alFinal()) return false;
    linea_.clear();
    while (true) {
        const char* inicio = bufer_.constData() + pos_;
        const char* fin = bufer_.constData() + bufer_.size();
        const char* p = inicio;
        while (p != fin && *p != '\r' && *p != '\n')
            ++p;
        linea_.append(inicio, p - inicio);
        pos_ += p - inicio;
        if (p != fin) {
            saltarLf_ = (*p == '\r');
            ++pos_;
            break;
        }
        if (!rellena()) break; // the last line needs no end
    }
    ++numeroLinea_;
    linea = paginas_.decodifica(linea_);
    return true;
}
