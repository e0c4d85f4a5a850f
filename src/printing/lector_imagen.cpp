#include "printing/lector_imagen.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <gif_lib.h>
#include <new>
#include <png.h>
#include <vector>

namespace {
using Byte = unsigned char;

ImagenIlegible danada() {
    return {ImagenIlegible::Danada};
}

void compruebaTamano(int64_t ancho, int64_t alto) {
    if (ancho <= 0 || alto <= 0) throw danada();
    if (ancho > kMaxPixelesImagen / alto)
        throw ImagenIlegible{ImagenIlegible::DemasiadoGrande, int(qMin<int64_t>(ancho, INT_MAX)),
                             int(qMin<int64_t>(alto, INT_MAX))};
}

// Samples with an alpha byte after each pixel, split into samples and a mask; the mask is
// dropped when every pixel is opaque.
Imagen separaAlfa(Imagen img, const QByteArray& conAlfa) {
    const int canales = img.formato == Imagen::Formato::Rgb8 ? 3 : 1;
    const qsizetype pixeles = qsizetype(img.ancho) * img.alto;
    img.datos.resize(pixeles * canales);
    img.alfa.resize(pixeles);
    bool opaca = true;
    const Byte* o = reinterpret_cast<const Byte*>(conAlfa.constData());
    Byte* d = reinterpret_cast<Byte*>(img.datos.data());
    Byte* a = reinterpret_cast<Byte*>(img.alfa.data());
    for (qsizetype i = 0; i < pixeles; ++i, o += canales + 1) {
        for (int c = 0; c < canales; ++c)
            *d++ = o[c];
        a[i] = o[canales];
        opaca = opaca && o[canales] == 255;
    }
    if (opaca) img.alfa.clear();
    return img;
}

// Exif's orientation tag (0x0112) in IFD0 of an APP1 segment's TIFF data; 1 when absent.
int orientacionExif(QByteArrayView t) {
    if (!t.startsWith(QByteArrayView("Exif\0\0", 6))) return 1;
    t = t.sliced(6);
    const bool intel = t.startsWith("II");
    const auto u16 = [&](qsizetype i) -> uint32_t {
        if (i < 0 || i + 2 > t.size()) return 0;
        const uint32_t a = Byte(t[i]), b = Byte(t[i + 1]);
        return intel ? a | b << 8 : a << 8 | b;
    };
    const auto u32 = [&](qsizetype i) {
        return intel ? u16(i) | u16(i + 2) << 16 : u16(i) << 16 | u16(i + 2);
    };
    const qsizetype ifd = qsizetype(u32(4));
    const uint32_t entradas = u16(ifd);
    for (uint32_t e = 0; e < entradas && ifd + 2 + qsizetype(e) * 12 + 12 <= t.size(); ++e) {
        const qsizetype p = ifd + 2 + qsizetype(e) * 12;
        if (u16(p) == 0x0112) return u16(p + 8) >= 1 && u16(p + 8) <= 8 ? int(u16(p + 8)) : 1;
    }
    return 1;
}

// JPEG: only the header, for the size, the number of components, Adobe's inverted CMYK and
// Exif's orientation.
Imagen jpeg(QByteArrayView b) {
    Imagen img;
    img.formato = Imagen::Formato::Jpeg;
    const auto u8 = [&](qsizetype i) { return i < b.size() ? Byte(b[i]) : 0; };
    const auto u16 = [&](qsizetype i) { return u8(i) << 8 | u8(i + 1); };
    qsizetype i = 2;
    while (i + 4 <= b.size()) {
        if (u8(i) != 0xFF) throw danada();
        const int marca = u8(i + 1);
        if (marca == 0xFF) { // fill byte
            ++i;
            continue;
        }
        if (marca == 0x01 || (marca >= 0xD0 && marca <= 0xD7)) {
            i += 2;
            continue;
        }
        if (marca == 0xD9 || marca == 0xDA) break; // end, or the scan before any frame header
        const int largo = u16(i + 2);
        if (largo < 2) throw danada();
        const qsizetype datos = i + 4;
        const QByteArrayView segmento =
            b.sliced(qMin(datos, b.size()))
                .first(qMin<qsizetype>(largo - 2, b.size() - qMin(datos, b.size())));
        if (marca == 0xE1 && img.orientacion == 1) img.orientacion = orientacionExif(segmento);
        if (marca == 0xEE && segmento.startsWith("Adobe")) img.cmykInvertido = true;
        const bool cuadro =
            marca >= 0xC0 && marca <= 0xCF && marca != 0xC4 && marca != 0xC8 && marca != 0xCC;
        if (cuadro) {
            if (datos + 6 > b.size()) throw danada();
            img.alto = u16(datos + 1);
            img.ancho = u16(datos + 3);
            img.componentes = u8(datos + 5);
            if (u8(datos) != 8 ||
                (img.componentes != 1 && img.componentes != 3 && img.componentes != 4))
                throw danada(); // 12-bit samples and odd component counts: PDF takes neither
            compruebaTamano(img.ancho, img.alto);
            img.datos = b.toByteArray();
            img.cmykInvertido = img.cmykInvertido && img.componentes == 4;
            return img;
        }
        i += 2 + largo;
    }
    throw danada();
}

Imagen png(QByteArrayView b) {
    png_image p{};
    p.version = PNG_IMAGE_VERSION;
    // The simplified interface keeps libpng's complaints in p.message, never on stderr.
    if (!png_image_begin_read_from_memory(&p, b.data(), size_t(b.size()))) throw danada();
    struct Libera {
        png_image* p;
        ~Libera() { png_image_free(p); }
    } libera{&p};
    compruebaTamano(p.width, p.height);
    Imagen img;
    img.ancho = int(p.width);
    img.alto = int(p.height);
    const bool color = p.format & PNG_FORMAT_FLAG_COLOR, alfa = p.format & PNG_FORMAT_FLAG_ALPHA;
    img.formato = color ? Imagen::Formato::Rgb8 : Imagen::Formato::Gris8;
    p.format = color ? (alfa ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB)
                     : (alfa ? PNG_FORMAT_GA : PNG_FORMAT_GRAY);
    QByteArray muestras(qsizetype(PNG_IMAGE_SIZE(p)), Qt::Uninitialized);
    if (!png_image_finish_read(&p, nullptr, muestras.data(), 0, nullptr)) throw danada();
    if (alfa) return separaAlfa(img, muestras);
    img.datos = muestras;
    return img;
}

// GIF: the first frame, its transparent colour (if any) as a mask.
struct LecturaGif {
    QByteArrayView b;
    qsizetype leido = 0;
};
int leeGif(GifFileType* g, GifByteType* destino, int n) {
    auto* l = static_cast<LecturaGif*>(g->UserData);
    const int m = int(qMin<qsizetype>(n, l->b.size() - l->leido));
    memcpy(destino, l->b.data() + l->leido, size_t(m));
    l->leido += m;
    return m;
}

Imagen gif(QByteArrayView b) {
    LecturaGif lectura{b};
    int error = 0;
    GifFileType* g = DGifOpen(&lectura, leeGif, &error);
    if (!g) throw danada();
    struct Cierra {
        GifFileType* g;
        ~Cierra() { DGifCloseFile(g, nullptr); }
    } cierra{g};
    int transparente = -1;
    GifRecordType tipo;
    do {
        if (DGifGetRecordType(g, &tipo) == GIF_ERROR) throw danada();
        if (tipo == EXTENSION_RECORD_TYPE) {
            int codigo = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(g, &codigo, &ext) == GIF_ERROR) throw danada();
            GraphicsControlBlock gcb;
            if (codigo == GRAPHICS_EXT_FUNC_CODE && ext &&
                DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK)
                transparente = gcb.TransparentColor;
            while (ext)
                if (DGifGetExtensionNext(g, &ext) == GIF_ERROR) throw danada();
        }
    } while (tipo != IMAGE_DESC_RECORD_TYPE && tipo != TERMINATE_RECORD_TYPE);
    if (tipo != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(g) == GIF_ERROR) throw danada();
    const GifImageDesc& d = g->Image;
    compruebaTamano(d.Width, d.Height);
    const ColorMapObject* paleta = d.ColorMap ? d.ColorMap : g->SColorMap;
    if (!paleta) throw danada();
    QByteArray indices(qsizetype(d.Width) * d.Height, Qt::Uninitialized);
    auto fila = [&](int y) {
        return reinterpret_cast<GifPixelType*>(indices.data()) + qsizetype(y) * d.Width;
    };
    if (d.Interlace) {
        for (auto [inicio, paso] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
            for (int y = inicio; y < d.Height; y += paso)
                if (DGifGetLine(g, fila(y), d.Width) == GIF_ERROR) throw danada();
    } else {
        for (int y = 0; y < d.Height; ++y)
            if (DGifGetLine(g, fila(y), d.Width) == GIF_ERROR) throw danada();
    }
    Imagen img;
    img.formato = Imagen::Formato::Rgb8;
    img.ancho = d.Width;
    img.alto = d.Height;
    QByteArray rgba(indices.size() * 4, Qt::Uninitialized);
    Byte* o = reinterpret_cast<Byte*>(rgba.data());
    for (Byte i : indices) {
        const GifColorType c = i < paleta->ColorCount ? paleta->Colors[i] : GifColorType{0, 0, 0};
        *o++ = c.Red, *o++ = c.Green, *o++ = c.Blue, *o++ = i == transparente ? 0 : 255;
    }
    return separaAlfa(img, rgba);
}

// BMP: Windows' and OS/2's headers, 1, 4, 8, 16, 24 and 32 bits a pixel, uncompressed or with
// bit fields.
struct Campos {
    uint32_t mascara = 0;
    int desplazamiento = 0, bits = 0;
    Byte de(uint32_t v) const {
        if (!bits) return 255;
        const uint32_t c = (v & mascara) >> desplazamiento, maximo = (1u << bits) - 1;
        return Byte(c * 255 / maximo);
    }
    static Campos De(uint32_t m) {
        Campos c{m};
        if (!m) return c;
        while (!(m & 1))
            m >>= 1, ++c.desplazamiento;
        while (m & 1)
            m >>= 1, ++c.bits;
        c.bits = qMin(c.bits, 16);
        return c;
    }
};

Imagen bmp(QByteArrayView b) {
    const auto u8 = [&](qsizetype i) -> uint32_t {
        return i >= 0 && i < b.size() ? Byte(b[i]) : 0;
    };
    const auto u16 = [&](qsizetype i) { return u8(i) | u8(i + 1) << 8; };
    const auto u32 = [&](qsizetype i) { return u16(i) | u16(i + 2) << 16; };
    const uint32_t inicioPixeles = u32(10), cabecera = u32(14);
    const bool os2 = cabecera == 12;
    if (b.size() < 26 || (!os2 && (cabecera < 40 || b.size() < 54))) throw danada();
    const int64_t ancho = os2 ? int64_t(u16(18)) : int64_t(int32_t(u32(18)));
    const int64_t altoFirmado = os2 ? int64_t(u16(20)) : int64_t(int32_t(u32(22)));
    const int bits = int(os2 ? u16(24) : u16(28));
    const uint32_t compresion = os2 ? 0 : u32(30);
    compruebaTamano(ancho, altoFirmado < 0 ? -altoFirmado : altoFirmado);
    const int64_t alto = altoFirmado < 0 ? -altoFirmado : altoFirmado;
    Campos r, g, a, az;
    if (compresion == 3 && (bits == 16 || bits == 32)) {
        const qsizetype m = cabecera >= 52 ? 54 : 14 + cabecera;
        r = Campos::De(u32(m)), g = Campos::De(u32(m + 4)), az = Campos::De(u32(m + 8));
        if (cabecera >= 56) a = Campos::De(u32(m + 12));
    } else if (compresion == 0 && bits == 16) {
        r = Campos::De(0x7C00), g = Campos::De(0x03E0), az = Campos::De(0x001F);
    } else if (compresion != 0 ||
               (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)) {
        throw danada(); // run-length and embedded JPEG/PNG bitmaps are not read
    }
    const int64_t paso = (ancho * bits + 31) / 32 * 4;
    if (int64_t(inicioPixeles) + paso * alto > b.size()) throw danada();
    const qsizetype paleta = 14 + cabecera + (compresion == 3 && cabecera == 40 ? 12 : 0);
    const int tamEntrada = os2 ? 3 : 4;
    Imagen img;
    img.formato = Imagen::Formato::Rgb8;
    img.ancho = int(ancho);
    img.alto = int(alto);
    QByteArray rgba(qsizetype(ancho * alto * 4), Qt::Uninitialized);
    Byte* o = reinterpret_cast<Byte*>(rgba.data());
    for (int64_t y = 0; y < alto; ++y) {
        const qsizetype fila =
            qsizetype(inicioPixeles + paso * (altoFirmado < 0 ? y : alto - 1 - y));
        for (int64_t x = 0; x < ancho; ++x) {
            Byte rgb[4] = {0, 0, 0, 255};
            if (bits <= 8) {
                const uint32_t bitsFila = uint32_t(x * bits);
                const uint32_t i =
                    (u8(fila + bitsFila / 8) >> (8 - bits - bitsFila % 8)) & ((1u << bits) - 1);
                const qsizetype e = paleta + qsizetype(i) * tamEntrada;
                rgb[0] = Byte(u8(e + 2)), rgb[1] = Byte(u8(e + 1)), rgb[2] = Byte(u8(e));
            } else if (bits == 24) {
                const qsizetype p = fila + qsizetype(x) * 3;
                rgb[0] = Byte(u8(p + 2)), rgb[1] = Byte(u8(p + 1)), rgb[2] = Byte(u8(p));
            } else if (bits == 32 && !r.bits) {
                const qsizetype p = fila + qsizetype(x) * 4;
                rgb[0] = Byte(u8(p + 2)), rgb[1] = Byte(u8(p + 1)), rgb[2] = Byte(u8(p));
            } else {
                const uint32_t v =
                    bits == 16 ? u16(fila + qsizetype(x) * 2) : u32(fila + qsizetype(x) * 4);
                rgb[0] = r.de(v), rgb[1] = g.de(v), rgb[2] = az.de(v), rgb[3] = a.de(v);
            }
            memcpy(o, rgb, 4);
            o += 4;
        }
    }
    return separaAlfa(img, rgba);
}

// Each side shrunk on its own: an output sample is the mean of the input samples it covers.
QByteArray reduce(const QByteArray& datos, int canales, int ancho, int alto, int nuevoAncho,
                  int nuevoAlto) {
    QByteArray salida(qsizetype(nuevoAncho) * nuevoAlto * canales, Qt::Uninitialized);
    std::vector<uint32_t> suma(size_t(nuevoAncho) * canales);
    const Byte* d = reinterpret_cast<const Byte*>(datos.constData());
    Byte* s = reinterpret_cast<Byte*>(salida.data());
    for (int ny = 0; ny < nuevoAlto; ++ny) {
        const int y0 = int(int64_t(ny) * alto / nuevoAlto),
                  y1 = int(int64_t(ny + 1) * alto / nuevoAlto);
        std::fill(suma.begin(), suma.end(), 0);
        for (int y = y0; y < y1; ++y) {
            const Byte* fila = d + qsizetype(y) * ancho * canales;
            for (int nx = 0; nx < nuevoAncho; ++nx) {
                const int x0 = int(int64_t(nx) * ancho / nuevoAncho),
                          x1 = int(int64_t(nx + 1) * ancho / nuevoAncho);
                for (int x = x0; x < x1; ++x)
                    for (int c = 0; c < canales; ++c)
                        suma[size_t(nx) * canales + c] += fila[qsizetype(x) * canales + c];
            }
        }
        for (int nx = 0; nx < nuevoAncho; ++nx) {
            const uint32_t n = uint32_t(y1 - y0) * uint32_t(int64_t(nx + 1) * ancho / nuevoAncho -
                                                            int64_t(nx) * ancho / nuevoAncho);
            for (int c = 0; c < canales; ++c)
                *s++ = Byte((suma[size_t(nx) * canales + c] + n / 2) / n);
        }
    }
    return salida;
}
} // namespace

