#pragma once

#include "shared/error.h"
#include "shared/papel.h"
#include <QDialog>
#include <QString>

class QPushButton;
class QStackedWidget;
class QTextEdit;
class VistaPaginas;

// What the page view needs of the current printer: its paper and the lines of a page.
struct PaginaImpresora {
    Papel pagina;
    int lineasPagina = 66;
    // The built-in PDF printer's: A4 portrait.
    static PaginaImpresora PorDefecto();
};

// The full-screen preview window and its rich-text conversion CargarRTF.
//
// Entry point for the main window's preview button:
//     frmPrtVer::Mostrar(carpeta, fichero, chkRavendot->checkState() != Qt::Unchecked, Titulo,
//     this);
// It builds a new window, loads it, shows it modally until Esc or the close box, and destroys it.
// When the load fails (file unreadable, malformed tag line) no preview is shown; a critical
// message box titled `titulo` names the file, the line and the cause instead.
//
// Beside the text view the window has a page view (VistaPaginas): the pages the current printer
// would get. The button at the start of each view's horizontal scroll bar and the key F2 switch
// between them; the window opens in the view the user last switched to (setting "visor/vista";
// the text view the first time). The text view is only filled when it is first shown, so that
// opening on the pages costs no more than the pages. A file that cannot print shows its error,
// and no page view.
class frmPrtVer : public QDialog {
    Q_OBJECT

  public:
    enum class Vista { Texto, Paginas };

    explicit frmPrtVer(QWidget* parent = nullptr);
    ~frmPrtVer() override;

    // The whole preview: load, then modal display, then the window is destroyed. Returns true
    // when the preview was shown, false when the load failed and the message box was shown.
    static bool Mostrar(const QString& carpeta, const QString& fichero, bool dosMode,
                        const QString& titulo, QWidget* parent = nullptr,
                        const PaginaImpresora& impresora = PaginaImpresora::PorDefecto());

    // Load step: path, caption, placement and size from the screen, navy colour, then the view:
    // CargarRTF for the text, or the pages begin to be made. Throws the ErrorVelmor of CargarRTF;
    // the window is then not to be shown.
    void Cargar(const QString& carpeta, const QString& fichero, bool dosMode,
                Vista vista = Vista::Texto);
    // The printer whose pages the page view shows (before Cargar).
    void ponImpresora(const PaginaImpresora& impresora) { impresora_ = impresora; }
    void ponTitulo(const QString& titulo) { titulo_ = titulo; }

    // Shows that view, filling it first if needed. False when it cannot be shown (the file
    // cannot print, or its text cannot be read); the error has then been shown.
    bool MuestraVista(Vista vista);
    // The other view, remembered for the next preview.
    void AlternaVista();
    Vista vista() const { return vista_; }
    static Vista VistaRecordada();

    // Fills the (empty) box from the PRT file. Throws ErrorVelmor when the file cannot
    // be read or a line is malformed; the box is then left hidden with the lines inserted so far.
    // The file is closed on every path.
    void CargarRTF(const QString& ruta, bool dosMode);

    // carpeta + "/" + fichero; the separator is always added, so the root folder "/" gives "//x".
    static QString RutaDe(const QString& carpeta, const QString& fichero);
    // "Visualizando [" + ruta + "]   Para terminar visualización pulse [Esc]o cierre con [X]"
    static QString TituloDe(const QString& ruta);

    QTextEdit* rtfVisor() const { return rtfVisor_; }
    VistaPaginas* vistaPaginas() const { return vistaPaginas_; }
    QPushButton* cmdVista() const { return cmdVista_; }
    const QString& ruta() const { return ruta_; }

    // The box's base size and the text colour.
    static constexpr double TamanoBase = 9.75;
    static QColor ColorTexto();

  protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

  private:
    void OcuparPantalla();
    void PaginasFallidas(const ErrorVelmor& error);
    void MuestraError(const ErrorVelmor& error);
    void RotulaBoton();
    void AlargarReglas();

    QTextEdit* rtfVisor_;
    VistaPaginas* vistaPaginas_;
    QStackedWidget* pila_;
    QPushButton* cmdVista_;
    QString ruta_;
    QString titulo_;
    PaginaImpresora impresora_ = PaginaImpresora::PorDefecto();
    bool dosMode_ = false;
    bool textoCargado_ = false;
    bool paginasPosibles_ = true; // false once the file failed to print
    Vista vista_ = Vista::Texto;
};
