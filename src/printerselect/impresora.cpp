#include "printerselect/impresora.h"
#include "printing/printer_device.h"
#include "shared/error.h"
#include "shared/messages.h"
#include "shared/twips.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFont>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QToolButton>

namespace {
const QString kVertical = QStringLiteral("Vertical");
const QString kHorizontal = QStringLiteral("Horizontal");

void Coloca(QWidget* w, int x, int y, int ancho, int alto) {
    w->setGeometry(Twips(x), Twips(y), Twips(ancho), Twips(alto));
}

QToolButton* Boton(QWidget* padre, const char* nombre, const QString& icono) {
    auto* boton = new QToolButton(padre);
    boton->setObjectName(nombre);
    boton->setIconSize(QSize(32, 32));
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
} // namespace

EleccionImpresora& Eleccion() {
    static EleccionImpresora eleccion;
    return eleccion;
}

Impresora::Impresora(Impresoras& impresoras, QWidget* parent)
    : QDialog(parent), impresoras_(impresoras) {
    Q_INIT_RESOURCE(iconos_impresora);
    setObjectName("Impresora");
    setWindowTitle("  Selección de Impresora");
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon(":/impresora/impresora.svg"));
    setModal(true);
    setFixedSize(Twips(4560), Twips(1920));
    CrearControles();
    Form_Load();
}

void Impresora::CrearControles() {
    MarcoImpresora = new QFrame(this);
    MarcoImpresora->setObjectName("MarcoImpresora");
    MarcoImpresora->setFrameShape(QFrame::StyledPanel);
    Coloca(MarcoImpresora, 120, 0, 4335, 1812);

    Imagen = new QLabel(MarcoImpresora);
    Imagen->setObjectName("Imagen");
    Imagen->setPixmap(QIcon(":/impresora/impresora.svg").pixmap(32, 32));
    Coloca(Imagen, 120, 120, 480, 480);

    Etiqueta = new QLabel("Impresoras", MarcoImpresora);
    Etiqueta->setObjectName("Etiqueta");
    QFont negrita = Etiqueta->font();
    negrita.setBold(true);
    Etiqueta->setFont(negrita);
    Coloca(Etiqueta, 600, 240, 948, 192);
    Etiqueta->adjustSize();

    ListaImpresoras = new QComboBox(MarcoImpresora);
    ListaImpresoras->setObjectName("ListaImpresoras");
    ListaImpresoras->setEditable(false);
    ListaImpresoras->setGeometry(Twips(120), Twips(600), Twips(4095),
                                 ListaImpresoras->sizeHint().height());
    connect(ListaImpresoras, &QComboBox::activated, this, &Impresora::ListaImpresoras_Click);

    cmdAceptar = Boton(MarcoImpresora, "cmdAceptar", ":/impresora/aceptar.svg");
    Coloca(cmdAceptar, 120, 1080, 1575, 492);
    connect(cmdAceptar, &QToolButton::clicked, this, &Impresora::cmdAceptar_Click);

    ModoPapel = Boton(MarcoImpresora, "ModoPapel", {});
    ModoPapel->setToolTip("Papel según Impresora");
    Coloca(ModoPapel, 1800, 960, 735, 735);
    connect(ModoPapel, &QToolButton::clicked, this, &Impresora::ModoPapel_Click);

    cmdCancelar = Boton(MarcoImpresora, "cmdCancelar", ":/impresora/cancelar.svg");
    Coloca(cmdCancelar, 2640, 1080, 1575, 492);
    connect(cmdCancelar, &QToolButton::clicked, this, &Impresora::cmdCancelar_Click);
}

void Impresora::Form_Load() {
    const int indice = IndiceImpresora(impresoras_);
    ListaImpresoras->clear();
    for (int i = 0; i < impresoras_.cuenta(); ++i)
        ListaImpresoras->addItem(impresoras_.nombre(i));
    if (indice < ListaImpresoras->count()) ListaImpresoras->setCurrentIndex(indice);
    ListaImpresoras->setToolTip(impresoras_.nombreActual());
    // The opposite word first: the click step below flips it to the printer's orientation.
    const int orientacion = impresoras_.orientacion();
    tag_ = orientacion == 1 ? kHorizontal : orientacion == 2 ? kVertical : QString();
    ModoPapel_Click();
}

void Impresora::ModoPapel_Click() {
    QString icono;
    if (tag_ == kVertical) {
        icono = ":/impresora/horizontal.svg";
        tag_ = kHorizontal;
    } else if (tag_ == kHorizontal) {
        icono = ":/impresora/vertical.svg";
        tag_ = kVertical;
    } else {
        return;
    }
    ModoPapel->setIcon(QIcon(icono));
    ModoPapel->setToolTip("Papel " + tag_);
}

void Impresora::ListaImpresoras_Click() {
    ListaImpresoras->setToolTip(ListaImpresoras->currentText());
}

void Impresora::cmdAceptar_Click() {
    auto& eleccion = Eleccion();
    eleccion.SeleccionCancelada = false;
    eleccion.ImpresoraElegida = ListaImpresoras->currentText();
    eleccion.OrientacionElegida = tag_;
    accept();
    QCoreApplication::processEvents();
}

void Impresora::cmdCancelar_Click() {
    reject();
    QCoreApplication::processEvents();
}

void Impresora::reject() {
    Eleccion().SeleccionCancelada = true;
    QDialog::reject();
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
bool PonOrientacion(Impresoras& impresoras, int orientacion, QWidget* parent) {
    while (true) {
        try {
            impresoras.ponOrientacion(orientacion);
            return true;
        } catch (const ErrorVelmor& e) {
            const auto respuesta = ServicioMensajes::actual().muestra(
                QMessageBox::Information,
                "Activación Impresora " + Recorta(Eleccion().ImpresoraElegida), e.texto(),
                QMessageBox::Retry | QMessageBox::Cancel, parent);
            if (respuesta != QMessageBox::Retry) return false;
        }
    }
}
} // namespace

bool ElegirImpresora(Impresoras& impresoras, QWidget* parent) {
    {
        Impresora dialogo(impresoras, parent);
        dialogo.exec();
    }
    const auto& eleccion = Eleccion();
    if (eleccion.SeleccionCancelada) return false;
    const QString buscada = Recorta(eleccion.ImpresoraElegida);
    for (int i = 0; i < impresoras.cuenta(); ++i) {
        if (Recorta(impresoras.nombre(i)) != buscada) continue;
        impresoras.hazActual(i);
        if (eleccion.OrientacionElegida == kVertical) return PonOrientacion(impresoras, 1, parent);
        if (eleccion.OrientacionElegida == kHorizontal)
            return PonOrientacion(impresoras, 2, parent);
        return true;
    }
    return true;
}
