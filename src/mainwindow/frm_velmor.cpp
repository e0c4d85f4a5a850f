#include "mainwindow/frm_velmor.h"
#include "preview/frm_prt_ver.h"

#include "mainwindow/ajustes_velmor.h"
#include "mainwindow/arbol_carpetas.h"
#include "mainwindow/carpeta_inicio.h"
#include "mainwindow/delegado_recortado.h"
#include "mainwindow/desplegable_rutas.h"
#include "mainwindow/frm_configuracion.h"
#include "mainwindow/linea_estado.h"
#include "mainwindow/modulo_prt.h"
#include "mainwindow/navegador_prt.h"
#include "printing/dispositivo_impresora.h"
#include "printing/imprimir_prt.h"
#include "shared/codepage.h"
#include "shared/messages.h"
#include "shared/nombres_fichero.h"
#include "shared/paths.h"
#include "shared/tamanos_fuente.h"
#include "shared/version.h"
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileSystemModel>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStorageInfo>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>
#include <cerrno>

static void CargarIconos() {
    Q_INIT_RESOURCE(iconos);
}

namespace {

QIcon Icono(const QString& nombre) {
    return QIcon(":/velmor/icons/" + nombre + ".svg");
}

// A drop-down list whose long entries do not widen the window.
QComboBox* Desplegable(QWidget* padre, const char* nombre, const QString& accesible) {
    auto* lista = new DesplegableRutas(padre);
    lista->setObjectName(nombre);
    lista->setAccessibleName(accesible);
    return lista;
}

// What a drop names: one local ".prt" file or folder, in the lossless form (a file manager's
// URL carries the name's bytes percent-encoded). Empty for anything else.
QString RutaSoltada(const QMimeData* datos) {
    if (!datos || !datos->hasUrls() || datos->urls().size() != 1) return {};
    const QUrl url = datos->urls().first();
    if (!url.isLocalFile()) return {};
    const QString ruta =
        NombreDeBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
    if (ExisteRuta(ruta, true)) return QDir::cleanPath(ruta);
    return ExisteRuta(ruta, false) && EsNombrePrt(BytesDeNombre(NombreDe(ruta))) ? ruta : QString();
}

QString RaizDe(const QString& carpeta) {
    const QStorageInfo volumen(carpeta);
    return volumen.isValid() ? volumen.rootPath() : QDir::rootPath();
}

} // namespace

frmVelmor::frmVelmor(Impresoras& impresoras, EntornoVelmor entorno, QWidget* parent)
    : QWidget(parent), impresoras_(impresoras), entorno_(std::move(entorno)),
      ajustes_(std::make_unique<AjustesVelmor>(entorno_.ficheroAjustes)), avisos_(entorno_.bus),
      interruptores_(Interruptores::De(entorno_.argumentos)),
      navegador_(new NavegadorPrt(entorno_.volumenes, this)) {
    CargarIconos();
    CrearControles();
    Conectar();
    OrdenTabulacion();
    interlocutor_.alElegirImpresora = [this] { RecordarImpresora(); };
    frmPrtVer::RecordarVistaEn(entorno_.ficheroAjustes);
    Form_Load();
    // Where the user left the window, while a screen still shows that place.
    if (const auto donde = ajustes_->Posicion(); donde && QGuiApplication::screenAt(*donde))
        move(*donde);
}

frmVelmor::~frmVelmor() {
    ModuloPrt::DesengancharVentana(*this);
}

// ---- Controls ----

QPushButton* frmVelmor::CrearBoton(const char* nombre, const QString& accesible,
                                   const QString& icono, const QString& aviso) {
    auto* b = new QPushButton(Frame1);
    b->setObjectName(nombre);
    b->setAccessibleName(accesible);
    b->setIcon(Icono(icono));
    const int lado = LadoIcono(fontMetrics());
    b->setIconSize(QSize(lado, lado));
    b->setToolTip(aviso);
    b->setAutoDefault(false);
    b->setFixedSize(LadoBoton(fontMetrics()), LadoBoton(fontMetrics()));
    return b;
}

// The window is the list with its buttons, and beside them the search panel that cmdCarpeta
// shows and hides; the window always takes the size its contents ask for.
void frmVelmor::CrearControles() {
    setObjectName("frmVelmor");
    setWindowTitle("Velmor");
    setWindowIcon(Icono("velmor"));
    setAcceptDrops(true);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    auto* ventana = new QHBoxLayout(this);
    ventana->setSizeConstraint(QLayout::SetFixedSize);
    ventana->addWidget(CrearListaYBotones());
    ventana->addWidget(CrearPanelBusqueda());
}

