#include "printing/imagen_fondo.h"

#include "printing/lector_imagen.h"
#include "shared/error.h"
#include "shared/fichero_regular.h"
#include "shared/nombres_fichero.h"
#include "shared/paths.h"
#include <QDir>
#include <cstdlib>
#include <new>

namespace {
// The picture is printed stretched into its holder (1215 x 975 twips): more pixels than that at
// 1200 dpi add nothing to the page, only memory.
constexpr int kMaxAncho = ImagenFondo::anchoTwips * 1200 / 1440;
constexpr int kMaxAlto = ImagenFondo::altoTwips * 1200 / 1440;
// The largest picture file read: the largest picture uncompressed, 4 bytes a pixel.
constexpr qint64 kMaxBytes = 4 * kMaxPixelesImagen + 1024 * 1024;

QString demasiadoGrande(int ancho, int alto) {
    if (ancho <= 0) return QStringLiteral("la imagen es demasiado grande para la memoria libre");
    return QStringLiteral("la imagen es demasiado grande (%1 × %2 píxeles; como mucho, %3 "
                          "millones)")
        .arg(ancho)
        .arg(alto)
        .arg(kMaxPixelesImagen / 1'000'000);
}

QString causa(const ImagenIlegible& i) {
    switch (i.causa) {
    case ImagenIlegible::FormatoDesconocido:
        return QStringLiteral("no es una imagen de un formato conocido");
    case ImagenIlegible::DemasiadoGrande:
        return demasiadoGrande(i.ancho, i.alto);
    default:
        return QStringLiteral("los datos de la imagen están dañados o incompletos");
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

Imagen carga(const QString& ruta) {
    try {
        FicheroRegular fichero(ruta, FicheroRegular::Clase::Imagen); // never a FIFO or a device
        QByteArray bytes;
        char bloque[64 * 1024];
        while (const qint64 n = fichero.lee(bloque, sizeof bloque)) {
            if (bytes.size() + n > kMaxBytes) throw errorImagen(ruta, demasiadoGrande(0, 0));
            bytes.append(bloque, n);
        }
        return ReduceImagen(LeeImagen(bytes), kMaxAncho, kMaxAlto);
    } catch (const ImagenIlegible& i) {
        throw errorImagen(ruta, causa(i));
    } catch (const std::bad_alloc&) {
        throw errorImagen(ruta, demasiadoGrande(0, 0));
    } catch (const ErrorVelmor& e) {
        // The picture's own trouble, told as a picture's: the PRT file's line is added by the
        // caller.
        if (e.numero() == ErrorVelmor::ImagenNoValida) throw;
        throw ErrorVelmor(ErrorVelmor::ImagenNoValida, e.descripcion());
    }
}
} // namespace

void ImagenDeFondo(ImagenFondo& imagen, QString& linea, bool& laTengo, const QString& carpetaPrt) {
    static const QString marca = QStringLiteral("/IMAGEN/");
    if (!linea.contains(u'/')) return;        // most lines: a quick look before the search
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
