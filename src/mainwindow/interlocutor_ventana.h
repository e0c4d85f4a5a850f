#pragma once

#include "printing/trabajo_impresion.h"
#include <functional>

class QWidget;

// The window's answers to a print job's questions: the clipboard, the printer dialog, the save
// dialog of the PDF printer and the delete question, each shown over the window.
class InterlocutorVentana : public InterlocutorTrabajo {
  public:
    explicit InterlocutorVentana(QWidget* ventana) : ventana_(ventana) {}

    // Runs after the user accepted a printer in the dialog (the window remembers it).
    std::function<void()> alElegirImpresora;

    void nombrePdf(const QString& nombre) override;
    bool eligeImpresora(Impresoras& impresoras) override;
    QString salidaPdf(const QString& carpeta, const QString& nombrePdf) override;
    bool confirmaBorrado(const QString& ruta) override;

  private:
    QWidget* ventana_;
};
