#include "printerselect/impresora.h"
#include "shared/error.h"
#include "shared/messages.h"
#include "shared/tamanos_fuente.h"

#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QToolButton* Boton(QWidget* padre, const char* nombre, const QString& accesible,
                   const QString& icono) {
    auto* boton = new QToolButton(padre);
    boton->setObjectName(nombre);
    boton->setAccessibleName(accesible);
    const int lado = LadoIcono(boton->fontMetrics());
    boton->setIconSize(QSize(lado, lado));
    if (!icono.isEmpty()) boton->setIcon(QIcon(icono));
    return boton;
}

// Blanks at both ends only, as printer names are compared.
QString Recorta(const QString& nombre) {
    qsizetype inicio = 0, fin = nombre.size();
    while (inicio < fin && nombre[inicio] == u' ')
        ++inicio;
    while (fin > inicio && nombre[fin - 1] == u' ')
        --fin;
    return nombre.mid(inicio, fin - inicio);
}

QString Palabra(Orientacion orientacion) {
    switch (orientacion) {
    case Orientacion::Vertical:
        return QStringLiteral("Vertical");
    case Orientacion::Horizontal:
        return QStringLiteral("Horizontal");
    case Orientacion::SegunImpresora:
        break;
    }
    return QString();
}
} // namespace

Impresora::Impresora(Impresoras& impresoras, QWidget* parent)
    : QDialog(parent), impresoras_(impresoras) {
    Q_INIT_RESOURCE(iconos_impresora);
    setObjectName("Impresora");
    setWindowTitle("  Selección de Impresora");
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(":/impresora/impresora.svg"));
    setModal(true);
    CrearControles();
    Form_Load();
}

// The frame holds the printer picture and caption, the list, and under it the accept, paper and
// cancel buttons; the window takes the size its contents ask for and cannot be resized.
void Impresora::CrearControles() {
    const QFontMetrics letra = fontMetrics();
    MarcoImpresora = new QFrame(this);
    MarcoImpresora->setObjectName("MarcoImpresora");
    MarcoImpresora->setFrameShape(QFrame::StyledPanel);

    Imagen = new QLabel(MarcoImpresora);
    Imagen->setObjectName("Imagen");
    Imagen->setPixmap(QIcon(":/impresora/impresora.svg").pixmap(LadoIcono(letra)));
    Etiqueta = new QLabel("Impresoras", MarcoImpresora);
    Etiqueta->setObjectName("Etiqueta");
    QFont negrita = Etiqueta->font();
    negrita.setBold(true);
    Etiqueta->setFont(negrita);

    ListaImpresoras = new QComboBox(MarcoImpresora);
    ListaImpresoras->setObjectName("ListaImpresoras");
    ListaImpresoras->setAccessibleName("Lista de impresoras");
    Etiqueta->setBuddy(ListaImpresoras);
    ListaImpresoras->setEditable(false);
    ListaImpresoras->setMinimumWidth(AnchoLetras(letra, 46));
    // A long name does not widen the dialog: the tooltip shows it whole.
    ListaImpresoras->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(ListaImpresoras, &QComboBox::activated, this, &Impresora::ListaImpresoras_Click);

    cmdAceptar = Boton(MarcoImpresora, "cmdAceptar", "Aceptar", ":/impresora/aceptar.svg");
    ModoPapel = Boton(MarcoImpresora, "ModoPapel", "Orientación del papel", {});
    ModoPapel->setToolTip("Papel según Impresora");
    cmdCancelar = Boton(MarcoImpresora, "cmdCancelar", "Cancelar", ":/impresora/cancelar.svg");
    const int lado = LadoBoton(letra);
    ModoPapel->setFixedSize(lado, lado);
    for (QToolButton* b : {cmdAceptar, cmdCancelar})
        b->setFixedSize(AnchoLetras(letra, 17), lado * 3 / 4);
    connect(cmdAceptar, &QToolButton::clicked, this, &Impresora::cmdAceptar_Click);
    connect(ModoPapel, &QToolButton::clicked, this, &Impresora::ModoPapel_Click);
    connect(cmdCancelar, &QToolButton::clicked, this, &QDialog::reject);

    auto* titulo = new QHBoxLayout;
    titulo->addWidget(Imagen);
    titulo->addWidget(Etiqueta);
    titulo->addStretch();
    auto* botones = new QHBoxLayout;
    botones->addWidget(cmdAceptar, 0, Qt::AlignVCenter);
    botones->addStretch();
    botones->addWidget(ModoPapel, 0, Qt::AlignVCenter);
    botones->addStretch();
    botones->addWidget(cmdCancelar, 0, Qt::AlignVCenter);
    auto* marco = new QVBoxLayout(MarcoImpresora);
    marco->addLayout(titulo);
    marco->addWidget(ListaImpresoras);
    marco->addLayout(botones);

    auto* ventana = new QVBoxLayout(this);
    ventana->setContentsMargins(letra.averageCharWidth(), 0, letra.averageCharWidth(),
                                letra.averageCharWidth() / 2);
    ventana->addWidget(MarcoImpresora);
    ventana->setSizeConstraint(QLayout::SetFixedSize);
}

