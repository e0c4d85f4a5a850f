#include "pdf/imagen_pdf.h"

#include "pdf/escritor_pdf.h"
#include <string>

namespace {
// The samples of the picture, row after row, without the padding QImage keeps at row ends.
std::string muestras(const QImage& img, int bytesFila) {
    std::string datos;
    datos.reserve(size_t(bytesFila) * size_t(img.height()));
    for (int y = 0; y < img.height(); ++y)
        datos.append(reinterpret_cast<const char*>(img.constScanLine(y)), size_t(bytesFila));
    return datos;
}

void diccionario(EscritorPdf& pdf, int objeto, const QImage& img, const char* espacio,
                 int mascara) {
    BufferPdf& b = pdf.abre(objeto);
    b.anade("<< /Type /XObject /Subtype /Image /Width ");
    b.entero(img.width());
    b.anade(" /Height ");
    b.entero(img.height());
    b.anade(" /ColorSpace /");
    b.anade(espacio);
    b.anade(" /BitsPerComponent 8 ");
    if (mascara) {
        b.anade("/SMask ");
        b.entero(mascara);
        b.anade(" 0 R ");
    }
}

bool transparente(const QImage& img) {
    if (!img.hasAlphaChannel()) return false;
    const QImage alfa = img.convertToFormat(QImage::Format_Alpha8);
    for (int y = 0; y < alfa.height(); ++y) {
        const uchar* fila = alfa.constScanLine(y);
        for (int x = 0; x < alfa.width(); ++x)
            if (fila[x] != 255) return true;
    }
    return false;
}
} // namespace

void ImagenPdf::escribe(EscritorPdf& pdf, int objeto, const QImage& imagen) {
    int mascara = 0;
    if (transparente(imagen)) {
        mascara = pdf.reserva();
        const QImage alfa = imagen.convertToFormat(QImage::Format_Alpha8);
        diccionario(pdf, mascara, alfa, "DeviceGray", 0);
        pdf.stream(muestras(alfa, alfa.width()), true);
    }
    const bool gris = imagen.allGray();
    const QImage img =
        imagen.convertToFormat(gris ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    diccionario(pdf, objeto, img, gris ? "DeviceGray" : "DeviceRGB", mascara);
    pdf.stream(muestras(img, img.width() * (gris ? 1 : 3)), true);
}
