#pragma once

#include "pdf/compresor.h"
#include "pdf/contenido_pagina.h"
#include "pdf/escritor_pdf.h"
#include "pdf/fuente_pdf.h"
#include "shared/imagen.h"
#include <QByteArray>
#include <QHash>
#include <QSizeF>
#include <QString>
#include <memory>
#include <vector>

class CaraFuente;
class SalidaDocumento;

// One PDF document written as it is drawn: each page's content and page object are written when
// the page ends and its memory reused for the next, pictures are written at their first use, and
// fonts, resources and the page tree at the end. Memory stays flat in the number of pages but
// for one object offset and one page reference per page.
class DocumentoPdf {
  public:
    // Pages of `tamano` points; the header is written at once.
    DocumentoPdf(SalidaDocumento& salida, Compresor& compresor, QSizeF tamano,
                 const QString& productor);

    // Tells documents apart for the whole run (never 0), also one that took a freed one's place.
    uint64_t numero() const { return numero_; }

    void empiezaPagina();
    ContenidoPagina& pagina() { return contenido_; }
    void terminaPagina();
    int paginas() const { return int(paginas_.size()); }

    // The document's font for the face, created at its first use.
    FuentePdf& fuente(const std::shared_ptr<CaraFuente>& cara);
    // The font the face goes on in once `llena` has no room left (a Type 1 face's simple font
    // holds 256 glyphs): the face's newer font, or a new one.
    FuentePdf& fuenteSiguiente(const std::shared_ptr<CaraFuente>& cara, const FuentePdf& llena);
    // The picture's resource number (/ImN), written at its first use.
    int imagen(const Imagen& imagen);

    // Ends the open page and writes what remains; the output is left to the caller.
    void termina();

  private:
    void escribeRecursos();

    uint64_t numero_;
    EscritorPdf pdf_;
    QSizeF tamano_;
    QString productor_;
    int arbol_, recursos_;
    bool paginaAbierta_ = false;
    ContenidoPagina contenido_;
    std::vector<int> paginas_; // page objects
    std::vector<std::unique_ptr<FuentePdf>> fuentes_;
    QHash<const CaraFuente*, FuentePdf*> porCara_;
    std::vector<int> imagenes_;      // image objects, by resource number - 1
    QHash<uint64_t, int> porImagen_; // Imagen::id -> resource number
};