QWidget* frmVelmor::CrearListaYBotones() {
    auto* parte = new QWidget(this);
    const QFontMetrics letra = fontMetrics();
    Label1 = new QLabel("Auxiliar de impresión archivos PRT", parte);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    QFont negrita = Label1->font();
    negrita.setBold(true);
    Label1->setFont(negrita);

    FicherosPRT = new QListWidget(parte);
    FicherosPRT->setObjectName("FicherosPRT");
    FicherosPRT->setAccessibleName("Ficheros PRT");
    FicherosPRT->setSelectionMode(QAbstractItemView::SingleSelection);
    // A name wider than the list is shortened in its middle; its tooltip shows it whole.
    FicherosPRT->setTextElideMode(Qt::ElideMiddle);
    FicherosPRT->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FicherosPRT->setItemDelegate(new DelegadoRecortado(FicherosPRT));
    FicherosPRT->setMinimumWidth(AnchoLetras(letra, 34));

    Frame1 = new QFrame(parte);
    Frame1->setObjectName("Frame1");
    Frame1->setFrameShape(QFrame::StyledPanel);
    cmdAceptar =
        CrearBoton("cmdAceptar", "Imprimir", "aceptar", "Imprimir seleccionando Impresora");
    cmdVisor = CrearBoton("cmdVisor", "Previsualizar", "visor", "Previsualizar fichero");
    cmdBorrar = CrearBoton("cmdBorrar", "Eliminar", "borrar", "Eliminar fichero");
    cmdCancelar = CrearBoton("cmdCancelar", "Salir", "cancelar", "Salir del programa");
    cmdCarpeta = CrearBoton("cmdCarpeta", "Buscar carpeta", "buscar", "Buscar archivos .PRT");
    cmdPrtKill =
        CrearBoton("cmdPrtKill", "Imprimir y borrar", "prtkill", "Imprimir y Borrar directamente");
    chkRavendot = new QCheckBox("MS-Dos", Frame1);
    chkRavendot->setObjectName("chkRavendot");
    chkRavendot->setAccessibleName("MS-Dos");

    auto* botones = new QGridLayout(Frame1);
    botones->addWidget(cmdAceptar, 0, 0);
    botones->addWidget(cmdVisor, 0, 1);
    botones->addWidget(cmdBorrar, 1, 0);
    botones->addWidget(cmdCancelar, 1, 1);
    botones->setRowMinimumHeight(2, letra.height() / 2); // the folder button stands apart
    botones->addWidget(cmdCarpeta, 3, 0);
    botones->addWidget(cmdPrtKill, 3, 1);
    botones->addWidget(chkRavendot, 4, 0, 1, 2, Qt::AlignHCenter);

    // The status line: the version, or the state of a print job; a long state is shortened and
    // shown whole in its tooltip, and never widens the window.
    Label2 = new QLabel(parte);
    Label2->setObjectName("Label2");
    Label2->setAccessibleName("Estado");
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Label2->installEventFilter(this);

    // The settings button closes the status line's row; the keyboard reaches it by Ctrl+, (it
    // stays out of the Tab order of the window's controls).
    cmdConfiguracion = new QToolButton(parte);
    cmdConfiguracion->setObjectName("cmdConfiguracion");
    cmdConfiguracion->setAccessibleName("Configuración");
    cmdConfiguracion->setToolTip("Configuración (Ctrl+,)");
    cmdConfiguracion->setIcon(Icono("configuracion"));
    cmdConfiguracion->setIconSize(QSize(letra.height(), letra.height()));
    cmdConfiguracion->setAutoRaise(true);
    cmdConfiguracion->setFocusPolicy(Qt::NoFocus);
    auto* atajo = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), this);
    connect(atajo, &QShortcut::activated, cmdConfiguracion, &QToolButton::click);
    auto* pie = new QHBoxLayout;
    pie->addSpacing(cmdConfiguracion->sizeHint().width()); // the status stays centred
    pie->addWidget(Label2, 1);
    pie->addWidget(cmdConfiguracion);

    auto* rejilla = new QGridLayout(parte);
    rejilla->setContentsMargins(0, 0, 0, 0);
    rejilla->addWidget(Label1, 0, 0, 1, 2);
    rejilla->addWidget(FicherosPRT, 1, 0);
    rejilla->addWidget(Frame1, 1, 1);
    rejilla->addLayout(pie, 2, 0, 1, 2);
    return parte;
}

