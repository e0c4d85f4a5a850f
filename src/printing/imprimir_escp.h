#pragma once

#include "markup/interprete_escp.h"
#include "printing/dispositivo_impresora.h"
#include "shared/imagen.h"
#include <QHash>

// The Epson page on the printer device: text in its cells and on its baseline, bit images as
// pictures at their true size and place (an image met again, as a logo on every page, is the same
// picture, so that the document holds it once). Printer units are 1/360 inch, four twips.
class SalidaEscPImpresora : public SalidaEscP {
  public:
    explicit SalidaEscPImpresora(DispositivoImpresora& p) : p_(p) {}

    void texto(const TextoEscP& texto) override;
    void grafico(const GraficoEscP& grafico) override;
    void salto() override { p_.nuevaPagina(); }
    void hojaEnBlanco() override { p_.finLinea(); }
    void finDocumento() override;
    // Whether anything was put on paper: text other than blanks, or a dot of an image.
    bool marcas() const { return marcas_; }

  private:
    const Imagen& imagen(const GraficoEscP& grafico);

    DispositivoImpresora& p_;
    QHash<QByteArray, Imagen> imagenes_; // by size and dots
    bool marcas_ = false;
};
