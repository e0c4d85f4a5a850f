#include "mainwindow/navegador_prt.h"

#include "shared/nombres_fichero.h"
#include "shared/paths.h"
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

const char* const Aplicaciones[] = {"Varenta", "Kolmera", "Dustrel"};
const char* const MarcaAplicacion = "Menu.exe";
constexpr int MaximoHistorial = 20;

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

// The folders of the sibling applications found at `raiz` (each marked by its "Menu.exe"), in
// their fixed order; `elegida` is the one that is `inicio`, or -1.
QStringList CarpetasHermanas(const QString& raiz, const QString& inicio, int& elegida) {
    const QDir volumen(raiz);
    const QString propia = QFileInfo(inicio).canonicalFilePath();
    QStringList carpetas;
    elegida = -1;
    for (const char* aplicacion : Aplicaciones) {
        for (const QString& enDisco : BuscarSinCaso(volumen, aplicacion, QDir::Dirs)) {
            const QDir carpeta(volumen.filePath(enDisco));
            const QStringList marcas = BuscarSinCaso(carpeta, MarcaAplicacion, QDir::Files);
            if (marcas.isEmpty() || !ExisteRuta(carpeta.filePath(marcas.first()), false)) continue;
            carpetas << carpeta.path();
            if (elegida < 0 && !propia.isEmpty() &&
                QFileInfo(carpeta.path()).canonicalFilePath() == propia)
                elegida = int(carpetas.size()) - 1;
            break;
        }
    }
    return carpetas;
}

// Kernel and memory file systems are no place for report files.
} // namespace

NavegadorPrt::NavegadorPrt(QObject* parent) : NavegadorPrt(nullptr, parent) {}

NavegadorPrt::NavegadorPrt(FuenteVolumenes* fuente, QObject* parent)
    : QObject(parent), vigilante_(new QFileSystemWatcher(this)),
      fuente_(fuente ? fuente : new VolumenesSistema(this)) {
    connect(fuente_, &FuenteVolumenes::cambiada, this, &NavegadorPrt::ReleerVolumenes);
    connect(vigilante_, &QFileSystemWatcher::directoryChanged, this,
            &NavegadorPrt::carpetaModificada);
}

void NavegadorPrt::Arrancar(const QString& raizVolumen, const QString& carpetaInicio) {
    const QString propia = Limpia(raizVolumen);
    propia_ = propia;
    volumenes_ = LeerVolumenes(propia);
    basicas_ = CarpetasHermanas(raizVolumen, carpetaInicio, basicaElegida_);
    if (basicaElegida_ < 0) {
        basicas_ << Limpia(carpetaInicio);
        basicaElegida_ = int(basicas_.size()) - 1;
    }
    for (int i = 0; i < volumenes_.size(); ++i)
        if (volumenes_[i].raiz == propia) IrAVolumen(i);
    IrABasica(basicaElegida_);
}

QList<VolumenPrt> NavegadorPrt::LeerVolumenes(const QString& propia) const {
    QList<VolumenPrt> volumenes = fuente_->Leer();
    for (const VolumenPrt& v : volumenes)
        if (v.raiz == propia) return volumenes;
    volumenes << VolumenPrt{propia, propia};
    return volumenes;
}

// A volume mounted or unmounted: the list follows; the volume shown keeps its place by its root.
void NavegadorPrt::ReleerVolumenes() {
    const QString actual = volumenes_.value(volumenActual_).raiz;
    QList<VolumenPrt> nuevos = LeerVolumenes(propia_);
    if (nuevos == volumenes_) return;
    volumenes_ = std::move(nuevos);
    volumenActual_ = -1;
    for (int i = 0; i < volumenes_.size(); ++i)
        if (volumenes_[i].raiz == actual) volumenActual_ = i;
    emit volumenesCambiados();
}

bool NavegadorPrt::IrAVolumen(int posicion) {
    const QString raiz = volumenes_.value(posicion).raiz;
    QString destino = ultimaEnVolumen_.value(raiz);
    if (destino.isEmpty() || !MotivoInutil(destino).isEmpty()) destino = raiz;
    if (!PonCarpeta(destino)) return false;
    volumenActual_ = posicion;
    return true;
}

bool NavegadorPrt::IrABasica(int posicion) {
    if (posicion < 0 || posicion >= basicas_.size()) return false;
    basicaElegida_ = posicion;
    return PonCarpeta(basicas_[posicion]);
}

// The only way in which the shown folder changes.
bool NavegadorPrt::PonCarpeta(const QString& ruta) {
    const QString motivo = MotivoInutil(ruta);
    if (!motivo.isEmpty()) {
        emit aviso("No se puede abrir la carpeta " + ruta + ": " + motivo + ".");
        emit carpetaRechazada(carpeta_);
        return false;
    }
    Mostrar(Limpia(ruta));
    return true;
}

void NavegadorPrt::Mostrar(const QString& ruta) {
    if (ruta == carpeta_) return;
    if (!carpeta_.isEmpty() && MotivoInutil(carpeta_).isEmpty()) {
        historial_.removeAll(carpeta_);
        historial_ << carpeta_;
        if (historial_.size() > MaximoHistorial) historial_.removeFirst();
    }
    carpeta_ = ruta;
    ultimaEnVolumen_[VolumenDe(ruta)] = ruta;
    Vigilar(ruta);
    ficheros_.clear();
    emit carpetaCambiada(ruta);
    LeerFicheros();
}