QWidget* frmVelmor::CrearPanelBusqueda() {
    panelBusqueda_ = new QWidget(this);
    panelBusqueda_->setObjectName("panelBusqueda");
    panelBusqueda_->setAccessibleName("Búsqueda de carpetas");
    Discos = Desplegable(panelBusqueda_, "Discos", "Volúmenes");

    modeloCarpetas_ = new QFileSystemModel(this);
    modeloCarpetas_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    modeloCarpetas_->setRootPath(QDir::rootPath());
    Carpetas = new ArbolCarpetas(panelBusqueda_);
    Carpetas->setObjectName("Carpetas");
    Carpetas->setAccessibleName("Carpetas");
    Carpetas->setModel(modeloCarpetas_);
    Carpetas->header()->hide();
    // Deep folders keep room for their names.
    Carpetas->setIndentation(AnchoLetras(fontMetrics(), 2));
    for (int c = 1; c < modeloCarpetas_->columnCount(); ++c)
        Carpetas->hideColumn(c);
    Carpetas->viewport()->installEventFilter(this);
    // The tree takes the height the list beside it has; it does not ask for more.
    Carpetas->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);

    DirBasico = Desplegable(panelBusqueda_, "DirBasico", "Carpetas base");

    auto* columna = new QVBoxLayout(panelBusqueda_);
    columna->setContentsMargins(0, 0, 0, 0);
    columna->addWidget(Discos);
    columna->addWidget(Carpetas, 1);
    columna->addWidget(DirBasico);
    panelBusqueda_->setFixedWidth(AnchoLetras(fontMetrics(), 30));
    // Label1 and Label2 stand level with the drop-down lists beside them.
    for (QLabel* etiqueta : {Label1, Label2})
        etiqueta->setMinimumHeight(Discos->sizeHint().height());
    return panelBusqueda_;
}

void frmVelmor::Conectar() {
    connect(FicherosPRT, &QListWidget::itemSelectionChanged, this, &frmVelmor::FicherosPRT_Click);
    connect(cmdAceptar, &QPushButton::clicked, this, &frmVelmor::cmdAceptar_Click);
    connect(cmdVisor, &QPushButton::clicked, this, &frmVelmor::cmdVisor_Click);
    connect(cmdBorrar, &QPushButton::clicked, this, &frmVelmor::cmdBorrar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmVelmor::cmdCancelar_Click);
    connect(cmdCarpeta, &QPushButton::clicked, this, &frmVelmor::cmdCarpeta_Click);
    connect(cmdPrtKill, &QPushButton::clicked, this, &frmVelmor::cmdPrtKill_Click);
    connect(cmdConfiguracion, &QToolButton::clicked, this, &frmVelmor::cmdConfiguracion_Click);
    connect(Discos, &QComboBox::currentIndexChanged, this, &frmVelmor::Discos_Change);
    connect(DirBasico, &QComboBox::activated, this, &frmVelmor::DirBasico_Click);
    // Only the user's own choice in the tree moves the window.
    Carpetas->alElegir = [this](const QModelIndex& indice) { Carpetas_Seleccion(indice); };
    connect(modeloCarpetas_, &QFileSystemModel::rowsInserted, this,
            &frmVelmor::ProgramarVerEnArbol);
    connect(modeloCarpetas_, &QFileSystemModel::rowsRemoved, this, &frmVelmor::ProgramarVerEnArbol);
    connect(modeloCarpetas_, &QFileSystemModel::layoutChanged, this,
            &frmVelmor::ProgramarVerEnArbol);
    connect(modeloCarpetas_, &QFileSystemModel::directoryLoaded, this,
            &frmVelmor::ProgramarVerEnArbol);
    connect(Carpetas->verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this] { seguirEnArbol_ = false; });

    connect(navegador_, &NavegadorPrt::carpetaCambiada, this, &frmVelmor::Carpetas_Change);
    connect(navegador_, &NavegadorPrt::ficherosCambiados, this, &frmVelmor::MostrarFicheros);
    connect(navegador_, &NavegadorPrt::carpetaModificada, this, &frmVelmor::ProgramarRefresco);
    connect(navegador_, &NavegadorPrt::volumenesCambiados, this, &frmVelmor::VolumenesCambiados);
    connect(navegador_, &NavegadorPrt::aviso, this,
            [this](const QString& texto) { MostrarAviso(Titulo, texto, this); });
    // After the user's click on a refused folder the tree itself selects it: the folder shown
    // is highlighted again once that click is over.
    connect(navegador_, &NavegadorPrt::carpetaRechazada, this, [this](const QString& mostrada) {
        QTimer::singleShot(0, this, [this, mostrada] { MostrarEnArbol(mostrada); });
    });
}

