#pragma once

#include "markup/lector_prt.h"
#include "markup/salida_marcado.h"
#include "shared/fichero_regular.h"
#include <QString>

// How a reader of PRT files differs from the other: the printer and the preview read the same
// markup with these few differences.
struct PerfilLector {
    bool expandeAntesDeConvertir = true; // bracket codes before the code page, or after
    bool courierSegunModoDos = true;     // "{{Courier}}" is "Ravendot" in DOS mode, or always
                                         // "Courier New"
    double puntosComprimida = 7;         // "{{Comprimida}}"
    bool paginaEsSalto = true; // "{{Pagina}}" ends the page with no line end, or only the line
    int lineasPagina = 66;     // a page ends after this many lines; 0: no pages

    static PerfilLector Impresora(int lineasPagina);
    static PerfilLector Visor();
};

// The one interpreter of the PRT markup: reads a file line by line, expands its bracket codes,
// converts it from the DOS code page (unless in DOS mode), splits it into text and tags, and puts
// the text and the tags' effects on an output, counting lines into pages as the profile says.
class InterpretePrt {
  public:
    static const QString CourierNew;
    static const QString Ravendot;

    InterpretePrt(PerfilLector perfil, bool modoDos);
    // The longest line read (bytes); a longer one ends the reading with an error.
    void ponLimiteLinea(qsizetype bytes) { limiteLinea_ = bytes; }

    // The base font: "Ravendot" in DOS mode, else "Courier New".
    QString fuenteBase() const { return modoDos_ ? Ravendot : CourierNew; }

    // Reads the whole file onto the output. The output's end of document comes only after the
    // whole file was read and found unchanged. Throws ErrorVelmor located in the file, and in the
    // line when a line caused it; errors of the output itself pass as they are. Returns the file
    // as it was read.
    IdentidadFichero interpreta(const QString& ruta, SalidaMarcado& salida);

  private:
    PerfilLector perfil_;
    bool modoDos_;
    qsizetype limiteLinea_ = LectorPrt::LimiteLinea;
};
