#pragma once

#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <vector>

class DocumentoPdf;
class FuentePdf;
class LetraPdf;

// Text in one format onto the open page: one show-text operator per run of glyphs, placed where
// the font's own advances at the printer resolution put them (the reader's advances, taken from
// the embedded widths, are corrected inside the operator where they differ). Characters that
// need shaping or another font go through Qt's text layout, whose glyph runs are written the same
// way. Blanks only move the pen unless an underline runs under them.
class TextoPdf {
  public:
    // Draws the text with the baseline's left end at (x, y) page points; returns its width in
    // device pixels.
    double dibuja(DocumentoPdf& doc, LetraPdf& letra, const QString& texto, double x, double y,
                  bool subrayado);

    // Each character in a cell `celda` device pixels wide from (x, y), its glyph stretched
    // horizontally by `escala` (a printer's pitch: condensed, double width).
    void dibujaEnCeldas(DocumentoPdf& doc, LetraPdf& letra, const QString& texto, double x,
                        double y, bool subrayado, double celda, double escala);

  private:
    bool directo(LetraPdf& letra, const QString& texto, double& ancho);
    void escribeDirecto(DocumentoPdf& doc, LetraPdf& letra, const QString& texto, double x,
                        double y, bool subrayado, double escala = 1);
    void escribeComplejo(DocumentoPdf& doc, LetraPdf& letra, const QString& texto, double x,
                         double y);
    enum class Pasadas { Texto, Segunda, Ambas };
    void contornos(DocumentoPdf& doc, const QRawFont& cara, const QList<quint32>& glifos,
                   const QList<QPointF>& posiciones, double x, double y, Pasadas pasadas,
                   double inclinacion);
    void subraya(DocumentoPdf& doc, LetraPdf& letra, double x, double y, double ancho);

    std::vector<uint32_t> indices_; // of the text being drawn, one per character
    std::vector<double> avances_;   // device pixels
};
