#pragma once

#include "printing/ajustes_impresion.h"
#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QSpinBox;

// "Configuración": the print settings the window keeps between runs. exec() gives Accepted with
// the settings in Ajustes() when the user accepts them.
class frmConfiguracion : public QDialog {
    Q_OBJECT
  public:
    explicit frmConfiguracion(const AjustesImpresion& ajustes, QWidget* parent = nullptr);

    AjustesImpresion Ajustes() const;

  private:
    void CrearControles();
    void Mostrar(const AjustesImpresion& ajustes);
    void Papel_Change();

    QComboBox* PaginaCodigo = nullptr;
    QComboBox* PapelElegido = nullptr;
    QDoubleSpinBox* AnchoPapel = nullptr;
    QDoubleSpinBox* AltoPapel = nullptr;
    QDoubleSpinBox* Margenes[4] = {}; // left, top, right, bottom
    QSpinBox* Lineas = nullptr;
    QComboBox* ModeloEpson = nullptr;
    QMarginsF margenes_;  // as shown at first
    QSizeF medidaPropia_; // the user's own paper, while another paper is shown
};
