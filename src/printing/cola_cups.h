#pragma once

#include "printing/cola_impresion.h"
#include <QString>

// One CUPS queue, talked to with libcups. CUPS_SERVER is honoured. Every call blocks until the
// scheduler answers or the time limit passes, so the window makes them from a thread of their
// own; each call opens its own connection. Failures throw ErrorVelmor with a Spanish message
// that names the queue (missing queue, not accepting jobs, scheduler not running, no permission).
class ColaCups : public ColaImpresion {
  public:
    explicit ColaCups(QString nombre, int segundosLimite = 30);

    QString nombre() const override { return nombre_; }
    int envia(int descriptor, const QString& titulo, int copias) const override;
    EstadoTrabajo consulta(int idTrabajo) const override;

  private:
    QString nombre_;
    int segundosLimite_;
};
