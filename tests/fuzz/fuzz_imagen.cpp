// Drives the picture readers with arbitrary bytes (a JPEG, PNG, GIF or BMP header and what
// follows): whatever the input, a picture comes out with as many samples as its size says, or
// the reader says why not; nothing crashes, trips a sanitizer or allocates beyond the limit.
#include "printing/lector_imagen.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const Imagen i = ReduceImagen(
            LeeImagen(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size))), 64,
            48);
        const int canales = i.formato == Imagen::Formato::Rgb8 ? 3 : 1;
        const bool muestras = i.formato != Imagen::Formato::Jpeg;
        if (muestras && i.datos.size() != qsizetype(i.ancho) * i.alto * canales) std::abort();
        if (!i.alfa.isEmpty() && i.alfa.size() != qsizetype(i.ancho) * i.alto) std::abort();
    } catch (const ImagenIlegible&) {
    }
    return 0;
}
