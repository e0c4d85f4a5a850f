#include "printing/imagen_fondo.h"

#include "shared/error.h"
#include "shared/fichero_regular.h"
#include "shared/nombres_fichero.h"
#include "shared/paths.h"
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <cstdlib>

namespace {
// A 600 dpi scan of an A4 or Letter page (4960 x 7016 pixels) is the largest picture taken.
constexpr qint64 kMaxPixeles = 36'000'000;
// What Qt may allocate to decode it (4 bytes a pixel), in MB.
constexpr int kMaxMegasDecodificacion = 4 * kMaxPixeles / (1024 * 1024) + 1;
// The picture is printed stretched into its holder (1215 x 975 twips): more pixels than that at
// 1200 dpi add nothing to the page, only memory. A JPEG is decoded at that size directly.
constexpr int kMaxAncho = ImagenFondo::anchoTwips * 1200 / 1440;
constexpr int kMaxAlto = ImagenFondo::altoTwips * 1200 / 1440;

// Qt's own error strings are English; the user reads Spanish.
QString causa(QImageReader::ImageReaderError error) {
    switch (error) {
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

ErrorVelmor errorImagen(const QString& ruta, const QString& porque) {
    return ErrorVelmor(ErrorVelmor::ImagenNoValida,
                       QStringLiteral("No se puede cargar la imagen de fondo «%1»: %2")
                           .arg(NombreVisible(ruta), porque));
}

// The directive's path inside `carpeta`, resolved (no "..", no links); empty when it names nothing
// there, `fuera` set when it leads out of it: as written (never looked at) or through a link.
QString buscaEnCarpeta(const QString& escrita, const QString& carpeta, bool& fuera) {
    auto real = [](const QString& ruta) {
        char* r = ::realpath(BytesDeNombre(ruta).constData(), nullptr);
        const QString resuelta = r ? NombreDeBytes(r) : QString();
        std::free(r);
        return resuelta;
    };
    auto dentro = [](const QString& ruta, const QString& raiz) {
        return ruta.startsWith(raiz.endsWith(u'/') ? raiz : raiz + u'/');
    };
    const QString junta =
        QDir::cleanPath(escrita.startsWith(u'/') ? escrita : carpeta + u'/' + escrita);
    fuera = !dentro(junta, QDir::cleanPath(carpeta));
    const QString raiz = real(carpeta), ruta = fuera ? QString() : real(junta);
    if (raiz.isEmpty() || ruta.isEmpty()) return {};
    fuera = !dentro(ruta, raiz);
    return fuera ? QString() : ruta;
}

// Where the directive's path names a file: as given (from the current folder), or, for a path
// that is not found so, beside the PRT file. Empty when neither.
QString buscaImagen(const QString& ruta, const QString& carpetaPrt) {
    if (ExisteRuta(ruta, false)) return ruta;
    if (ruta.startsWith(u'/') || carpetaPrt.isEmpty()) return {};
    const QString junto = carpetaPrt + u'/' + ruta;
    return ExisteRuta(junto, false) ? junto : QString();
}

QImage carga(const QString& ruta) {
    QImage imagen;
    try {
        FicheroRegular fichero(ruta, FicheroRegular::Clase::Imagen); // never a FIFO or a device
        QFile dispositivo;
        if (!dispositivo.open(fichero.descriptor(), QIODevice::ReadOnly))
            throw errorImagen(ruta, QStringLiteral("no se puede leer el fichero"));
        QImageReader lector(&dispositivo);
        lector.setAutoTransform(true);
        lector.setAllocationLimit(kMaxMegasDecodificacion);
        const QSize tamano = lector.size();
        if (tamano.isValid() && qint64(tamano.width()) * tamano.height() > kMaxPixeles)
            throw errorImagen(ruta, QStringLiteral("la imagen es demasiado grande (%1 × %2 "
                                                   "píxeles; como mucho, %3 millones)")
                                        .arg(tamano.width())
                                        .arg(tamano.height())
                                        .arg(kMaxPixeles / 1'000'000));
        if (tamano.width() > kMaxAncho || tamano.height() > kMaxAlto)
            lector.setScaledSize(
                QSize(qMin(tamano.width(), kMaxAncho), qMin(tamano.height(), kMaxAlto)));
        imagen = lector.read();
        if (imagen.isNull()) throw errorImagen(ruta, causa(lector.error()));
    } catch (const ErrorVelmor& e) {
        // The picture's own trouble, told as a picture's: the PRT file's line is added by the
        // caller.
        if (e.numero() == ErrorVelmor::ImagenNoValida) throw;
        throw ErrorVelmor(ErrorVelmor::ImagenNoValida, e.descripcion());
    }
    return imagen;
}
} // namespace

void ImagenDeFondo(ImagenFondo& imagen, QString& linea, bool& laTengo, const QString& carpetaPrt) {
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
    const QString escrita = linea.mid(p + marca.size(), finRuta < 0 ? n : finRuta);
    bool fuera = false;
    const QString ruta = escrita.isEmpty() ? QString()
                         : imagen.carpetaImagenes.isEmpty()
                             ? buscaImagen(escrita, carpetaPrt)
                             : buscaEnCarpeta(escrita, imagen.carpetaImagenes, fuera);
    if (ruta.isEmpty()) {
        QStringList& lista = fuera ? imagen.fueraDeCarpeta : imagen.noEncontradas;
        if (!lista.contains(escrita)) lista << escrita;
        return;
    }
    linea.replace(p, marca.size() + n, QString(marca.size() + n, u' '));
    laTengo = true;
    imagen.imagen = carga(ruta);
    imagen.ancho = ImagenFondo::anchoTwips;
    imagen.alto = ImagenFondo::altoTwips;
}