Imagen LeeImagen(QByteArrayView b) {
    Imagen img;
    try {
        if (b.startsWith("\xFF\xD8\xFF"))
            img = jpeg(b);
        else if (b.startsWith("\x89PNG\r\n\x1A\n"))
            img = png(b);
        else if (b.startsWith("GIF87a") || b.startsWith("GIF89a"))
            img = gif(b);
        else if (b.startsWith("BM"))
            img = bmp(b);
        else
            throw ImagenIlegible{ImagenIlegible::FormatoDesconocido};
    } catch (const std::bad_alloc&) {
        throw ImagenIlegible{ImagenIlegible::DemasiadoGrande};
    }
    img.id = Imagen::nuevoId();
    return img;
}

Imagen ReduceImagen(const Imagen& img, int maxAncho, int maxAlto) {
    const bool muestras =
        img.formato == Imagen::Formato::Gris8 || img.formato == Imagen::Formato::Rgb8;
    if (!muestras || (img.ancho <= maxAncho && img.alto <= maxAlto)) return img;
    Imagen r = img;
    r.ancho = qMin(img.ancho, maxAncho);
    r.alto = qMin(img.alto, maxAlto);
    const int canales = img.formato == Imagen::Formato::Rgb8 ? 3 : 1;
    r.datos = reduce(img.datos, canales, img.ancho, img.alto, r.ancho, r.alto);
    if (!img.alfa.isEmpty()) r.alfa = reduce(img.alfa, 1, img.ancho, img.alto, r.ancho, r.alto);
    r.id = Imagen::nuevoId();
    return r;
}
