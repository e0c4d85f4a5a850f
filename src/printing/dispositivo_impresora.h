#pragma once

#include "shared/imagen.h"
#include "shared/papel.h"
#include <QString>
#include <memory>

struct AjustesImpresion;
class ColaImpresion;
class SalidaFichero;

// Paper orientation. SegunImpresora: the printer reported neither, or none is to be set (the
// driver's own).
enum class Orientacion { SegunImpresora = 0, Vertical = 1, Horizontal = 2 };

// The drawing side of the current printer. Positions are in twips (1/1440 inch) from the
// printable area's top-left corner; font sizes are in points and may be fractional. Every
// operation may throw ErrorVelmor.
class DispositivoImpresora {
  public:
    virtual ~DispositivoImpresora() = default;

    virtual void ponFuente(const QString& nombre) = 0;
    virtual QString fuente() const = 0;
    // The size last set, or the device's own size (10 pt) before any.
    virtual double tamano() const = 0;
    virtual void ponTamano(double puntos) = 0;
    virtual void ponNegrita(bool activa) = 0;
    virtual void ponCursiva(bool activa) = 0;
    virtual void ponSubrayado(bool activo) = 0;

    virtual int anchoPagina() = 0; // printable width in twips
    virtual void ponX(int twips) = 0;
    virtual int y() const = 0;
    virtual void ponY(int twips) = 0;

    // Draws text at the position in the current font and advances the position by its width.
    // The first output of a job opens the document.
    virtual void escribe(const QString& texto) = 0;
    // Draws text in the current font with its baseline's left end at (x, base), each character in
    // a cell `celda` twips wide, its glyph stretched or narrowed to the cell (a printer's pitch);
    // the print position does not move. By default, where escribe would put it.
    virtual void escribeEnCeldas(int x, int base, const QString& texto, int celda) {
        (void)celda;
        ponX(x);
        ponY(base - qRound(tamano() * 16));
        escribe(texto);
    }
    // Back to the left edge and down by the current font's line height.
    virtual void finLinea() = 0;
    virtual void nuevaPagina() = 0;
    // Sends the document to the print system.
    virtual void finDocumento() = 0;
    // Throws away the unfinished document: nothing of it reaches the printer.
    virtual void descartaDocumento() = 0;
    // Stretches the picture into the rectangle; the print position does not move.
    virtual void dibujaImagen(const Imagen& imagen, int x, int y, int ancho, int alto) = 0;
    // Back to the initial format (10 pt, no bold, italic or underline) for a new job.
    virtual void reiniciaFormato() = 0;
};

// The installed printers and the current one. Enumeration order is stable for the whole run.
class Impresoras {
  public:
    virtual ~Impresoras() = default;

    virtual int cuenta() const = 0;
    virtual QString nombre(int posicion) const = 0; // DeviceName, as the system lists it
    virtual int actual() const = 0;                 // position of the current printer
    QString nombreActual() const { return cuenta() > 0 ? nombre(actual()) : QString(); }
    virtual void hazActual(int posicion) = 0;

    // Paper orientation of the current printer.
    virtual Orientacion orientacion() const = 0;
    // Throws ErrorVelmor (number and description) when the printer refuses.
    virtual void ponOrientacion(Orientacion orientacion) = 0;

    // The current printer's paper, orientation and margins: what its documents are laid out on.
    // A printer that knows no paper of its own takes A4, with a laser printer's small margin.
    virtual Papel paginaActual() const {
        Papel a4;
        a4.horizontal = orientacion() == Orientacion::Horizontal;
        return a4;
    }

    // The paper and margins of the documents begun from now on.
    virtual void ponPapel(const AjustesImpresion& ajustes) { (void)ajustes; }
    // Drawing on the current printer; the document goes to `salida`. Throws ErrorVelmor when the
    // paper asked for leaves no room to print.
    virtual DispositivoImpresora& dispositivo(SalidaFichero& salida) = 0;

    // True when the current printer writes a PDF file (the built-in "Archivo PDF"); otherwise
    // its documents go to the print system's queue.
    virtual bool actualEsPdf() const { return false; }
    // The current printer's queue (null for the PDF printer).
    virtual std::shared_ptr<const ColaImpresion> cola() const = 0;
};
