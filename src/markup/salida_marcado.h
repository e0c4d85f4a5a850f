#pragma once

#include <QString>

// Where the markup interpreter puts a PRT file: the printer or the preview. Calls come in the
// order of the file. The current format (font, size, bold, italic, underline) is the output's, and
// lasts from tag to tag and from line to line.
class SalidaMarcado {
  public:
    // Why a page ends.
    enum class Salto {
        PorLineas,    // the page is full (its length in lines)
        PorEtiqueta,  // "{{Pagina}}"
        AvancePagina, // a form feed in the file
    };

    virtual ~SalidaMarcado() = default;

    virtual void ponFuente(const QString& nombre) = 0;
    virtual double tamano() const = 0;
    virtual void ponTamano(double puntos) = 0;
    virtual void ponNegrita(bool activa) = 0;
    virtual void ponCursiva(bool activa) = 0;
    virtual void ponSubrayado(bool activo) = 0;

    // A line is about to be split into text and tags; the output may still take something from it
    // (the printer's background picture).
    virtual void empiezaLinea(QString& linea) { (void)linea; }
    virtual void texto(const QString& texto) = 0;
    // The end of a line, in the pitch last set (11, 9, 7; 0 before any).
    virtual void finLinea(int pitch) = 0;
    virtual void salto(Salto causa) { (void)causa; }
    // The whole file has been read and found unchanged.
    virtual void finDocumento() {}
};
