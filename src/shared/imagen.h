#pragma once

#include <QByteArray>
#include <atomic>
#include <cstdint>

// A picture as the print core draws it: its samples row after row without padding, or a JPEG
// stream kept undecoded (the PDF takes it as it is). Copies share their bytes and their `id`.
struct Imagen {
    enum class Formato {
        Nula,
        Bits1, // one bit a pixel, rows rounded up to a byte; a set bit is ink, a clear one paper
        Gris8,
        Rgb8,
        Jpeg, // `datos` is the whole JPEG file
    };
    Formato formato = Formato::Nula;
    int ancho = 0;
    int alto = 0;
    int componentes = 0;        // Jpeg: 1 grey, 3 colour, 4 CMYK
    bool cmykInvertido = false; // Jpeg: Adobe's CMYK, stored inverted
    int orientacion = 1;        // Jpeg: how it is turned to be seen (Exif's 1 to 8; 1: as stored)
    QByteArray datos;
    QByteArray alfa; // Gris8 and Rgb8: a byte a pixel when some pixel is not opaque, else empty
    uint64_t id = 0; // the same picture has the same id: a document writes it once

    bool nula() const { return formato == Formato::Nula; }
    static uint64_t nuevoId() {
        static std::atomic<uint64_t> ultimo{0};
        return ++ultimo;
    }
};
