#include "mainwindow/frm_configuracion.h"

#include "shared/codepage.h"
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>

namespace {
// What a DOS user knows a code page by.
QString NombrePagina(const QString& numero) {
    static const QHash<QString, QString> nombres = {
        {"437", "EE. UU."},
        {"850", "Europa occidental"},
        {"852", "Europa central"},
        {"855", "Cirílico"},
        {"857", "Turco"},
        {"858", "Europa occidental con €"},
        {"860", "Portugués"},
        {"861", "Islandés"},
        {"863", "Francés de Canadá"},
        {"865", "Nórdico"},
        {"866", "Ruso"},
        {"869", "Griego"},
        {"1252", "Windows, Europa occidental"},
    };
    const QString nombre = nombres.value(numero);
    return nombre.isEmpty() ? numero : numero + " — " + nombre;
}

QDoubleSpinBox* Milimetros(QWidget* padre, const char* nombre, const QString& accesible,
                           double minimo, double maximo) {
    auto* caja = new QDoubleSpinBox(padre);
    caja->setObjectName(nombre);
    caja->setAccessibleName(accesible);
    caja->setRange(minimo, maximo);
    caja->setDecimals(2);
    caja->setSuffix(" mm");
    return caja;
}
} // namespace

frmConfiguracion::frmConfiguracion(const AjustesImpresion& ajustes, QWidget* parent)
    : QDialog(parent) {
    setObjectName("frmConfiguracion");
    setWindowTitle("Configuración");
    CrearControles();
    Mostrar(ajustes);
}

void frmConfiguracion::CrearControles() {
    PaginaCodigo = new QComboBox(this);
    PaginaCodigo->setObjectName("PaginaCodigo");
    PaginaCodigo->setAccessibleName("Página de códigos DOS");
    for (const QString& pagina : PaginasCodigo::conocidas())
        PaginaCodigo->addItem(NombrePagina(pagina), pagina);
    if (PaginasCodigo::fijadaPorEntorno()) {
        PaginaCodigo->setEnabled(false);
        PaginaCodigo->setToolTip("La fija la variable VELMOR_CP_DOS (" +
                                 PaginasCodigo::paginaDosConfigurada() + ")");
    }

    PapelElegido = new QComboBox(this);
    PapelElegido->setObjectName("Papel");
    PapelElegido->setAccessibleName("Papel");
    PapelElegido->addItems(NombresPapel());
    AnchoPapel = Milimetros(this, "AnchoPapel", "Ancho del papel", 20, 2000);
    AltoPapel = Milimetros(this, "AltoPapel", "Alto del papel", 20, 2000);
    auto* medida = new QHBoxLayout;
    medida->addWidget(AnchoPapel);
    medida->addWidget(new QLabel("×", this));
    medida->addWidget(AltoPapel);
    connect(PapelElegido, &QComboBox::currentIndexChanged, this, &frmConfiguracion::Papel_Change);

    const char* nombres[4] = {"MargenIzquierdo", "MargenArriba", "MargenDerecho", "MargenAbajo"};
    const QString textos[4] = {"Izquierda", "Arriba", "Derecha", "Abajo"};
    auto* margenes = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        Margenes[i] = Milimetros(this, nombres[i], "Margen " + textos[i].toLower(), 0, 200);
        margenes->addWidget(new QLabel(textos[i], this), i / 2, (i % 2) * 2);
        margenes->addWidget(Margenes[i], i / 2, (i % 2) * 2 + 1);
    }

    Lineas = new QSpinBox(this);
    Lineas->setObjectName("Lineas");
    Lineas->setAccessibleName("Líneas por página");
    Lineas->setRange(1, 32767);

    ModeloEpson = new QComboBox(this);
    ModeloEpson->setObjectName("ModeloEpson");
    ModeloEpson->setAccessibleName("Impresora Epson");
    ModeloEpson->addItems({"24 agujas (ESC/P2)", "9 agujas (ESC/P)"});

    auto* botones = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(botones, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(botones, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* formulario = new QFormLayout;
    formulario->addRow("Página de códigos &DOS", PaginaCodigo);
    formulario->addRow("&Papel", PapelElegido);
    formulario->addRow("Medida del papel", medida);
    formulario->addRow("Márgenes", margenes);
    formulario->addRow("&Líneas por página", Lineas);
    formulario->addRow("Impresora &Epson", ModeloEpson);
    auto* ventana = new QVBoxLayout(this);
    ventana->addLayout(formulario);
    ventana->addWidget(botones);
    ventana->setSizeConstraint(QLayout::SetFixedSize);
}

void frmConfiguracion::Mostrar(const AjustesImpresion& a) {
    margenes_ = a.margenesMm;
    int pagina = PaginaCodigo->findData(a.paginaCodigo);
    if (pagina < 0) { // a name iconv knows by another spelling ("IBM437"): offered as it is
        PaginaCodigo->addItem(a.paginaCodigo, a.paginaCodigo);
        pagina = PaginaCodigo->count() - 1;
    }
    PaginaCodigo->setCurrentIndex(pagina);
    PapelElegido->setCurrentIndex(int(a.papel));
    medidaPropia_ = a.medidaMm.isValid() ? a.medidaMm : QSizeF(210, 297);
    AnchoPapel->setValue(medidaPropia_.width());
    AltoPapel->setValue(medidaPropia_.height());
    const double margenes[4] = {a.margenesMm.left(), a.margenesMm.top(), a.margenesMm.right(),
                                a.margenesMm.bottom()};
    for (int i = 0; i < 4; ++i)
        Margenes[i]->setValue(margenes[i]);
    Lineas->setValue(a.lineas);
    ModeloEpson->setCurrentIndex(a.agujas == 9 ? 1 : 0);
    Papel_Change();
}

// The measure is the user's only for a paper of their own; a paper of a fixed size shows its
// own, and the user's comes back with their paper.
void frmConfiguracion::Papel_Change() {
    if (AnchoPapel->isEnabled()) medidaPropia_ = QSizeF(AnchoPapel->value(), AltoPapel->value());
    const auto papel = ClasePapel(PapelElegido->currentIndex());
    const bool propia = papel == ClasePapel::Personalizado;
    const QSizeF medida = MedidaPapelMm(papel).value_or(medidaPropia_);
    AnchoPapel->setValue(medida.width());
    AltoPapel->setValue(medida.height());
    AnchoPapel->setEnabled(propia);
    AltoPapel->setEnabled(propia);
}

AjustesImpresion frmConfiguracion::Ajustes() const {
    AjustesImpresion a;
    a.paginaCodigo = PaginaCodigo->currentData().toString();
    a.papel = ClasePapel(PapelElegido->currentIndex());
    if (a.papel == ClasePapel::Personalizado)
        a.medidaMm = QSizeF(AnchoPapel->value(), AltoPapel->value());
    // A margin the user left as shown keeps its exact value (the boxes show two decimals).
    const double antes[4] = {margenes_.left(), margenes_.top(), margenes_.right(),
                             margenes_.bottom()};
    double mm[4];
    for (int i = 0; i < 4; ++i)
        mm[i] = qFuzzyCompare(Margenes[i]->value(),
                              Margenes[i]->valueFromText(Margenes[i]->textFromValue(antes[i])))
                    ? antes[i]
                    : Margenes[i]->value();
    a.margenesMm = QMarginsF(mm[0], mm[1], mm[2], mm[3]);
    a.lineas = Lineas->value();
    a.agujas = ModeloEpson->currentIndex() == 1 ? 9 : 24;
    return a;
}