// Hidden controls (the closed search panel, disabled buttons) are left out by Tab.
void frmVelmor::OrdenTabulacion() {
    const QList<QWidget*> orden = {FicherosPRT, cmdAceptar, cmdVisor,   cmdBorrar,
                                   cmdCancelar, cmdCarpeta, cmdPrtKill, chkRavendot,
                                   Discos,      Carpetas,   DirBasico};
    for (int i = 1; i < orden.size(); ++i)
        setTabOrder(orden[i - 1], orden[i]);
    FicherosPRT->setFocus();
}

// ---- Start-up and end ----

void frmVelmor::Form_Load() {
    Titulo = TituloVelmor();
    MostrarEstado(QString());
    MostrarBusqueda(false);
    HabilitarBotones(false);
    const CarpetaInicio inicio = InicioRecordado();
    BuscarRavendot();
    ModuloPrt::EngancharVentana(*this);
    navegador_->Arrancar(entorno_.raizVolumen.isEmpty() ? RaizDe(inicio.carpeta)
                                                        : entorno_.raizVolumen,
                         inicio.carpeta);
    LlenarListas();
    VolverAImpresora();
    ActualizarAviso();
    LineasPagina = 66;
    AplicarAjustes(ajustes_->Impresion());
    Visual = true;
    Nombre = "";
    ElegirAlArrancar(inicio);
}

// The start folder the command line names; when it names none, the folder last shown, while it
// is still there.
CarpetaInicio frmVelmor::InicioRecordado() const {
    CarpetaInicio inicio =
        CarpetaInicio::De(entorno_.carpetaPrograma, entorno_.carpetaActual, entorno_.argumentos);
    for (const QString& argumento : entorno_.argumentos)
        if (!Interruptores::Es(argumento)) return inicio;
    const QString recordada = ajustes_->Carpeta();
    if (!recordada.isEmpty() && ExisteRuta(recordada, true)) inicio.carpeta = recordada;
    return inicio;
}

// The print settings from now on. A code page this system's iconv no longer knows is left out:
// the page in force stays.
void frmVelmor::AplicarAjustes(const AjustesImpresion& ajustes) {
    ajustesImpresion_ = ajustes;
    if (PaginasCodigo::De(ajustes.paginaCodigo))
        PaginasCodigo::ponElegida(ajustes.paginaCodigo);
    else
        ajustesImpresion_.paginaCodigo = PaginasCodigo::paginaDosConfigurada();
    LineasPagina = qint16(ajustes.lineas);
}

// The printer chosen last time, in the orientation chosen then, when it is still installed.
void frmVelmor::VolverAImpresora() {
    const QString nombre = ajustes_->Impresora();
    if (nombre.isEmpty()) return;
    try {
        for (int i = 0; i < impresoras_.cuenta(); ++i) {
            if (impresoras_.nombre(i) != nombre) continue;
            impresoras_.hazActual(i);
            const Orientacion orientacion = ajustes_->OrientacionImpresora();
            if (orientacion != Orientacion::SegunImpresora) impresoras_.ponOrientacion(orientacion);
            return;
        }
    } catch (const ErrorVelmor&) {
        // A printer that refuses now prints as it is set; the user may choose again.
    }
}

void frmVelmor::RecordarImpresora() {
    try {
        ajustes_->PonImpresora(impresoras_.nombreActual(), impresoras_.orientacion());
        ajustes_->Guarda();
    } catch (const ErrorVelmor&) {
        // Nothing readable to remember.
    }
}

void frmVelmor::RecordarVentana() {
    ajustes_->PonPosicion(pos());
    ajustes_->PonCarpeta(navegador_->Carpeta());
    ajustes_->Guarda();
}

void frmVelmor::Form_Unload() {
    if (Visual) ModuloPrt::DesengancharVentana(*this);
}

void frmVelmor::BuscarRavendot() {
    chkRavendot->setEnabled(false);
    for (const QString& f : entorno_.fuentes) {
        if (f == QLatin1String("Ravendot")) {
            chkRavendot->setEnabled(true);
            break;
        }
    }
}

