#pragma once

#include "shared/imagen.h"

class EscritorPdf;

// A picture as an image XObject: a JPEG as it is (DCTDecode); 8-bit grey or RGB samples,
// deflated, with a soft mask when some pixel is not opaque; 1-bit ink as a stencil mask painted
// black. Written once per document and drawn by reference.
class ImagenPdf {
  public:
    static void escribe(EscritorPdf& pdf, int objeto, const Imagen& imagen);
};
