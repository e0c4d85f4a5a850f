#pragma once

#include "shared/error.h"
#include <QDialog>
#include <QString>

class QTextEdit;

// The full-screen preview window and its rich-text conversion CargarRTF.
//
// Entry point for the main window's preview button:
//     frmPrtVer::Mostrar(carpeta, fichero, chkRavendot->checkState() != Qt::Unchecked, Titulo,
//     this);
// It builds a new window, loads it, shows it modally until Esc or the close box, and destroys it.
// When the load fails (file unreadable, malformed tag line) no preview is shown; a critical
// message box titled `titulo` names the file, the line and the cause instead.
class frmPrtVer : public QDialog {
    Q_OBJECT

  public:
    explicit frmPrtVer(QWidget* parent = nullptr);

    // The whole preview: load, then modal display, then the window is destroyed. Returns true
    // when the preview was shown, false when the load failed and the message box was shown.
    static bool Mostrar(const QString& carpeta, const QString& fichero, bool dosMode,
                        const QString& titulo, QWidget* parent = nullptr);

    // Load step: path, caption, placement and size from the screen, navy colour,
    // then CargarRTF. Throws the ErrorVelmor of CargarRTF; the window is then not to be shown.
    void Cargar(const QString& carpeta, const QString& fichero, bool dosMode);

    // Fills the (empty) box from the PRT file. Throws ErrorVelmor when the file cannot
    // be read or a line is malformed; the box is then left hidden with the lines inserted so far.
    // The file is closed on every path.
    void CargarRTF(const QString& ruta, bool dosMode);

    // carpeta + "/" + fichero; the separator is always added, so the root folder "/" gives "//x".
    static QString RutaDe(const QString& carpeta, const QString& fichero);
    // "Visualizando [" + ruta + "]   Para terminar visualización pulse [Esc]o cierre con [X]"
    static QString TituloDe(const QString& ruta);

    QTextEdit* rtfVisor() const { return rtfVisor_; }
    const QString& ruta() const { return ruta_; }

    // The box's base size and the text colour.
    static constexpr double TamanoBase = 9.75;
    static QColor ColorTexto();

  protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

  private:
    void OcuparPantalla();
    void AlargarReglas();

    QTextEdit* rtfVisor_;
    QString ruta_;
};
