#pragma once

#include "shared/imagen.h"
#include <QByteArrayView>

// A 600 dpi scan of an A4 or Letter page (4960 x 7016 pixels) is the largest picture taken.
constexpr int64_t kMaxPixelesImagen = 36'000'000;

// Why a file's bytes are no picture Velmor can print.
struct ImagenIlegible {
    enum Causa { FormatoDesconocido, Danada, DemasiadoGrande } causa;
    int ancho = 0; // DemasiadoGrande: what the header says
    int alto = 0;
};

// The picture in a JPEG (kept undecoded, only its header read), PNG, GIF (its first frame) or
// BMP file. Throws ImagenIlegible; no decoder writes anything to stderr.
Imagen LeeImagen(QByteArrayView bytes);

// The picture at most maxAncho x maxAlto pixels, each side shrunk on its own by averaging;
// a JPEG and a smaller picture are returned as they are.
Imagen ReduceImagen(const Imagen& imagen, int maxAncho, int maxAlto);
