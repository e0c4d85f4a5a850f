#pragma once

#include "printing/trabajo_impresion.h"

// The command line's answers to the print job's questions: no dialog, the PDF it names, and no
// delete question (deletion is --borrar's).
class InterlocutorCli : public InterlocutorTrabajo {
  public:
    QString destino; // the next job's PDF
    bool eligeImpresora(Impresoras&) override { return true; }
    QString salidaPdf(const QString&, const QString&) override { return destino; }
    bool confirmaBorrado(const QString&) override { return false; }
};
