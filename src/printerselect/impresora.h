#pragma once

#include "printing/dispositivo_impresora.h"
#include <QDialog>
#include <QString>

class Impresoras;
class QComboBox;
class QFrame;
class QLabel;
class QToolButton;

// The printer and paper orientation dialog. exec() gives Accepted when the user accepted its
// choice (the accept button), Rejected otherwise (the cancel button, Esc or the close box).
class Impresora : public QDialog {
    Q_OBJECT
  public:
    explicit Impresora(Impresoras& impresoras, QWidget* parent = nullptr);

    // What was accepted: the name the list showed and the orientation the paper button showed.
    // Empty and SegunImpresora until the user accepts.
    QString ImpresoraElegida() const { return impresoraElegida_; }
    Orientacion OrientacionElegida() const { return orientacionElegida_; }

  protected:
    // Enter accepts, as a dialog's default button would (the buttons are tool buttons, which
    // cannot be one), unless the cancel button has the focus; Esc cancels (QDialog's own).
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void CrearControles();
    void Form_Load();
    void ModoPapel_Click();
    void ListaImpresoras_Click();
    void cmdAceptar_Click();

    Impresoras& impresoras_;
    Orientacion orientacion_ = Orientacion::SegunImpresora;
    QString impresoraElegida_;
    Orientacion orientacionElegida_ = Orientacion::SegunImpresora;

    QFrame* MarcoImpresora = nullptr;
    QLabel* Imagen = nullptr;
    QLabel* Etiqueta = nullptr;
    QComboBox* ListaImpresoras = nullptr;
    QToolButton* cmdAceptar = nullptr;
    QToolButton* ModoPapel = nullptr;
    QToolButton* cmdCancelar = nullptr;
};

// Position of the current printer among the installed ones (first equal name), 0 when none.
int IndiceImpresora(const Impresoras& impresoras);

// Shows the dialog and makes the choice current. False when the user cancelled or gave up after a
// printer refused the orientation; true otherwise (also when the chosen name is no longer listed).
bool ElegirImpresora(Impresoras& impresoras, QWidget* parent = nullptr);
