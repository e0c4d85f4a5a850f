#pragma once

#include "printing/dispositivo_impresora.h"
#include "printing/imagen_fondo.h"
#include "shared/error.h"
#include "shared/fichero_regular.h"
#include "shared/version.h"
#include <QString>
#include <optional>

// The inputs of one print job, taken from the main window by its caller.
struct TrabajoPrt {
    QString ruta;                    // Nombre: full path of the PRT file
    bool modoDos = false;            // "MS-Dos" box: no code-page conversion, base font "Ravendot"
    int lineasPagina = 66;           // LineasPagina
    bool nueveAgujas = false;        // an Epson file in 9-pin units (else 24-pin)
    QString titulo = TituloVelmor(); // Titulo, first part of the error box title
    QString carpetaImagenes;         // the only folder pictures come from (ImagenFondo); empty: any
};

// The outcome of ImprimirPrt: ok, or the error that stopped the job; and the file that was read.
struct ResultadoPrt {
    std::optional<ErrorVelmor> error;
    IdentidadFichero identidad;        // as the file was opened, read whole and found unchanged
    QStringList imagenesNoEncontradas; // background pictures named but not found (ImagenFondo)
    QStringList imagenesFuera;         // named outside carpetaImagenes, not read (ImagenFondo)
    explicit operator bool() const { return !error; }
    bool ok() const { return !error; }
};

// The title of the renderer's error box: Titulo + "( " + Nombre + ")".
QString TituloErrorPrt(const TrabajoPrt& trabajo);

// Draws the PRT file on the device, line by line: the
// job starts from the device's initial format (reiniciaFormato) with the base font set; pages end
// after lineasPagina lines or at "{{Pagina}}"; the background picture of an "/IMAGEN/" directive
// goes into fondo and is drawn on the page where it is taken and on every page begun after it.
// The document is ended only after the whole file was read and found unchanged (not replaced,
// appended to or truncated while it printed). On failure the file is closed, the unfinished
// document is discarded and the error is returned, located in the file (and in the line, when a
// line caused it). Widget-free: the caller shows the error box.
ResultadoPrt ImprimirPrt(const TrabajoPrt& trabajo, DispositivoImpresora& dispositivo,
                         ImagenFondo& fondo);
ResultadoPrt ImprimirPrt(const TrabajoPrt& trabajo, DispositivoImpresora& dispositivo);
