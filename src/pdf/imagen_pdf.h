#pragma once

#include <QImage>

class EscritorPdf;

// A picture as an image XObject: 8-bit grey or RGB samples, deflated, and a soft mask when it
// has transparent pixels. Written once per document and drawn by reference.
class ImagenPdf {
  public:
    static void escribe(EscritorPdf& pdf, int objeto, const QImage& imagen);
};