void frmVelmor::LlenarListas() {
    const QSignalBlocker bloqueoDiscos(Discos);
    const QSignalBlocker bloqueoBasicas(DirBasico);
    LlenarDiscos();
    DirBasico->addItems(navegador_->Basicas());
    DirBasico->setCurrentIndex(navegador_->BasicaElegida());
    DirBasico->setToolTip(DirBasico->currentText());
}

// The volumes as the browser has them now, the one shown chosen.
void frmVelmor::LlenarDiscos() {
    const QSignalBlocker bloqueo(Discos);
    Discos->clear();
    for (const VolumenPrt& v : navegador_->Volumenes())
        Discos->addItem(v.texto, v.raiz);
    Discos->setCurrentIndex(navegador_->VolumenActual());
    Discos->setToolTip(Discos->currentText());
}

// A volume mounted or unmounted while the program runs. When the one shown has gone, the
// refresh leaves its folder for the last usable one.
void frmVelmor::VolumenesCambiados() {
    LlenarDiscos();
    if (navegador_->VolumenActual() < 0) ProgramarRefresco();
}

// The file named on the command line is chosen in its folder, as if the user had chosen it.
void frmVelmor::ElegirAlArrancar(const CarpetaInicio& inicio) {
    if (!inicio.aviso.isEmpty()) {
        MostrarAviso(Titulo, inicio.aviso, this);
        return;
    }
    if (inicio.fichero.isEmpty() || navegador_->Carpeta() != inicio.carpeta) return;
    const int fila = int(navegador_->Ficheros().indexOf(inicio.fichero));
    if (fila < 0) {
        MostrarAviso(Titulo,
                     "El fichero «" + NombreVisible(inicio.carpeta + u'/' + inicio.fichero) +
                         "» no es un fichero .prt: no se ha elegido.",
                     this);
        return;
    }
    FicherosPRT->setCurrentRow(fila);
}

void frmVelmor::ActualizarAviso() {
    QString impresora;
    try {
        impresora = impresoras_.nombreActual();
    } catch (...) {
        // Without a readable printer the tooltip keeps its designed text.
    }
    cmdPrtKill->setToolTip(impresora.isEmpty() ? "Imprimir y Borrar directamente"
                                               : "Imprimir por " + impresora + " y borrar archivo");
}

void frmVelmor::HabilitarBotones(bool habilitar) {
    for (QPushButton* b : {cmdBorrar, cmdAceptar, cmdPrtKill, cmdVisor})
        b->setEnabled(habilitar);
}

QString frmVelmor::RutaCarpetas() const {
    return navegador_->Carpeta();
}

QString frmVelmor::FileNameFicheros() const {
    const QList<QListWidgetItem*> elegidos = FicherosPRT->selectedItems();
    return elegidos.isEmpty() ? QString() : elegidos.first()->data(Qt::UserRole).toString();
}

bool frmVelmor::BusquedaAbierta() const {
    return !panelBusqueda_->isHidden();
}

// ---- The browser ----

void frmVelmor::DirBasico_Click() {
    navegador_->IrABasica(DirBasico->currentIndex());
}

void frmVelmor::Discos_Change() {
    if (navegador_->IrAVolumen(Discos->currentIndex())) return;
    const QSignalBlocker bloqueo(Discos);
    Discos->setCurrentIndex(navegador_->VolumenActual());
}

void frmVelmor::Carpetas_Seleccion(const QModelIndex& indice) {
    const QString ruta = modeloCarpetas_->filePath(indice);
    if (!ruta.isEmpty() && ruta != navegador_->Carpeta()) navegador_->PonCarpeta(ruta);
}

// Another folder is shown: the tree shows it, its list starts empty and nothing is chosen in it
// (the record keeps the chosen file).
void frmVelmor::Carpetas_Change(const QString& ruta) {
    MostrarEnArbol(ruta);
    {
        const QSignalBlocker bloqueo(FicherosPRT);
        FicherosPRT->clear();
    }
    HabilitarBotones(false);
}

void frmVelmor::MostrarFicheros(const QStringList& nombres) {
    const QSignalBlocker bloqueo(FicherosPRT);
    FicherosPRT->clear();
    for (const QString& nombre : nombres) {
        auto* item = new QListWidgetItem(NombreVisible(nombre), FicherosPRT);
        item->setData(Qt::UserRole, nombre);
        item->setToolTip(item->text());
    }
}

void frmVelmor::FicherosPRT_Click() {
    TomarSeleccion();
    navegador_->Elegir(NombreElegido);
    HabilitarBotones(!NombreElegido.isEmpty());
}

