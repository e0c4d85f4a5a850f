#pragma once

#include <QDialog>
#include <QString>

class Impresoras;
class QComboBox;
class QFrame;
class QLabel;
class QToolButton;

// What the dialog hands over to ElegirImpresora; lives for the whole run. Accept writes all three,
// cancel (button, Esc or the close box) only SeleccionCancelada.
struct EleccionImpresora {
    QString ImpresoraElegida;
    QString OrientacionElegida; // "Vertical", "Horizontal" or empty
    bool SeleccionCancelada = false;
};
EleccionImpresora& Eleccion();

// The printer and paper orientation dialog.
class Impresora : public QDialog {
    Q_OBJECT
  public:
    explicit Impresora(Impresoras& impresoras, QWidget* parent = nullptr);

    QFrame* MarcoImpresora = nullptr;
    QLabel* Imagen = nullptr;
    QLabel* Etiqueta = nullptr;
    QComboBox* ListaImpresoras = nullptr;
    QToolButton* cmdAceptar = nullptr;
    QToolButton* ModoPapel = nullptr;
    QToolButton* cmdCancelar = nullptr;

    // The orientation word the paper button holds ("Vertical", "Horizontal" or empty).
    QString Tag() const { return tag_; }

  public slots:
    void ModoPapel_Click();
    void ListaImpresoras_Click();
    void cmdAceptar_Click();
    void cmdCancelar_Click();

  protected:
    void reject() override; // Esc and the close box cancel

  private:
    void CrearControles();
    void Form_Load();

    Impresoras& impresoras_;
    QString tag_;
};

// Position of the current printer among the installed ones (first equal name), 0 when none.
int IndiceImpresora(const Impresoras& impresoras);

// Shows the dialog and makes the choice current. False when the user cancelled or gave up after a
// printer refused the orientation; true otherwise (also when the chosen name is no longer listed).
bool ElegirImpresora(Impresoras& impresoras, QWidget* parent = nullptr);
