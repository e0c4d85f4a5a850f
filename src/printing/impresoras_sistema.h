#pragma once

#include "printing/dispositivo_impresora.h"
#include <memory>

// The system's printers (CUPS queues through Qt's printer support, in a stable order) followed by
// the built-in PDF printer "Archivo PDF". The current printer at start is the system's default,
// or "Archivo PDF" when the system has none.
class ImpresorasSistema : public Impresoras {
  public:
    // Which printers to offer: the system's and "Archivo PDF", or only "Archivo PDF" (the
    // command line's --pdf, which has no need to ask the print system anything).
    enum class Cuales { Todas, SoloPdf };
    explicit ImpresorasSistema(Cuales cuales = Cuales::Todas);
    ~ImpresorasSistema() override;

    static QString nombrePdf(); // "Archivo PDF"
    bool actualEsPdf() const override;

    int cuenta() const override;
    QString nombre(int posicion) const override;
    int actual() const override;
    void hazActual(int posicion) override;
    Orientacion orientacion() const override;
    void ponOrientacion(Orientacion orientacion) override;
    Papel paginaActual() const override;
    void ponPapel(const AjustesImpresion& ajustes) override;
    DispositivoImpresora& dispositivo(SalidaFichero& salida) override;
    std::shared_ptr<const ColaImpresion> cola() const override;

  private:
    struct Datos;
    std::unique_ptr<Datos> d;
};