// The file the buttons act on: the shown folder and the list's selected name.
void frmVelmor::TomarSeleccion() {
    const QString nombre = FileNameFicheros();
    Nombre = navegador_->Carpeta() + "/" + nombre;
    NombreElegido = nombre;
}

// Partly ticked counts as ticked, as the check box's value does.
bool frmVelmor::ModoDos() const {
    return chkRavendot->checkState() != Qt::Unchecked;
}

void frmVelmor::Refrescar() {
    if (!Visual) return;
    const int fila = navegador_->Refrescar();
    if (fila < 0) {
        // The chosen file is not in this list: no button may act on it.
        if (!FicherosPRT->selectedItems().isEmpty()) {
            const QSignalBlocker bloqueo(FicherosPRT);
            FicherosPRT->clearSelection();
        }
        HabilitarBotones(false);
        return;
    }
    {
        const QSignalBlocker bloqueo(FicherosPRT);
        FicherosPRT->setCurrentRow(fila);
    }
    FicherosPRT_Click();
}

// ---- The folder tree ----

void frmVelmor::MostrarEnArbol(const QString& ruta) {
    if (ruta.isEmpty()) return;
    const QModelIndex indice = modeloCarpetas_->index(ruta);
    Carpetas->selectionModel()->setCurrentIndex(indice, QItemSelectionModel::ClearAndSelect |
                                                            QItemSelectionModel::Rows);
    for (QModelIndex arriba = indice.parent(); arriba.isValid(); arriba = arriba.parent())
        Carpetas->expand(arriba);
    Carpetas->expand(indice);
    seguirEnArbol_ = true;
    VerEnArbol();
}

// The tree highlights the folder shown again once its model has it back (its row dropped and
// added by the model moved the highlight by itself), and keeps it in view while it follows it.
void frmVelmor::VerEnArbol() {
    verEnArbolPendiente_ = false;
    const QModelIndex mostrada = modeloCarpetas_->index(navegador_->Carpeta());
    if (mostrada.isValid() && mostrada != Carpetas->currentIndex())
        Carpetas->selectionModel()->setCurrentIndex(mostrada, QItemSelectionModel::ClearAndSelect |
                                                                  QItemSelectionModel::Rows);
    if (seguirEnArbol_) Carpetas->scrollTo(Carpetas->currentIndex());
}

// The tree reads its folders in the background: folders read after the shown one was put in
// view (its parents' other folders) push it down, so it is brought back into view; a folder it
// dropped and read again is highlighted again.
void frmVelmor::ProgramarVerEnArbol() {
    if (verEnArbolPendiente_) return;
    verEnArbolPendiente_ = true;
    QTimer::singleShot(0, this, &frmVelmor::VerEnArbol);
}

// ---- Refresh triggers ----

// Refreshes run from the event loop, never from inside a paint or expose event.
void frmVelmor::ProgramarRefresco() {
    if (refrescoPendiente_) return;
    refrescoPendiente_ = true;
    QTimer::singleShot(0, this, [this] {
        refrescoPendiente_ = false;
        Refrescar();
    });
}

void frmVelmor::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (windowHandle()) windowHandle()->installEventFilter(this);
    ProgramarRefresco();
}

bool frmVelmor::eventFilter(QObject* objeto, QEvent* event) {
    if (objeto == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed())
        ProgramarRefresco();
    if (objeto == Label2 && event->type() == QEvent::Resize) AjustarEstado();
    // The user scrolls or clicks the tree: it no longer follows the folder shown.
    if (objeto == Carpetas->viewport() &&
        (event->type() == QEvent::Wheel || event->type() == QEvent::MouseButtonPress))
        seguirEnArbol_ = false;
    return QWidget::eventFilter(objeto, event);
}

// Esc ends the program like cmdCancelar, once no control wanted it. A drop-down list that is
// open is a window of its own: its Esc only closes it.
void frmVelmor::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdCancelar->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

