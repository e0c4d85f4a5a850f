#pragma once

#include "printing/trabajo_impresion.h"

// The answers an unattended watcher gives the print job: no dialog, no delete question (deletion
// is --borrar's), and each PDF into one folder under the report's name with ".pdf".
class InterlocutorVigilancia : public InterlocutorTrabajo {
  public:
    explicit InterlocutorVigilancia(QString carpetaPdf) : carpetaPdf_(std::move(carpetaPdf)) {}
    bool eligeImpresora(Impresoras&) override { return true; }
    QString salidaPdf(const QString&, const QString& nombrePdf) override {
        return carpetaPdf_ + u'/' + nombrePdf;
    }
    bool confirmaBorrado(const QString&) override { return false; }

  private:
    QString carpetaPdf_;
};
