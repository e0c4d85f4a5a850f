#include "preview/frm_prt_ver.h"

#include "preview/hojas_pdf.h"

#include "markup/interprete_prt.h"
#include "preview/salida_visor.h"
#include "preview/vista_paginas.h"
#include "shared/messages.h"
#include "shared/nombres_fichero.h"
#include "shared/version.h"
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QtMath>

namespace {

// Closes the edit block on every path, so that the document stays consistent after an error.
class BloqueEdicion {
  public:
    explicit BloqueEdicion(QTextCursor& cursor) : cursor_(cursor) { cursor_.beginEditBlock(); }
    ~BloqueEdicion() { cursor_.endEditBlock(); }
    BloqueEdicion(const BloqueEdicion&) = delete;
    BloqueEdicion& operator=(const BloqueEdicion&) = delete;

  private:
    QTextCursor& cursor_;
};

const QString kClaveVista = QStringLiteral("visor/vista");
const QString kVistaPaginas = QStringLiteral("paginas"), kVistaTexto = QStringLiteral("texto");

} // namespace

PaginaImpresora PaginaImpresora::PorDefecto() {
    return {Papel(), 66};
}

QColor frmPrtVer::ColorTexto() {
    return QColor(0, 0, 128);
}

frmPrtVer::frmPrtVer(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      rtfVisor_(new QTextEdit(this)), vistaPaginas_(new VistaPaginas(this)),
      pila_(new QStackedWidget(this)), cmdVista_(new QPushButton(this)), titulo_(TituloVelmor()) {
    setObjectName(QStringLiteral("frmPrtVer"));
    setModal(true);
    setSizeGripEnabled(false);

    rtfVisor_->setObjectName(QStringLiteral("rtfVisor"));
    // Design-time base font of the box: "Courier" 9.75 pt; CargarRTF replaces the name.
    QFont base(QStringLiteral("Courier"));
    base.setPointSizeF(TamanoBase);
    rtfVisor_->setFont(base);
    rtfVisor_->document()->setDefaultFont(base);
    rtfVisor_->setAcceptRichText(false);
    rtfVisor_->setUndoRedoEnabled(false); // read-only: no undo stack for 66,000-line files
    // One box line per file line, columns kept; the box's width is the document's (AlargarReglas).
    rtfVisor_->setLineWrapMode(QTextEdit::FixedPixelWidth);
    rtfVisor_->setWordWrapMode(QTextOption::NoWrap);
    rtfVisor_->setReadOnly(true);
    // After setReadOnly, which resets the flags: a visible caret that moves by keyboard.
    rtfVisor_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    rtfVisor_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Always there: the button that switches to the pages sits at its end.
    rtfVisor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    rtfVisor_->installEventFilter(this);
    setFocusProxy(rtfVisor_);

    // The view fills the window, with a thin margin as a frame; the button that switches views
    // sits at the start of the view's horizontal scroll bar.
    pila_->addWidget(rtfVisor_);
    pila_->addWidget(vistaPaginas_);
    cmdVista_->setObjectName(QStringLiteral("cmdVista"));
    cmdVista_->setFocusPolicy(Qt::NoFocus); // the keys stay with the view
    cmdVista_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    cmdVista_->setFont(QApplication::font()); // not the text box's, where it sits
    connect(cmdVista_, &QPushButton::clicked, this, &frmPrtVer::AlternaVista);
    auto* tecla = new QShortcut(QKeySequence(Qt::Key_F2), this);
    connect(tecla, &QShortcut::activated, this, &frmPrtVer::AlternaVista);
    connect(vistaPaginas_, &VistaPaginas::fallido, this, &frmPrtVer::PaginasFallidas);

    auto* caja = new QVBoxLayout(this);
    caja->setContentsMargins(1, 1, 1, 1);
    caja->addWidget(pila_);
    rtfVisor_->addScrollBarWidget(cmdVista_, Qt::AlignLeft);
    RotulaBoton();
}

frmPrtVer::~frmPrtVer() = default;

// At the top left of the available part of the screen (what the desktop's panels leave), as wide
// as it and as high less the title bar; the user cannot resize it.
void frmPrtVer::OcuparPantalla() {
    QScreen* pantalla = parentWidget() ? parentWidget()->screen() : nullptr;
    if (!pantalla) pantalla = QGuiApplication::primaryScreen();
    if (!pantalla) return;
    const QRect area = pantalla->availableGeometry();
    const int barraTitulo = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    move(area.topLeft());
    setFixedSize(area.width(), qMax(0, area.height() - barraTitulo));
}

QString frmPrtVer::RutaDe(const QString& carpeta, const QString& fichero) {
    return carpeta + QLatin1Char('/') + fichero;
}

QString frmPrtVer::TituloDe(const QString& ruta) {
    return QStringLiteral("Visualizando [") + ruta +
           QStringLiteral("]   Para terminar visualización pulse [Esc]o cierre con [X]");
}

void frmPrtVer::Cargar(const QString& carpeta, const QString& fichero, bool dosMode, Vista vista) {
    // Path and caption.
    ruta_ = RutaDe(carpeta, fichero);
    dosMode_ = dosMode;
    setWindowTitle(TituloDe(NombreVisible(ruta_)));

    // The whole screen, less the room its panels take and the title bar.
    OcuparPantalla();

    // Navy text at the caret; everything CargarRTF inserts takes it.
    rtfVisor_->setTextColor(ColorTexto());

    if (vista == Vista::Paginas) {
        MuestraVista(Vista::Paginas);
        return;
    }
    // Fill the box.
    CargarRTF(ruta_, dosMode);
    textoCargado_ = true;
}

frmPrtVer::Vista frmPrtVer::VistaRecordada() {
    return QSettings().value(kClaveVista).toString() == kVistaPaginas ? Vista::Paginas
                                                                      : Vista::Texto;
}

void frmPrtVer::AlternaVista() {
    const Vista otra = vista_ == Vista::Texto ? Vista::Paginas : Vista::Texto;
    if (!MuestraVista(otra)) return;
    QSettings().setValue(kClaveVista, otra == Vista::Paginas ? kVistaPaginas : kVistaTexto);
}

bool frmPrtVer::MuestraVista(Vista vista) {
    if (vista == Vista::Paginas) {
        if (!paginasPosibles_) return false;
        vistaPaginas_->prepara({ruta_, dosMode_, impresora_.lineasPagina, impresora_.pagina, 8});
    } else if (!textoCargado_) {
        try {
            CargarRTF(ruta_, dosMode_);
            textoCargado_ = true;
        } catch (const ErrorVelmor& error) {
            MuestraError(error);
            return false;
        }
    }
    vista_ = vista;
    const bool paginas = vista == Vista::Paginas;
    pila_->setCurrentWidget(paginas ? static_cast<QWidget*>(vistaPaginas_) : rtfVisor_);
    QAbstractScrollArea* area =
        paginas ? static_cast<QAbstractScrollArea*>(vistaPaginas_->vista()) : rtfVisor_;
    area->addScrollBarWidget(cmdVista_, Qt::AlignLeft);
    cmdVista_->show();
    RotulaBoton();
    pila_->currentWidget()->setFocus();
    return true;
}

// The button says what it shows when pressed.
void frmPrtVer::RotulaBoton() {
    const bool aPaginas = vista_ == Vista::Texto;
    cmdVista_->setText(aPaginas ? QStringLiteral("Ver páginas") : QStringLiteral("Ver texto"));
    cmdVista_->setToolTip(
        aPaginas ? QStringLiteral("Ver las páginas tal como saldrán por la impresora (F2)")
                 : QStringLiteral("Ver el texto del fichero con sus efectos (F2)"));
    cmdVista_->setEnabled(!aPaginas || paginasPosibles_);
}

void frmPrtVer::MuestraError(const ErrorVelmor& error) {
    MostrarError(
        titulo_,
        QStringLiteral("No se puede visualizar el fichero.\n\n") + error.en(ruta_).mensaje(), this);
}

// A file that cannot print has no page view: its error is told and the text is shown instead,
// when it can be; otherwise the preview ends.
void frmPrtVer::PaginasFallidas(const ErrorVelmor& error) {
    paginasPosibles_ = false;
    MuestraError(error);
    if (vista_ == Vista::Paginas) {
        try {
            if (!textoCargado_) CargarRTF(ruta_, dosMode_);
            textoCargado_ = true;
        } catch (const ErrorVelmor&) {
            reject(); // the text cannot be read either: the cause has been told
            return;
        }
        MuestraVista(Vista::Texto);
    }
    RotulaBoton();
    cmdVista_->setToolTip(QStringLiteral("Las páginas no se pueden mostrar: el fichero no se "
                                         "puede imprimir"));
}

void frmPrtVer::CargarRTF(const QString& ruta, bool dosMode) {
    // Hidden while filled: no repaint per insertion.
    rtfVisor_->hide();
    // The base font of the box; the size stays.
    const QString base = InterpretePrt(PerfilLector::Visor(), dosMode).fuenteBase();
    QFont fuenteBase = rtfVisor_->document()->defaultFont();
    fuenteBase.setFamilies(QStringList{base});
    rtfVisor_->setFont(fuenteBase);

    // The insertion format: the box's current one (the colour of the load step) with the base
    // font and the box's own size.
    QTextCharFormat formato = rtfVisor_->currentCharFormat();
    formato.setFontFamilies(QStringList{base});
    formato.setFontPointSize(fuenteBase.pointSizeF() > 0 ? fuenteBase.pointSizeF() : TamanoBase);
    formato.setFontWeight(QFont::Normal);
    formato.setFontItalic(false);
    formato.setFontUnderline(false);

    // The box's new, empty document. It is filled with no layout attached at all (a layout is
    // only created when the box takes the document, below), so that inserting 66,000 lines does
    // not lay them out one by one; the box then lays the text out incrementally, visible part
    // first. The box stays hidden while it is filled, and more: layout is suspended too.
    auto* documento = new QTextDocument(rtfVisor_);
    documento->setUndoRedoEnabled(false);
    documento->setDefaultFont(fuenteBase);
    // Hands the document to the box on every path: on an error the box keeps, hidden, the lines
    // inserted so far.
    struct Entrega {
        QTextEdit* caja;
        QTextDocument* documento;
        ~Entrega() {
            if (caja->document() == documento) return;
            caja->setDocument(documento);
            documento->setDefaultFont(caja->font());
        }
    } entrega{rtfVisor_, documento};

    QTextCursor cursor(documento); // the caret at which every insertion is made
    cursor.setBlockCharFormat(formato);
    SalidaVisor salida(cursor, formato);
    {
        BloqueEdicion bloque(cursor);
        InterpretePrt(PerfilLector::Visor(), dosMode).interpreta(ruta, salida);
    }
    // Once the box has taken the document: the caret at the top, the box shown.
    rtfVisor_->setDocument(documento);
    documento->setDefaultFont(fuenteBase);
    rtfVisor_->setTextCursor(QTextCursor(documento));
    rtfVisor_->show();
}

// The box does not wrap lines, and a document laid out without a width gives a rule's
// percentage nothing to take (it drew a dot): the document is given the width of the box, or of
// its widest line when that is wider, whenever the box takes its size; lines still never wrap.
void frmPrtVer::AlargarReglas() {
    QTextDocument* documento = rtfVisor_->document();
    // The room a vertical scroll bar may take is left out.
    const int caja = rtfVisor_->maximumViewportSize().width() -
                     style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, rtfVisor_);
    const int ancho = qMax(caja, qCeil(documento->idealWidth()));
    if (rtfVisor_->lineWrapColumnOrWidth() == ancho) return;
    rtfVisor_->setLineWrapColumnOrWidth(ancho);
}

bool frmPrtVer::Mostrar(const QString& carpeta, const QString& fichero, bool dosMode,
                        const QString& titulo, QWidget* parent, const PaginaImpresora& impresora) {
    frmPrtVer ventana(parent);
    ventana.ponTitulo(titulo);
    ventana.ponImpresora(impresora);
    QString causa;
    try {
        ventana.Cargar(carpeta, fichero, dosMode, VistaRecordada());
    } catch (const ErrorVelmor& error) {
        causa = error.en(ventana.ruta()).mensaje();
    } catch (const std::bad_alloc&) {
        causa = QStringLiteral("No queda memoria para mostrar el fichero «%1»")
                    .arg(NombreVisible(ventana.ruta()));
    }
    if (!causa.isNull()) {
        MostrarError(titulo, QStringLiteral("No se puede visualizar el fichero.\n\n") + causa,
                     parent);
        return false;
    }
    ventana.exec();
    return true;
}

bool frmPrtVer::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == rtfVisor_ && evento->type() == QEvent::Resize) AlargarReglas();
    if (objeto == rtfVisor_ && evento->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(evento)->key() == Qt::Key_Escape) {
        reject(); // hides the window, which ends the modal display
        return true;
    }
    return QDialog::eventFilter(objeto, evento);
}
