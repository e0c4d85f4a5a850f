#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CaraFuente;
class DocumentoPdf;
class FuentePdf;
class LetraPdf;
struct hb_buffer_t;

// Text in one format onto the open page: one show-text operator per run of glyphs, placed where
// the font's own advances at the printer resolution put them (the reader's advances, taken from
// the embedded widths, are corrected inside the operator where they differ). Characters that
// need shaping or another font are split into runs of one face and one script, each shaped by
// HarfBuzz and written the same way, every glyph mapped to the text of its cluster. Blanks only
// move the pen unless an underline runs under them.
class TextoPdf {
  public:
    TextoPdf();
    ~TextoPdf();
    TextoPdf(const TextoPdf&) = delete;
    TextoPdf& operator=(const TextoPdf&) = delete;

    // Draws the text with the baseline's left end at (x, y) page points; returns its width in
    // device pixels.
    double dibuja(DocumentoPdf& doc, LetraPdf& letra, const QString& texto, double x, double y,
                  bool subrayado);

    // Each character in a cell `celda` device pixels wide from (x, y), its glyph stretched
    // horizontally by `escala` (a printer's pitch: condensed, double width).
    void dibujaEnCeldas(DocumentoPdf& doc, LetraPdf& letra, const QString& texto, double x,
                        double y, bool subrayado, double celda, double escala);

  private:
    // A glyph placed in device pixels from the text's origin (y down), with its cluster's text.
    struct Colocado {
        uint32_t glifo;
        double x, y, avance;
        std::u32string texto;
    };
    bool directo(LetraPdf& letra, const QString& texto, double& ancho);
    void escribeDirecto(DocumentoPdf& doc, LetraPdf& letra, const QString& texto, double x,
                        double y, bool subrayado, double escala = 1);
    double escribeComplejo(DocumentoPdf& doc, LetraPdf& letra, const QString& texto, double x,
                           double y);
    double forma(const CaraFuente& cara, double pixeles, const std::u32string& texto, double origen,
                 std::vector<Colocado>& glifos);
    void escribeGlifos(DocumentoPdf& doc, LetraPdf& letra, const std::shared_ptr<CaraFuente>& cara,
                       const std::vector<Colocado>& glifos, double x, double y);
    enum class Pasadas { Texto, Segunda, Ambas };
    void contornos(DocumentoPdf& doc, const CaraFuente& cara, double pixeles,
                   const std::vector<Colocado>& glifos, double x, double y, Pasadas pasadas,
                   double inclinacion, double grosor);
    void subraya(DocumentoPdf& doc, LetraPdf& letra, double x, double y, double ancho);

    std::vector<uint32_t> indices_; // of the text being drawn, one per character
    std::vector<double> avances_;   // device pixels
    hb_buffer_t* buffer_;
};
