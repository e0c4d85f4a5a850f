#pragma once

#include "printing/cola_impresion.h"
#include "shared/papel.h"
#include <QString>
#include <QStringList>
#include <optional>

// One CUPS queue, talked to with libcups, loaded on first use (a missing library is an error of
// the call that needed it, in Spanish). CUPS_SERVER is honoured. Every call blocks until the
// scheduler answers or the time limit passes, so the window makes them from a thread of their
// own; each call opens its own connection. Failures throw ErrorVelmor with a Spanish message
// that names the queue (missing queue, not accepting jobs, scheduler not running, no permission).
class ColaCups : public ColaImpresion {
  public:
    explicit ColaCups(QString nombre, int segundosLimite = 30);

    // The queues the print system offers, as it lists them, and its default one (empty when it
    // has none, no scheduler answers, or libcups is missing).
    static QStringList Colas(QString* predeterminada = nullptr);
    // The paper the queue uses unless told otherwise (portrait); none when it does not say.
    std::optional<Papel> papelPredeterminado() const;

    QString nombre() const override { return nombre_; }
    int envia(int descriptor, const QString& titulo, int copias) const override;
    EstadoTrabajo consulta(int idTrabajo) const override;

  private:
    QString nombre_;
    int segundosLimite_;
};