void Impresora::Form_Load() {
    const int indice = IndiceImpresora(impresoras_);
    ListaImpresoras->clear();
    for (int i = 0; i < impresoras_.cuenta(); ++i)
        ListaImpresoras->addItem(impresoras_.nombre(i));
    if (indice < ListaImpresoras->count()) ListaImpresoras->setCurrentIndex(indice);
    ListaImpresoras->setToolTip(impresoras_.nombreActual());
    // The opposite first: the click step below turns it into the printer's orientation.
    switch (impresoras_.orientacion()) {
    case Orientacion::Vertical:
        orientacion_ = Orientacion::Horizontal;
        break;
    case Orientacion::Horizontal:
        orientacion_ = Orientacion::Vertical;
        break;
    case Orientacion::SegunImpresora:
        orientacion_ = Orientacion::SegunImpresora;
        break;
    }
    ModoPapel_Click();
}

void Impresora::ModoPapel_Click() {
    QString icono;
    if (orientacion_ == Orientacion::Vertical) {
        icono = ":/impresora/horizontal.svg";
        orientacion_ = Orientacion::Horizontal;
    } else if (orientacion_ == Orientacion::Horizontal) {
        icono = ":/impresora/vertical.svg";
        orientacion_ = Orientacion::Vertical;
    } else {
        return;
    }
    ModoPapel->setIcon(QIcon(icono));
    ModoPapel->setToolTip("Papel " + Palabra(orientacion_));
}

void Impresora::ListaImpresoras_Click() {
    ListaImpresoras->setToolTip(ListaImpresoras->currentText());
}

void Impresora::cmdAceptar_Click() {
    impresoraElegida_ = ListaImpresoras->currentText();
    orientacionElegida_ = orientacion_;
    accept();
}

void Impresora::keyPressEvent(QKeyEvent* event) {
    const bool intro = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!intro || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QDialog::keyPressEvent(event);
        return;
    }
    (focusWidget() == cmdCancelar ? cmdCancelar : cmdAceptar)->click();
}

int IndiceImpresora(const Impresoras& impresoras) {
    const QString actual = impresoras.nombreActual();
    const int cuenta = impresoras.cuenta();
    for (int i = 0; i < cuenta; ++i)
        if (impresoras.nombre(i) == actual) return i;
    return 0;
}

namespace {
// Sets the orientation on the current printer, asking Retry/Cancel for as long as it refuses.
bool PonOrientacion(Impresoras& impresoras, Orientacion orientacion, const QString& impresora,
                    QWidget* parent) {
    while (true) {
        try {
            impresoras.ponOrientacion(orientacion);
            return true;
        } catch (const ErrorVelmor& e) {
            const auto respuesta = ServicioMensajes::actual().muestra(
                QMessageBox::Information, "Activación Impresora " + impresora, e.texto(),
                QMessageBox::Retry | QMessageBox::Cancel, parent);
            if (respuesta != QMessageBox::Retry) return false;
        }
    }
}
} // namespace

bool ElegirImpresora(Impresoras& impresoras, QWidget* parent) {
    QString elegida;
    Orientacion orientacion = Orientacion::SegunImpresora;
    {
        Impresora dialogo(impresoras, parent);
        if (dialogo.exec() != QDialog::Accepted) return false;
        elegida = Recorta(dialogo.ImpresoraElegida());
        orientacion = dialogo.OrientacionElegida();
    }
    for (int i = 0; i < impresoras.cuenta(); ++i) {
        if (Recorta(impresoras.nombre(i)) != elegida) continue;
        impresoras.hazActual(i);
        if (orientacion == Orientacion::SegunImpresora) return true;
        return PonOrientacion(impresoras, orientacion, elegida, parent);
    }
    return true;
}
