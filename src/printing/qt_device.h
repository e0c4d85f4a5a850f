#pragma once

#include "printing/printer_device.h"
#include "shared/error.h"
#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QRectF>
#include <array>
#include <memory>
#include <optional>
#include <vector>

class QPrinter;
class SalidaFichero;

// The drawing side of a Qt printer (a system printer through CUPS, or Qt's PDF output).
// Positions are twips from the printable area's top-left corner.
//
// Pages are emitted lazily: the document is opened by the first output (non-empty text, a line
// end or, for a page that already has output, a picture); a page break is only remembered, and
// QPrinter::newPage is called when something is output after it. A page that receives no output
// before the end of the document is therefore not emitted (no blank sheet after a final
// "{{Pagina}}"), while blank pages between pages with output stay. Pictures drawn on a pending
// page are kept and drawn when that page is really begun; page breaks before the first output are
// dropped (the document starts with the first output). A line that would end below the printable
// area begins a sheet of its own, behind the same pictures, instead of falling off the paper.
// Until the document's first picture, a page's text is kept and drawn when the page ends, so that a
// picture taken part-way down a page still goes behind the lines above it.
//
// The document is drawn with Qt's PDF output, in the printer's page layout, into the file the
// print job gives (ponSalida): the PDF printer's destination, or a nameless temporary that the
// job hands to CUPS. A document that fails or is discarded leaves nothing behind.
class DispositivoQt : public DispositivoImpresora {
  public:
    DispositivoQt() = default;
    ~DispositivoQt() override;

    // The printer whose page layout and document names to use (not owned), and the file the
    // next document goes to (not owned). Only changed between documents.
    void ponImpresora(QPrinter* impresora);
    void ponSalida(SalidaFichero* salida);
    QPrinter* impresora() const { return impresora_; }
    bool documentoAbierto() const { return painter_.isActive(); }
    int paginasEmitidas() const { return paginas_; }

    void ponFuente(const QString& nombre) override;
    QString fuente() const override { return fuente_.family(); }
    double tamano() const override { return tamano_; }
    void ponTamano(double puntos) override;
    void ponNegrita(bool activa) override;
    void ponCursiva(bool activa) override;
    void ponSubrayado(bool activo) override;

    int anchoPagina() override;
    void ponX(int twips) override { x_ = twips; }
    int y() const override { return qRound(y_); }
    void ponY(int twips) override { y_ = twips; }

    void escribe(const QString& texto) override;
    void finLinea() override;
    void nuevaPagina() override;
    void finDocumento() override;
    void descartaDocumento() override;
    void dibujaImagen(const QImage& imagen, int x, int y, int ancho, int alto) override;
    void reiniciaFormato() override;

  private:
    struct Dibujo {
        QImage imagen;
        QRectF rect; // twips
    };
    // A character as the font draws it on its own: no shaping, fallback font or layout needed.
    struct Glifo {
        enum Clase : quint8 { SinVer, Directo, Complejo };
        quint32 indice = 0;
        qreal avance = 0; // device pixels
        Clase clase = SinVer;
    };
    // The glyphs of one font (family, size, bold, italic) at the canvas resolution, looked up as
    // the characters appear. Shaping each line anew costs more than writing it to the PDF.
    struct FuenteGlifos {
        QString familia;
        double tamano;
        bool negrita, cursiva;
        QRawFont raw;
        // The same font sized for drawing in units of a blank's advance (0: not available).
        QRawFont enCeldas;
        qreal celda = 0;                                                  // device pixels
        std::array<std::unique_ptr<std::array<Glifo, 256>>, 256> bloques; // by high byte
        const Glifo& glifo(char16_t c);
    };
    // Text drawn on the page before its picture may come: kept, and drawn over the picture or at
    // the page's end. Only the document's first picture can come after text on its page.
    struct Trazo {
        const FuenteGlifos* glifos; // a glyph run; null: text that Qt lays out
        QPointF origen;             // device pixels, on the baseline
        bool subrayado;
        std::vector<quint32> indices;
        std::vector<QPointF> posiciones;
        QFont letra;
        QString texto;
    };
    FuenteGlifos& fuenteGlifos();
    FuenteGlifos* glifosDe(const QString& texto, qreal& ancho);
    void pintaGlifos(const FuenteGlifos& f, const QPointF& origen, bool subrayado,
                     const std::vector<quint32>& indices, std::vector<QPointF>& posiciones);
    void pintaTrazos();
    void compruebaImpresora() const;
    const QFontMetricsF& metricas();
    void aseguraPagina(); // opens the document and begins pending pages
    void abreDocumento();
    double px(double twips) const { return twips * resolucion_ / 1440.0; }
    void pinta(const Dibujo& d);
    void cabeLaLinea(qreal alto); // device pixels
    void cierraEstado();
    ErrorVelmor errorEscritura() const;

    QPrinter* impresora_ = nullptr; // settings: page layout, orientation, document names
    SalidaFichero* salida_ = nullptr;
    std::unique_ptr<QPrinter> lienzo_; // the document being drawn, into salida_
    QPrinter* lienzo() const { return lienzo_ ? lienzo_.get() : impresora_; }
    QPainter painter_;
    double resolucion_ = 1200;
    QFont fuente_;
    double tamano_ = 10;
    bool negrita_ = false, cursiva_ = false, subrayado_ = false;
    bool fuenteCambiada_ = true;
    std::optional<QFontMetricsF> metricas_;
    std::vector<std::unique_ptr<FuenteGlifos>> fuentesGlifos_; // of the open document
    FuenteGlifos* glifos_ = nullptr;                           // of the current format
    std::vector<quint32> indices_;                             // of the run being drawn
    std::vector<QPointF> posiciones_;
    QGlyphRun run_;
    double x_ = 0, y_ = 0; // twips
    // Pages requested but not yet begun; each holds the pictures drawn on it so far. Before the
    // document is open, the first entry stands for the page the first output will begin.
    std::vector<std::vector<Dibujo>> pendientes_;
    std::vector<Dibujo> dibujosPagina_; // the pictures of the page being drawn
    std::vector<Trazo> trazos_;         // the page's text while no picture has been drawn
    bool aplazando_ = true;
    int paginas_ = 0; // pages begun in the current document
};
