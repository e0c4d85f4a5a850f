#pragma once

#include "printing/dispositivo_impresora.h"
#include "shared/imagen.h"
#include "shared/papel.h"
#include <QRectF>
#include <memory>
#include <vector>

class CatalogoFuentes;
class Compresor;
class DocumentoPdf;
class LetraPdf;
class SalidaDocumento;
class TextoPdf;

// A printer device that writes each document as a PDF to an output of the caller's choosing (a
// file, a print job). It behaves as the Qt printer device did: positions are twips from the
// printable area's top-left corner; fonts are matched by Qt at 1200 dpi, unhinted, so columns and
// line heights stay where they were; the initial size is 10 points.
//
// Pages are emitted lazily: the document is opened (and the output with it) by the first output
// (non-empty text, a line end or, for a page that already has output, a picture); a page break is
// only remembered, and the page begins when something is output after it. A page that receives no
// output before the end of the document is not emitted (no blank sheet after a final page
// break), while blank pages between pages with output stay. Pictures drawn on a pending page are
// kept and drawn when that page really begins; page breaks before the first output are dropped. A
// line that would end below the printable area begins a sheet of its own, behind the same
// pictures. A picture always goes behind its page's text, wherever in the page it was drawn.
//
// Each page is written to the output when it ends; a failed write throws ErrorVelmor from the
// operation that caused it, and the document is then discarded (descartaDocumento). One device
// prints any number of documents in a row.
class DispositivoPdf : public DispositivoImpresora {
  public:
    DispositivoPdf();
    ~DispositivoPdf() override;

    // Paper size, orientation and margins; A4 portrait with 12-point margins until set. Only
    // changed between documents.
    void ponPagina(const Papel& pagina);
    const Papel& pagina() const { return pagina_; }
    // Where the next document goes (not owned). Only changed between documents.
    void ponSalida(SalidaDocumento* salida);
    bool documentoAbierto() const { return documento_ != nullptr; }

    void ponFuente(const QString& nombre) override;
    QString fuente() const override { return familia_; }
    double tamano() const override { return tamano_; }
    void ponTamano(double puntos) override;
    void ponNegrita(bool activa) override;
    void ponCursiva(bool activa) override;
    void ponSubrayado(bool activo) override { subrayado_ = activo; }

    int anchoPagina() override;
    void ponX(int twips) override { x_ = twips; }
    int y() const override { return qRound(y_); }
    void ponY(int twips) override { y_ = twips; }

    void escribe(const QString& texto) override;
    void escribeEnCeldas(int x, int base, const QString& texto, int celda) override;
    void finLinea() override;
    void nuevaPagina() override;
    void finDocumento() override;
    void descartaDocumento() override;
    void dibujaImagen(const Imagen& imagen, int x, int y, int ancho, int alto) override;
    void reiniciaFormato() override;

  private:
    struct Dibujo {
        Imagen imagen;
        QRectF rect; // twips
    };
    LetraPdf& letra();
    void aseguraPagina(); // opens the document and begins pending pages
    void abreDocumento();
    void empiezaPagina(const std::vector<Dibujo>& dibujos);
    void pinta(const Dibujo& d);
    void cabeLaLinea(double alto); // device pixels
    void cierraEstado();
    SalidaDocumento& salida() const;

    Papel pagina_;
    SalidaDocumento* salida_ = nullptr;
    std::unique_ptr<CatalogoFuentes> fuentes_;
    std::unique_ptr<Compresor> compresor_;
    std::unique_ptr<TextoPdf> texto_;
    std::unique_ptr<DocumentoPdf> documento_;
    QString familia_;
    double tamano_ = 10;
    bool negrita_ = false, cursiva_ = false, subrayado_ = false;
    std::shared_ptr<LetraPdf> letra_; // of the current format; null when it changed
    double x_ = 0, y_ = 0;            // twips
    // Pages requested but not yet begun; each holds the pictures drawn on it so far. Before the
    // document is open, the first entry stands for the page the first output will begin.
    std::vector<std::vector<Dibujo>> pendientes_;
    std::vector<Dibujo> dibujosPagina_; // the pictures of the page being drawn
    bool salidaAbierta_ = false;        // the output holds this document's bytes
    // The printable area in points from the page's bottom-left corner, and its height in device
    // pixels as Qt's printer measured it.
    QRectF area_;
    double altoPixeles_ = 0;
};
