#include "pdf/imagen_pdf.h"

#include "pdf/escritor_pdf.h"
#include <string_view>

namespace {
std::string_view vista(const QByteArray& b) {
    return {b.constData(), size_t(b.size())};
}

BufferPdf& diccionario(EscritorPdf& pdf, int objeto, const Imagen& img) {
    BufferPdf& b = pdf.abre(objeto);
    b.anade("<< /Type /XObject /Subtype /Image /Width ");
    b.entero(img.ancho);
    b.anade(" /Height ");
    b.entero(img.alto);
    b.anade(' ');
    return b;
}

const char* espacio(int componentes) {
    return componentes == 1 ? "/DeviceGray" : componentes == 3 ? "/DeviceRGB" : "/DeviceCMYK";
}
} // namespace

void ImagenPdf::escribe(EscritorPdf& pdf, int objeto, const Imagen& img) {
    using F = Imagen::Formato;
    if (img.formato == F::Bits1) {
        diccionario(pdf, objeto, img).anade("/ImageMask true /Decode [1 0] ");
        pdf.stream(vista(img.datos), true);
        return;
    }
    int mascara = 0;
    if (!img.alfa.isEmpty()) {
        mascara = pdf.reserva();
        diccionario(pdf, mascara, img).anade("/ColorSpace /DeviceGray /BitsPerComponent 8 ");
        pdf.stream(vista(img.alfa), true);
    }
    const int componentes = img.formato == F::Jpeg   ? img.componentes
                            : img.formato == F::Rgb8 ? 3
                                                     : 1;
    BufferPdf& b = diccionario(pdf, objeto, img);
    b.anade("/ColorSpace ");
    b.anade(espacio(componentes));
    b.anade(" /BitsPerComponent 8 ");
    if (mascara) {
        b.anade("/SMask ");
        b.entero(mascara);
        b.anade(" 0 R ");
    }
    if (img.formato != F::Jpeg) {
        pdf.stream(vista(img.datos), true);
        return;
    }
    if (img.cmykInvertido) b.anade("/Decode [1 0 1 0 1 0 1 0] ");
    b.anade("/Filter /DCTDecode ");
    pdf.stream(vista(img.datos), false);
}
