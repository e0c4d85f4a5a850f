#include "mainwindow/frm_velmor.h"
#include "preview/frm_prt_ver.h"

#include "mainwindow/modulo_prt.h"
#include "printing/printer_device.h"
#include "shared/messages.h"
#include "shared/nombres_fichero.h"
#include "shared/paths.h"
#include "shared/twips.h"
#include "shared/version.h"
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFileSystemWatcher>
#include <QFontDatabase>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>
#include <QWindow>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

static void CargarIconos() {
    Q_INIT_RESOURCE(iconos);
}

namespace {

// Client height as designed, and the fixed border on each side that the outer width includes.
constexpr int AltoCliente = 3795;
constexpr int BordeLateral = 60;

const char* const Aplicaciones[] = {"Varenta", "Kolmera", "Dustrel"};
const char* const MarcaAplicacion = "Menu.exe";

QIcon Icono(const QString& nombre) {
    return QIcon(":/velmor/icons/" + nombre + ".svg");
}

void Colocar(QWidget* w, int x, int y, int ancho, int alto) {
    w->setGeometry(Twips(x), Twips(y), Twips(ancho), Twips(alto));
}

QString Limpia(const QString& ruta) {
    return QDir::cleanPath(QDir(ruta).absolutePath());
}

// Entries of `carpeta` equal to `nombre` without regard to letter case, as named on disk.
QStringList BuscarSinCaso(const QDir& carpeta, const QString& nombre, QDir::Filters tipo) {
    QStringList hallados;
    const QStringList todos = carpeta.entryList(tipo | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& e : todos)
        if (e.compare(nombre, Qt::CaseInsensitive) == 0) hallados << e;
    return hallados;
}

// The ".prt" files of a folder (any letter case; hidden ones not), by their exact bytes: a name
// that is not UTF-8 is listed too, and names that file and no other.
QStringList FicherosPrtDe(const QString& carpeta) {
    QStringList nombres;
    const QByteArray ruta = BytesDeNombre(carpeta);
    DIR* d = ::opendir(ruta.constData());
    if (!d) return nombres;
    while (const dirent* e = ::readdir(d)) {
        const QByteArray nombre(e->d_name);
        if (nombre.startsWith('.') || nombre.size() < 5 ||
            !nombre.right(4).toLower().endsWith(".prt"))
            continue;
        struct stat datos {};
        if (::stat((ruta + '/' + nombre).constData(), &datos) != 0 || !S_ISREG(datos.st_mode))
            continue;
        nombres << NombreDeBytes(nombre);
    }
    ::closedir(d);
    std::sort(nombres.begin(), nombres.end(), [](const QString& a, const QString& b) {
        const int c = NombreVisible(a).compare(NombreVisible(b), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return nombres;
}

// Kernel and memory file systems are no place for report files.
bool EsSistemaVirtual(const QByteArray& tipo) {
    static const QList<QByteArray> virtuales = {
        "proc",      "sysfs",      "devtmpfs",   "devpts",  "tmpfs",   "cgroup",
        "cgroup2",   "pstore",     "securityfs", "debugfs", "tracefs", "mqueue",
        "hugetlbfs", "configfs",   "fusectl",    "bpf",     "autofs",  "binfmt_misc",
        "efivarfs",  "rpc_pipefs", "nsfs",       "ramfs",   "squashfs"};
    return virtuales.contains(tipo);
}

} // namespace

EntornoVelmor EntornoVelmor::DelSistema() {
    EntornoVelmor e;
    e.carpetaPrograma = QCoreApplication::applicationDirPath();
    e.raizVolumen = QStorageInfo(e.carpetaPrograma).rootPath();
    e.fuentes = QFontDatabase::families();
    e.argumentos = QCoreApplication::arguments().mid(1);
    return e;
}

frmVelmor::frmVelmor(Impresoras& impresoras, EntornoVelmor entorno, QWidget* parent)
    : QWidget(parent), impresoras_(impresoras), entorno_(std::move(entorno)),
      interruptores_(Interruptores::De(entorno_.argumentos)) {
    CargarIconos();
    CrearControles();
    OrdenTabulacion();
    Form_Load();
}

frmVelmor::~frmVelmor() {
    ModuloPrt::DesengancharVentana(*this);
}

QPushButton* frmVelmor::CrearBoton(const char* nombre, const QString& icono, const QString& aviso,
                                   int x, int y) {
    auto* b = new QPushButton(Frame1);
    b->setObjectName(nombre);
    b->setIcon(Icono(icono));
    b->setIconSize(QSize(32, 32));
    b->setToolTip(aviso);
    b->setAutoDefault(false);
    Colocar(b, x, y, 675, 675);
    return b;
}

void frmVelmor::CrearControles() {
    setObjectName("frmVelmor");
    setWindowTitle("Velmor");
    setWindowIcon(Icono("velmor"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    Label1 = new QLabel("Auxiliar de impresión archivos PRT", this);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    QFont negrita = Label1->font();
    negrita.setBold(true);
    Label1->setFont(negrita);
    Colocar(Label1, 60, 60, 5295, 375);

    FicherosPRT = new QListWidget(this);
    FicherosPRT->setObjectName("FicherosPRT");
    FicherosPRT->setSelectionMode(QAbstractItemView::SingleSelection);
    Colocar(FicherosPRT, 60, 600, 3735, 2490);
    connect(FicherosPRT, &QListWidget::itemSelectionChanged, this, &frmVelmor::FicherosPRT_Click);

    Frame1 = new QFrame(this);
    Frame1->setObjectName("Frame1");
    Frame1->setFrameShape(QFrame::StyledPanel);
    Colocar(Frame1, 3840, 480, 1515, 2835);

    cmdAceptar = CrearBoton("cmdAceptar", "aceptar", "Imprimir seleccionando Impresora", 60, 180);
    cmdVisor = CrearBoton("cmdVisor", "visor", "Previsualizar fichero", 780, 180);
    cmdBorrar = CrearBoton("cmdBorrar", "borrar", "Eliminar fichero", 60, 900);
    cmdCancelar = CrearBoton("cmdCancelar", "cancelar", "Salir del programa", 780, 900);
    cmdCarpeta = CrearBoton("cmdCarpeta", "buscar", "Buscar archivos .PRT", 60, 1740);
    cmdPrtKill = CrearBoton("cmdPrtKill", "prtkill", "Imprimir y Borrar directamente", 780, 1740);
    connect(cmdAceptar, &QPushButton::clicked, this, &frmVelmor::cmdAceptar_Click);
    connect(cmdVisor, &QPushButton::clicked, this, &frmVelmor::cmdVisor_Click);
    connect(cmdBorrar, &QPushButton::clicked, this, &frmVelmor::cmdBorrar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmVelmor::cmdCancelar_Click);
    connect(cmdCarpeta, &QPushButton::clicked, this, &frmVelmor::cmdCarpeta_Click);
    connect(cmdPrtKill, &QPushButton::clicked, this, &frmVelmor::cmdPrtKill_Click);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, cmdCancelar, &QPushButton::click);

    chkRavendot = new QCheckBox("MS-Dos", Frame1);
    chkRavendot->setObjectName("chkRavendot");
    // 195 twips are 13 pixels, less than the check indicator of Qt's styles: 60 twips more.
    Colocar(chkRavendot, 240, 2520, 1035, 195 + 60);

    Label2 = new QLabel("Versión " + VersionVelmor(), this);
    Label2->setObjectName("Label2");
    Label2->setAlignment(Qt::AlignCenter);
    Colocar(Label2, 60, 3360, 5295, 375);

    Discos = new QComboBox(this);
    Discos->setObjectName("Discos");
    Colocar(Discos, 5460, 60, 2535, 315);
    connect(Discos, &QComboBox::currentIndexChanged, this, &frmVelmor::Discos_Change);

    modeloCarpetas_ = new QFileSystemModel(this);
    modeloCarpetas_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    modeloCarpetas_->setRootPath(QDir::rootPath());
    Carpetas = new QTreeView(this);
    Carpetas->setObjectName("Carpetas");
    Carpetas->setModel(modeloCarpetas_);
    Carpetas->header()->hide();
    for (int c = 1; c < modeloCarpetas_->columnCount(); ++c)
        Carpetas->hideColumn(c);
    Colocar(Carpetas, 5460, 480, 2535, 2790);
    connect(Carpetas->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &frmVelmor::Carpetas_Seleccion);

    DirBasico = new QComboBox(this);
    DirBasico->setObjectName("DirBasico");
    DirBasico->setEditable(false);
    DirBasico->hide();
    Colocar(DirBasico, 5460, 3360, 2535, 315);
    connect(DirBasico, &QComboBox::activated, this, &frmVelmor::DirBasico_Click);

    IconoBuscar = new QLabel(this);
    IconoBuscar->setObjectName("IconoBuscar");
    IconoBuscar->setPixmap(Icono("buscar").pixmap(32, 32));
    IconoBuscar->setToolTip("Buscar archivos .PRT");
    Colocar(IconoBuscar, 8940, 540, 492, 492);
    IconoCerrar = new QLabel(this);
    IconoCerrar->setObjectName("IconoCerrar");
    IconoCerrar->setPixmap(Icono("cerrar").pixmap(32, 32));
    IconoCerrar->setToolTip("Cerrar ventana búsqueda .PRT");
    Colocar(IconoCerrar, 8940, 1080, 492, 492);
    ImagenFondo = new QLabel(this);
    ImagenFondo->setObjectName("ImagenFondo");
    Colocar(ImagenFondo, 9840, 480, 1215, 975);

    vigilante_ = new QFileSystemWatcher(this);
    connect(vigilante_, &QFileSystemWatcher::directoryChanged, this, &frmVelmor::ProgramarRefresco);
}

void frmVelmor::OrdenTabulacion() {
    const QList<QWidget*> orden = {FicherosPRT, cmdAceptar, cmdVisor,   cmdBorrar,
                                   cmdCancelar, cmdCarpeta, cmdPrtKill, chkRavendot,
                                   Discos,      Carpetas,   DirBasico};
    for (int i = 1; i < orden.size(); ++i)
        setTabOrder(orden[i - 1], orden[i]);
    FicherosPRT->setFocus();
}

void frmVelmor::Form_Load() {
    Titulo = TituloVelmor();
    PonAnchoExterior(AnchoEstrecho);
    HabilitarBotones(false);
    LlenarDiscos();
    BuscarRavendot();
    ModuloPrt::EngancharVentana(*this);
    LlenarDirBasico();
    DirBasico->show();
    ActualizarAviso();
    LineasPagina = 66;
    Visual = true;
    Nombre = "";
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

void frmVelmor::LlenarDiscos() {
    QStringList raices;
    QStringList textos;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !v.isReady() || EsSistemaVirtual(v.fileSystemType())) continue;
        if (!QFileInfo(v.rootPath()).isDir() || raices.contains(v.rootPath())) continue;
        raices << v.rootPath();
        textos << (v.name().isEmpty() ? v.rootPath() : v.rootPath() + "  [" + v.name() + "]");
    }
    const QString propia = Limpia(entorno_.raizVolumen);
    if (!raices.contains(propia)) raices << propia, textos << propia;

    QSignalBlocker bloqueo(Discos);
    for (int i = 0; i < raices.size(); ++i)
        Discos->addItem(textos[i], raices[i]);
    Discos->setCurrentIndex(-1);
    bloqueo.unblock();
    Discos->setCurrentIndex(raices.indexOf(propia));
}

void frmVelmor::LlenarDirBasico() {
    const QDir raiz(entorno_.raizVolumen);
    const QString propia = QFileInfo(entorno_.carpetaPrograma).canonicalFilePath();
    int elegida = -1;
    for (const char* aplicacion : Aplicaciones) {
        for (const QString& enDisco : BuscarSinCaso(raiz, aplicacion, QDir::Dirs)) {
            const QDir carpeta(raiz.filePath(enDisco));
            const QStringList marcas = BuscarSinCaso(carpeta, MarcaAplicacion, QDir::Files);
            if (marcas.isEmpty() || !ExisteRuta(carpeta.filePath(marcas.first()), false)) continue;
            DirBasico->addItem(carpeta.path());
            if (elegida < 0 && !propia.isEmpty() &&
                QFileInfo(carpeta.path()).canonicalFilePath() == propia)
                elegida = DirBasico->count() - 1;
            break;
        }
    }
    if (elegida < 0) {
        DirBasico->addItem(Limpia(entorno_.carpetaPrograma));
        elegida = DirBasico->count() - 1;
    }
    DirBasico->setCurrentIndex(elegida);
    DirBasico_Click();
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

int frmVelmor::AnchoExterior() const {
    return anchoExterior_;
}

void frmVelmor::PonAnchoExterior(int twips) {
    anchoExterior_ = twips;
    setFixedSize(Twips(twips - 2 * BordeLateral), Twips(AltoCliente));
}

QString frmVelmor::FileNameFicheros() const {
    const QList<QListWidgetItem*> elegidos = FicherosPRT->selectedItems();
    return elegidos.isEmpty() ? QString() : elegidos.first()->data(Qt::UserRole).toString();
}

// ---- The browser chain ----

void frmVelmor::DirBasico_Click() {
    if (DirBasico->currentIndex() >= 0) PonCarpeta(DirBasico->currentText());
}

void frmVelmor::Discos_Change() {
    const QString raiz = Discos->currentData().toString();
    QString destino = ultimaEnVolumen_.value(raiz);
    if (destino.isEmpty() || !MotivoInutil(destino).isEmpty()) destino = raiz;
    if (PonCarpeta(destino)) {
        discoActual_ = Discos->currentIndex();
        return;
    }
    const QSignalBlocker bloqueo(Discos);
    Discos->setCurrentIndex(discoActual_);
}

void frmVelmor::Carpetas_Seleccion() {
    if (moviendoArbol_) return;
    const QString ruta = modeloCarpetas_->filePath(Carpetas->currentIndex());
    if (!ruta.isEmpty() && ruta != carpetaActual_) PonCarpeta(ruta);
}

// The folder tree takes a new path: the only place where the shown folder changes.
bool frmVelmor::PonCarpeta(const QString& ruta) {
    const QString motivo = MotivoInutil(ruta);
    if (!motivo.isEmpty()) {
        MostrarAviso(Titulo, "No se puede abrir la carpeta " + ruta + ": " + motivo + ".", this);
        MostrarEnArbol(carpetaActual_);
        return false;
    }
    Carpetas_Change(Limpia(ruta));
    return true;
}

void frmVelmor::Carpetas_Change(const QString& ruta) {
    if (ruta == carpetaActual_) return;
    if (!carpetaActual_.isEmpty() && MotivoInutil(carpetaActual_).isEmpty()) {
        historial_.removeAll(carpetaActual_);
        historial_ << carpetaActual_;
        if (historial_.size() > 20) historial_.removeFirst();
    }
    carpetaActual_ = ruta;
    ultimaEnVolumen_[VolumenDe(ruta)] = ruta;
    MostrarEnArbol(ruta);
    VigilarCarpeta(ruta);
    {
        // Emptying the list is no selection by the user: the record keeps the chosen file.
        const QSignalBlocker bloqueo(FicherosPRT);
        FicherosPRT->clear();
    }
    LeerFicheros();
    FicherosPRT_PathChange();
}

void frmVelmor::FicherosPRT_PathChange() {
    HabilitarBotones(false);
}

void frmVelmor::FicherosPRT_Click() {
    const QString antes = NombreElegido;
    TomarSeleccion();
    // The file as it is when the user chooses it: a refresh that selects it again keeps that.
    if (NombreElegido.isEmpty()) {
        identidadElegida_.reset();
    } else if (NombreElegido != antes || carpetaElegida_ != carpetaActual_ || !identidadElegida_) {
        struct stat datos {};
        if (::stat(BytesDeNombre(Nombre).constData(), &datos) == 0)
            identidadElegida_ = IdentidadFichero::De(datos);
        else
            identidadElegida_.reset();
        carpetaElegida_ = carpetaActual_;
    }
    HabilitarBotones(!NombreElegido.isEmpty());
}

// The file the buttons act on: the shown folder and the list's selected name.
void frmVelmor::TomarSeleccion() {
    const QString nombre = FileNameFicheros();
    Nombre = carpetaActual_ + "/" + nombre;
    NombreElegido = nombre;
}

// Partly ticked counts as ticked, as the check box's value does.
bool frmVelmor::ModoDos() const {
    return chkRavendot->checkState() != Qt::Unchecked;
}

void frmVelmor::Refrescar() {
    if (!Visual) return;
    const QString motivo = MotivoInutil(carpetaActual_);
    if (!motivo.isEmpty()) {
        const QString perdida = carpetaActual_;
        MostrarAviso(Titulo, "No se puede leer la carpeta " + perdida + ": " + motivo + ".", this);
        PonCarpeta(CarpetaUsableAnterior());
        return;
    }
    // A folder removed and made again has lost its watch.
    if (!vigilante_->directories().contains(carpetaActual_)) VigilarCarpeta(carpetaActual_);
    LeerFicheros();
    // Only the very name chosen, in the folder it was chosen in: a refresh never moves the
    // selection to another file, a namesake in another letter case or another folder included,
    // since the buttons would then act on a file the user never chose.
    QListWidgetItem* elegido = nullptr;
    if (!NombreElegido.isEmpty() && carpetaElegida_ == carpetaActual_)
        for (int i = 0; i < FicherosPRT->count() && !elegido; ++i)
            if (FicherosPRT->item(i)->data(Qt::UserRole).toString() == NombreElegido)
                elegido = FicherosPRT->item(i);
    if (!elegido) {
        // The chosen file is gone: nothing is chosen, and no button may act on it any more. A
        // file written later under its name is another file, which is not chosen by itself.
        if (carpetaElegida_ == carpetaActual_) carpetaElegida_.clear();
        if (!FicherosPRT->selectedItems().isEmpty()) {
            const QSignalBlocker bloqueo(FicherosPRT);
            FicherosPRT->clearSelection();
        }
        HabilitarBotones(false);
        return;
    }
    {
        const QSignalBlocker bloqueo(FicherosPRT);
        FicherosPRT->setCurrentItem(elegido);
    }
    FicherosPRT_Click();
}

// Re-reads the shown folder; the list is rebuilt only when its contents changed, so that
// a refresh on every expose stays cheap and keeps the user's selection.
void frmVelmor::LeerFicheros() {
    const QStringList nombres = FicherosPrtDe(carpetaActual_);
    const int cuenta = FicherosPRT->count();
    bool iguales = cuenta == nombres.size();
    for (int i = 0; iguales && i < cuenta; ++i)
        iguales = FicherosPRT->item(i)->data(Qt::UserRole).toString() == nombres[i];
    if (iguales) return;
    const QSignalBlocker bloqueo(FicherosPRT);
    FicherosPRT->clear();
    for (const QString& nombre : nombres) {
        auto* item = new QListWidgetItem(NombreVisible(nombre), FicherosPRT);
        item->setData(Qt::UserRole, nombre);
        item->setToolTip(item->text());
    }
}

QString frmVelmor::MotivoInutil(const QString& ruta) const {
    if (ruta.isEmpty()) return "no se ha indicado ninguna carpeta";
    const QFileInfo info(ruta);
    if (!info.exists()) return "la carpeta no existe";
    if (!info.isDir()) return "no es una carpeta";
    if (!info.isReadable() || !info.isExecutable()) return "no hay permiso de lectura";
    return QString();
}

// Where the browser goes when the shown folder becomes unusable: the last usable folder
// shown before, else the nearest folder above it that still exists.
QString frmVelmor::CarpetaUsableAnterior() const {
    for (auto it = historial_.crbegin(); it != historial_.crend(); ++it)
        if (*it != carpetaActual_ && MotivoInutil(*it).isEmpty()) return *it;
    QDir arriba(carpetaActual_);
    while (arriba.cdUp())
        if (MotivoInutil(arriba.path()).isEmpty()) return arriba.path();
    return QDir::rootPath();
}

void frmVelmor::MostrarEnArbol(const QString& ruta) {
    if (ruta.isEmpty()) return;
    moviendoArbol_ = true;
    const QModelIndex indice = modeloCarpetas_->index(ruta);
    Carpetas->setCurrentIndex(indice);
    for (QModelIndex arriba = indice.parent(); arriba.isValid(); arriba = arriba.parent())
        Carpetas->expand(arriba);
    Carpetas->expand(indice);
    Carpetas->scrollTo(indice);
    moviendoArbol_ = false;
}

void frmVelmor::VigilarCarpeta(const QString& ruta) {
    if (!vigilante_->directories().isEmpty()) vigilante_->removePaths(vigilante_->directories());
    vigilante_->addPath(ruta);
}

QString frmVelmor::VolumenDe(const QString& ruta) const {
    QString mejor;
    for (int i = 0; i < Discos->count(); ++i) {
        const QString raiz = Discos->itemData(i).toString();
        const QString prefijo = raiz.endsWith('/') ? raiz : raiz + "/";
        if ((ruta == raiz || ruta.startsWith(prefijo)) && raiz.size() > mejor.size()) mejor = raiz;
    }
    return mejor;
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
    return QWidget::eventFilter(objeto, event);
}

void frmVelmor::closeEvent(QCloseEvent* event) {
    if (!PuedeCerrar()) {
        event->ignore();
        return;
    }
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
    carpetaElegida_.clear();
    identidadElegida_.reset();
    HabilitarBotones(false);
    Refrescar();
    FicherosPRT->setFocus();
}

void frmVelmor::cmdVisor_Click() {
    TomarSeleccion();
    FicherosPRT->setFocus();
    // A new preview window each time: it loads, shows modally and is destroyed on return.
    frmPrtVer::Mostrar(carpetaActual_, NombreElegido, ModoDos(), Titulo, this);
}

void frmVelmor::cmdCancelar_Click() {
    Terminar();
}

void frmVelmor::cmdCarpeta_Click() {
    FicherosPRT->setFocus();
    const bool abrir = AnchoExterior() == AnchoEstrecho;
    QLabel* fuente = abrir ? IconoCerrar : IconoBuscar;
    PonAnchoExterior(abrir ? AnchoAmplio : AnchoEstrecho);
    if (abrir) MostrarEnArbol(carpetaActual_); // the tree has read its folders by now
    cmdCarpeta->setIcon(QIcon(fuente->pixmap()));
    cmdCarpeta->setToolTip(fuente->toolTip());
}