// A ".prt" file or a folder dropped on the window (from a file manager) is shown as if the user
// had browsed to it: its folder, with the file chosen.
void frmVelmor::dragEnterEvent(QDragEnterEvent* event) {
    if (!RutaSoltada(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void frmVelmor::dropEvent(QDropEvent* event) {
    const QString ruta = RutaSoltada(event->mimeData());
    if (ruta.isEmpty()) return;
    event->acceptProposedAction();
    if (ExisteRuta(ruta, true)) {
        navegador_->PonCarpeta(ruta);
        return;
    }
    ElegirFichero(CarpetaDe(ruta), NombreDe(ruta));
}

void frmVelmor::ElegirFichero(const QString& carpeta, const QString& fichero) {
    if (!navegador_->PonCarpeta(carpeta)) return;
    const int fila = int(navegador_->Ficheros().indexOf(fichero));
    if (fila >= 0) FicherosPRT->setCurrentRow(fila);
}

void frmVelmor::closeEvent(QCloseEvent* event) {
    if (!PuedeCerrar()) {
        event->ignore();
        return;
    }
    RecordarVentana();
    Form_Unload();
    event->accept();
}

// Quitting while a queue has not finished a job that is to delete its file: the user decides,
// knowing that the file then stays.
bool frmVelmor::PuedeCerrar() {
    if (trabajos_.isEmpty()) return true;
    const QString cuantos = trabajos_.size() == 1
                                ? QString("Hay un trabajo de impresión")
                                : QString("Hay %1 trabajos de impresión").arg(trabajos_.size());
    return PreguntarSiNo(Titulo,
                         cuantos + " sin terminar. Si sale ahora, los trabajos enviados seguirán "
                                   "en la impresora, pero sus ficheros no se borrarán.\n\n"
                                   "¿ Desea salir ?",
                         this);
}

// ---- Buttons ----

void frmVelmor::cmdAceptar_Click() {
    TomarSeleccion();
    FicherosPRT->setFocus();
    Velmor(false);
}

void frmVelmor::cmdPrtKill_Click() {
    TomarSeleccion();
    Velmor(true);
    HabilitarBotones(false);
    Refrescar();
    FicherosPRT->setFocus();
}

void frmVelmor::cmdBorrar_Click() {
    TomarSeleccion();
    BorrarElegido();
    // Nothing is chosen after a deletion: a file of the same name written later is another file,
    // which a refresh must not choose (NombreElegido keeps the name, as the record says).
    navegador_->OlvidarEleccion();
    HabilitarBotones(false);
    Refrescar();
    FicherosPRT->setFocus();
}

void frmVelmor::cmdVisor_Click() {
    TomarSeleccion();
    FicherosPRT->setFocus();
    // A new preview window each time: it loads, shows modally and is destroyed on return.
    // Its page view shows the pages of the current printer's paper.
    frmPrtVer::Mostrar(navegador_->Carpeta(), NombreElegido, ModoDos(), Titulo, this,
                       {impresoras_.paginaActual(), LineasPagina});
}

void frmVelmor::cmdCancelar_Click() {
    Terminar();
}

void frmVelmor::cmdConfiguracion_Click() {
    frmConfiguracion dialogo(ajustesImpresion_, this);
    if (dialogo.exec() != QDialog::Accepted) return;
    AplicarAjustes(dialogo.Ajustes());
    ajustes_->PonImpresion(ajustesImpresion_);
    ajustes_->Guarda();
}

void frmVelmor::cmdCarpeta_Click() {
    FicherosPRT->setFocus();
    MostrarBusqueda(!BusquedaAbierta());
}

// The search panel beside the list, and the button's picture and tooltip for what it does next.
void frmVelmor::MostrarBusqueda(bool abrir) {
    panelBusqueda_->setVisible(abrir);
    cmdCarpeta->setIcon(Icono(abrir ? "cerrar" : "buscar"));
    cmdCarpeta->setToolTip(abrir ? "Cerrar ventana búsqueda .PRT" : "Buscar archivos .PRT");
    if (!abrir) return;
    // Once the panel is laid out, with the tree's real size.
    seguirEnArbol_ = true;
    ProgramarVerEnArbol();
}

// ---- The print job: its questions are the interlocutor's, its outcome the window's ----

void frmVelmor::Velmor(bool Directo) {
    PeticionTrabajo p;
    p.ruta = Nombre;
    p.modoDos = ModoDos();
    p.lineasPagina = LineasPagina;
    p.ajustes = ajustesImpresion_;
    p.elegirImpresora = (interruptores_.elegirImpresora || Visual) && !Directo;
    p.borrar = interruptores_.borrar || Directo;
    // A file that "/B" deletes is not offered for deletion again.
    p.preguntar = Visual && !Directo && !p.borrar;
    p.titulo = Titulo;

    auto* trabajo = new TrabajoImpresion(impresoras_, interlocutor_, p, this);
    connect(trabajo, &TrabajoImpresion::estado, this, &frmVelmor::MostrarEstado);
    connect(trabajo, &TrabajoImpresion::terminado, this,
            [this, trabajo](const ResultadoTrabajo& r) {
                trabajos_.removeAll(trabajo);
                trabajo->deleteLater();
                AlTerminarTrabajo(trabajo->peticion(), r);
            });
    connect(trabajo, &TrabajoImpresion::renderizando, this, [](bool si) {
        if (si)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
    trabajos_ << trabajo;
    trabajo->inicia();
}

// A job the window awaited from a queue has ended while the user is elsewhere: the desktop tells.
void frmVelmor::AvisarEscritorio(const PeticionTrabajo& p, const ResultadoTrabajo& r) {
    // Awaited: sent to a queue and followed to its end to delete the file, or failed there.
    const bool esperado = (r.idTrabajo != 0 && (r.borrado || r.error)) ||
                          (r.fin == ResultadoTrabajo::Fin::Fallido && !r.cola.isEmpty());
    if (!esperado || isActiveWindow()) return;
    const QString fichero = NombreVisible(NombreDe(p.ruta));
    if (r.error) {
        avisos_.Avisa("No se ha impreso como se pedía «" + fichero + "»", r.error->mensaje(), true);
        return;
    }
    avisos_.Avisa("Impreso «" + fichero + "»",
                  QString("El trabajo %1 de «%2» ha terminado%3.")
                      .arg(r.idTrabajo)
                      .arg(r.cola, r.borrado ? " y el fichero se ha borrado" : ""),
                  false);
}

void frmVelmor::AlTerminarTrabajo(const PeticionTrabajo& p, const ResultadoTrabajo& r) {
    if (trabajos_.isEmpty()) MostrarEstado(QString());
    AvisarEscritorio(p, r);
    using Fin = ResultadoTrabajo::Fin;
    switch (r.fin) {
    case Fin::NoEncontrado:
        MostrarError(Titulo, r.error->descripcion(), this);
        Terminar();
        return;
    case Fin::Declinado:
        if (!Visual) Terminar();
        return;
    case Fin::Fallido: {
        TrabajoPrt t;
        t.titulo = Titulo;
        t.ruta = NombreVisible(p.ruta);
        MostrarError(TituloErrorPrt(t), r.error->mensaje(), this);
        break;
    }
    case Fin::Impreso:
        if (r.vacio && r.cola.isEmpty())
            MostrarAviso(Titulo,
                         "El fichero «" + NombreVisible(p.ruta) +
                             "» no tiene nada que imprimir: no se ha escrito ningún PDF.",
                         this);
        if (r.error) MostrarAviso(Titulo, r.error->mensaje(), this);
        break;
    }
    if (!Visual) {
        Terminar();
        return;
    }
    Refrescar();
    FicherosPRT_Click();
    ActualizarAviso();
    // Until the next job: the file printed, but without the picture it asked for.
    if (!r.imagenesNoEncontradas.isEmpty() && trabajos_.isEmpty()) {
        QStringList imagenes;
        for (const QString& imagen : r.imagenesNoEncontradas)
            imagenes << "«" + NombreVisible(imagen) + "»";
        MostrarEstado((imagenes.size() == 1 ? "Falta la imagen " : "Faltan las imágenes ") +
                      imagenes.join(", ") + " de «" + NombreVisible(NombreDe(p.ruta)) + "»");
    }
}

// The status line shows the version, or the job's state shortened to its width (its names, not
// what it says); the tooltip holds the whole state.
void frmVelmor::MostrarEstado(const QString& texto) {
    estado_ = texto.isEmpty() ? "Versión " + VersionVelmor() : texto;
    Label2->setToolTip(texto);
    AjustarEstado();
}

void frmVelmor::AjustarEstado() {
    Label2->setText(AcortaEstado(estado_, Label2->fontMetrics(), Label2->contentsRect().width()));
}

void frmVelmor::Terminar() {
    close();
}

// Deletes the chosen file, if it is still the file that was chosen; a failure is told (file,
// cause) and the program goes on.
bool frmVelmor::BorrarElegido() {
    try {
        const auto& identidad = navegador_->IdentidadElegida();
        if (!identidad) throw ErrorAlBorrar(Nombre, ENOENT); // it was gone when chosen
        BorrarFichero(Nombre, *identidad, "desde que se eligió");
        return true;
    } catch (const ErrorVelmor& e) {
        MostrarAviso(Titulo, e.mensaje(), this);
        return false;
    }
}
