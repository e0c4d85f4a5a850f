#include "printing/imagen_fondo.h"

#include "shared/error.h"
#include "shared/paths.h"
#include <QFileInfo>
#include <QImageReader>

namespace {
// Qt's own error strings are English; the user reads Spanish.
QString causa(QImageReader::ImageReaderError error) {
    switch (error) {
    case QImageReader::FileNotFoundError:
        return QStringLiteral("no se encuentra el fichero");
    case QImageReader::DeviceError:
        return QStringLiteral("no se puede leer el fichero");
    case QImageReader::UnsupportedFormatError:
        return QStringLiteral("no es una imagen de un formato conocido");
    case QImageReader::InvalidDataError:
        return QStringLiteral("los datos de la imagen están dañados o incompletos");
    default:
        return QStringLiteral("la imagen no se puede leer");
    }
}
} // namespace

void ImagenDeFondo(ImagenFondo& imagen, QString& linea, bool& laTengo) {
    static const QString marca = QStringLiteral("/IMAGEN/");
    const qsizetype p = linea.indexOf(marca); // case-sensitive, first occurrence
    if (p < 0) return;
    qsizetype n = 0;
    qsizetype finRuta = -1;
    for (qsizetype i = p + marca.size(); i < linea.size(); ++i) {
        const QChar c = linea.at(i);
        if (c == u' ') break;
        if (c == u',' && finRuta < 0) finRuta = n;
        ++n;
    }
    const QString ruta = linea.mid(p + marca.size(), finRuta < 0 ? n : finRuta);
    if (ruta.isEmpty() || !ExisteRuta(ruta, false)) return;
    linea.replace(p, marca.size() + n, QString(marca.size() + n, u' '));
    laTengo = true;

    QImageReader lector(ruta);
    lector.setAutoTransform(true);
    QImage cargada = lector.read();
    if (cargada.isNull())
        throw ErrorVelmor(ErrorVelmor::ImagenNoValida,
                          QStringLiteral("No se puede cargar la imagen de fondo «%1»: %2")
                              .arg(ruta, QFileInfo(ruta).isDir() ? QStringLiteral("es una carpeta")
                                                                 : causa(lector.error())));
    imagen.imagen = std::move(cargada);
    imagen.ancho = ImagenFondo::anchoTwips;
    imagen.alto = ImagenFondo::altoTwips;
}
