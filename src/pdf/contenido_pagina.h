#pragma once

#include "pdf/buffer_pdf.h"
#include <cstdint>
#include <string_view>
#include <vector>

struct Contorno;

// The content stream of one page, in points from the page's bottom-left corner. Pictures go to a
// layer of their own that is written before the text, so that a picture drawn after some of the
// page's text still lies behind it.
class ContenidoPagina {
  public:
    // The picture resource /ImN stretched into the rectangle (x, y: its bottom-left corner).
    // `orientacion`: Exif's turn of the picture (1 to 8), applied within the rectangle.
    void imagen(int n, double x, double y, double ancho, double alto, int orientacion = 1);

    // A show-text operator in font resource /Fn at `puntos`, its first glyph's origin at (x, y),
    // slanted by `inclinacion` (0: upright; the x shift per unit of height). Glyphs and
    // adjustments follow; terminaTexto closes it.
    // `escala` stretches the glyphs and their advances horizontally.
    void empiezaTexto(int fuente, double puntos, double x, double y, double inclinacion,
                      double escala = 1);
    // The glyph's code: two bytes, or one for a simple font.
    void glifo(uint16_t codigo, bool unByte = false) {
        unByte_ = unByte;
        cadena_.push_back(codigo);
    }
    // Moves the next glyph right by `milesimas` of the font size.
    void avanza(double milesimas);
    void terminaTexto();

    // A glyph's outline (device pixels, y down from the origin) filled at (x, y) points, `escala`
    // points a pixel, slanted like text: for faces that cannot be embedded.
    void contorno(const Contorno& camino, double x, double y, double escala, double inclinacion);

    // A filled rectangle in the text colour (underlines).
    void rectangulo(double x, double y, double ancho, double alto);

    // The whole stream: pictures, then text. The page is empty again after vacia.
    std::string_view datos();
    void vacia();
    bool vacio() const { return fondo_.size() == 0 && texto_.size() == 0; }

  private:
    void matriz(double x, double y, double escala);
    void cierraCadena();
    BufferPdf fondo_, texto_;
    int fuente_ = -1; // the text state's font, kept across text objects
    double puntos_ = 0;
    double inclinacion_ = 0;
    std::vector<uint16_t> cadena_; // the codes of the literal string being written
    bool unByte_ = false;
};