int NavegadorPrt::Refrescar() {
    const QString motivo = MotivoInutil(carpeta_);
    if (!motivo.isEmpty()) {
        emit aviso("No se puede leer la carpeta " + carpeta_ + ": " + motivo + ".");
        PonCarpeta(CarpetaUsableAnterior());
        return -1;
    }
    // A folder removed and made again has lost its watch.
    if (!vigilante_->directories().contains(carpeta_)) Vigilar(carpeta_);
    LeerFicheros();
    // Only the very name chosen, in the folder it was chosen in: a refresh never moves the
    // choice to another file, a namesake in another letter case or another folder included,
    // since the buttons would then act on a file the user never chose.
    const int posicion = !nombreElegido_.isEmpty() && carpetaElegida_ == carpeta_
                             ? int(ficheros_.indexOf(nombreElegido_))
                             : -1;
    // The chosen file is gone: a file written later under its name is another file, which is
    // not chosen by itself.
    if (posicion < 0 && carpetaElegida_ == carpeta_) carpetaElegida_.clear();
    return posicion;
}

void NavegadorPrt::Elegir(const QString& nombre) {
    const QString antes = nombreElegido_;
    nombreElegido_ = nombre;
    // The file as it is when the user chooses it: a refresh that selects it again keeps that.
    if (nombre.isEmpty()) {
        identidadElegida_.reset();
    } else if (nombre != antes || carpetaElegida_ != carpeta_ || !identidadElegida_) {
        struct stat datos {};
        if (::stat(BytesDeNombre(carpeta_ + u'/' + nombre).constData(), &datos) == 0)
            identidadElegida_ = IdentidadFichero::De(datos);
        else
            identidadElegida_.reset();
        carpetaElegida_ = carpeta_;
    }
}

void NavegadorPrt::OlvidarEleccion() {
    carpetaElegida_.clear();
    identidadElegida_.reset();
}

// Re-reads the shown folder; tells the window only when its contents changed, so that a refresh
// on every expose stays cheap and keeps the user's selection.
bool NavegadorPrt::LeerFicheros() {
    QStringList nombres = FicherosPrtDe(carpeta_);
    if (nombres == ficheros_) return false;
    ficheros_ = std::move(nombres);
    emit ficherosCambiados(ficheros_);
    return true;
}

QStringList NavegadorPrt::FicherosPrtDe(const QString& carpeta) {
    // Each name with the key it sorts by: as the user reads it, without regard to letter case.
    std::vector<std::pair<QString, QString>> porClave;
    const QByteArray ruta = BytesDeNombre(carpeta);
    DIR* d = ::opendir(ruta.constData());
    if (!d) return {};
    while (const dirent* e = ::readdir(d)) {
        const QByteArray nombre(e->d_name);
        if (!EsNombrePrt(nombre)) continue;
        struct stat datos {};
        if (::stat((ruta + '/' + nombre).constData(), &datos) != 0 || !S_ISREG(datos.st_mode))
            continue;
        const QString sinPerdida = NombreDeBytes(nombre);
        porClave.emplace_back(NombreVisible(sinPerdida).toCaseFolded(), sinPerdida);
    }
    ::closedir(d);
    std::sort(porClave.begin(), porClave.end());
    QStringList nombres;
    nombres.reserve(qsizetype(porClave.size()));
    for (auto& [clave, nombre] : porClave)
        nombres << std::move(nombre);
    return nombres;
}

QString NavegadorPrt::MotivoInutil(const QString& ruta) {
    if (ruta.isEmpty()) return "no se ha indicado ninguna carpeta";
    const QByteArray bytes = BytesDeNombre(ruta);
    struct stat datos {};
    if (::stat(bytes.constData(), &datos) != 0) return "la carpeta no existe";
    if (!S_ISDIR(datos.st_mode)) return "no es una carpeta";
    if (::access(bytes.constData(), R_OK | X_OK) != 0) return "no hay permiso de lectura";
    return QString();
}

// Where the browser goes when the shown folder becomes unusable: the last usable folder
// shown before, else the nearest folder above it that still exists.
QString NavegadorPrt::CarpetaUsableAnterior() const {
    for (auto it = historial_.crbegin(); it != historial_.crend(); ++it)
        if (*it != carpeta_ && MotivoInutil(*it).isEmpty()) return *it;
    // By the path's text: the folders above may be gone too.
    QString arriba = carpeta_;
    while (arriba.lastIndexOf(u'/') > 0) {
        arriba.truncate(arriba.lastIndexOf(u'/'));
        if (MotivoInutil(arriba).isEmpty()) return arriba;
    }
    return QDir::rootPath();
}

void NavegadorPrt::Vigilar(const QString& ruta) {
    if (!vigilante_->directories().isEmpty()) vigilante_->removePaths(vigilante_->directories());
    vigilante_->addPath(ruta);
}

QString NavegadorPrt::VolumenDe(const QString& ruta) const {
    QString mejor;
    for (const VolumenPrt& v : volumenes_) {
        const QString prefijo = v.raiz.endsWith('/') ? v.raiz : v.raiz + "/";
        if ((ruta == v.raiz || ruta.startsWith(prefijo)) && v.raiz.size() > mejor.size())
            mejor = v.raiz;
    }
    return mejor;
}
