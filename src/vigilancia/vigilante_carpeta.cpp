#include "vigilancia/vigilante_carpeta.h"

#include "printing/dispositivo_impresora.h"
#include "shared/causa_sistema.h"
#include "shared/nombres_fichero.h"
#include "shared/paths.h"
#include "vigilancia/avisos_carpeta.h"
#include "vigilancia/carpeta_errores.h"
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {
std::optional<IdentidadFichero> identidadEn(int carpeta, const QByteArray& nombre) {
    struct stat datos {};
    if (::fstatat(carpeta, nombre.constData(), &datos, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(datos.st_mode))
        return std::nullopt;
    return IdentidadFichero::De(datos);
}

// Whether some process has the file open for writing now.
bool seEstaEscribiendo(int carpeta, const QByteArray& nombre) {
    const int fd = ::openat(carpeta, nombre.constData(),
                            O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false; // the job will say why it cannot be read
    const bool abierto = AbiertoParaEscribir(fd);
    ::close(fd);
    return abierto;
}

// "listados/" and "./listados" name the folder the notifications call "listados".
ConfiguracionVigilancia conCarpetaLimpia(ConfiguracionVigilancia c) {
    c.carpeta = QDir::cleanPath(c.carpeta);
    return c;
}

// The printer's fault, not the report's: the print system's (a queue that refuses jobs or this
// user, a scheduler that is down: errors that name no file) or the PDF's that cannot be written
// (its folder gone, full or closed to us). Whatever names the report, even a printer error its
// drawing raised, is the report's: waiting for it would hold up every other report.
bool deLaImpresora(const ResultadoTrabajo& r) {
    return r.error && (r.error->fichero().isEmpty() || r.error->fichero() == r.salidaPdf);
}

QString entreComillas(const QString& ruta) {
    return QStringLiteral("«") + NombreVisible(ruta) + QStringLiteral("»");
}
} // namespace

VigilanteCarpeta::VigilanteCarpeta(Impresoras& impresoras, ConfiguracionVigilancia configuracion,
                                   QObject* parent)
    : QObject(parent), impresoras_(impresoras), config_(conCarpetaLimpia(std::move(configuracion))),
      carpeta_(BytesDeNombre(config_.carpeta)), registro_(carpeta_),
      reloj_(config_.reloj ? config_.reloj : &relojSistema_) {
    reposo_.setSingleShot(true);
    connect(&reposo_, &QTimer::timeout, this, &VigilanteCarpeta::alVencer);
    connect(reloj_, &RelojVigilancia::avanzado, this, &VigilanteCarpeta::alAvanzarReloj);
}

VigilanteCarpeta::~VigilanteCarpeta() {
    delete actual_; // its threads hold no pointer to it that outlives it
    if (fd_ >= 0) ::close(fd_);
}

std::optional<QString> VigilanteCarpeta::inicia() {
    Q_ASSERT(config_.interlocutor);
    // A report is never read through a link: a link put in its place does not print what it
    // points at.
    FicheroRegular::NoSigasEnlaces();
    if (auto motivo = abreCarpeta()) return motivo;
    if (impresoras_.actualEsPdf() && !CreaCarpetas(config_.carpetaPdf))
        return QStringLiteral("La carpeta de los PDF %1 no es una carpeta ni se puede crear")
            .arg(entreComillas(config_.carpetaPdf));
    try {
        registro_.abre();
        if (impresoras_.actualEsPdf())
            registro_.resuelveIntentos([this](dev_t d, ino_t n) { return pdfEnCarpeta(d, n); });
    } catch (const ErrorVelmor& e) {
        return QStringLiteral("No se puede vigilar la carpeta %1: %2")
            .arg(entreComillas(config_.carpeta), e.texto());
    }
    if (auto motivo = empiezaAVigilar()) return motivo;
    const QString destino =
        impresoras_.actualEsPdf()
            ? QStringLiteral("los PDF en %1").arg(entreComillas(config_.carpetaPdf))
            : QStringLiteral("la impresora «%1»").arg(impresoras_.nombreActual());
    emit registro(QStringLiteral("%1 vigilando %2: %3")
                      .arg(QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH:mm:ss"),
                           entreComillas(config_.carpeta), destino));
    examina();
    return std::nullopt;
}

// The folder, open and locked: one watcher per folder, or two would print every file.
std::optional<QString> VigilanteCarpeta::abreCarpeta() {
    const QString carpeta = entreComillas(config_.carpeta);
    struct stat datos {};
    if (carpeta_.isEmpty() || carpeta_.contains('\0') || ::stat(carpeta_.constData(), &datos) != 0)
        return QStringLiteral("No se puede vigilar la carpeta %1: %2")
            .arg(carpeta, CausaSistema(carpeta_.isEmpty() ? ENOENT : errno));
    if (!S_ISDIR(datos.st_mode))
        return QStringLiteral("No se puede vigilar %1: no es una carpeta").arg(carpeta);
    // The notifications take the folder's name as text: a name that is not UTF-8 would reach
    // them as another name.
    if (QFile::encodeName(config_.carpeta) != carpeta_)
        return QStringLiteral("No se puede vigilar la carpeta %1: su nombre no es UTF-8")
            .arg(carpeta);
    fd_ = ::open(carpeta_.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        return QStringLiteral("No se puede vigilar la carpeta %1: %2")
            .arg(carpeta, CausaSistema(errno));
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0)
        return QStringLiteral("Otra orden «velmor-imprimir --vigilar» ya vigila la carpeta %1")
            .arg(carpeta);
    return std::nullopt;
}

std::optional<QString> VigilanteCarpeta::empiezaAVigilar() {
    vigia_ = new AvisosCarpeta(this);
    if (const int causa = vigia_->vigila(fd_, carpeta_))
        return QStringLiteral("No se puede vigilar la carpeta %1: el sistema no avisa de sus "
                              "cambios (%2)")
            .arg(entreComillas(config_.carpeta), CausaSistema(causa));
    connect(vigia_, &AvisosCarpeta::cambio, this, &VigilanteCarpeta::examinaNombre);
    connect(vigia_, &AvisosCarpeta::desbordado, this, &VigilanteCarpeta::programaExamen);
    connect(vigia_, &AvisosCarpeta::carpetaMovida, this, &VigilanteCarpeta::sigueAhi);
    return std::nullopt;
}

// One name of the folder, as it is now: a new candidate, a candidate that changed (another
// settle time, out of the queue if it was waiting there), or one that is gone or is no longer a
// regular file (forgotten: a link that replaced it is never printed).
void VigilanteCarpeta::examinaNombre(const QByteArray& nombre) {
    if (detenido_ || parando_ || !EsNombrePrt(nombre) || nombre == nombreActual_) return;
    const auto identidad = identidadEn(fd_, nombre);
    if (!identidad || registro_.contiene(*identidad) || descartados_.contains(*identidad)) {
        olvidaCandidato(nombre);
        return;
    }
    alCambiar(nombre, *identidad, reloj_->ahora());
    programaReposo();
}

void VigilanteCarpeta::alCambiar(const QByteArray& nombre, const IdentidadFichero& identidad,
                                 qint64 ahora) {
    auto c = candidatos_.find(nombre);
    if (c == candidatos_.end()) {
        candidatos_.insert(nombre, Candidato{identidad, ahora, ++llegadas_, false});
    } else if (!(c->identidad == identidad)) {
        c->identidad = identidad;
        c->cambio = ahora;
        if (c->listo) listos_.remove(c->llegada);
        c->listo = false;
    }
}

void VigilanteCarpeta::olvidaCandidato(const QByteArray& nombre) {
    const auto c = candidatos_.constFind(nombre);
    if (c == candidatos_.cend()) return;
    if (c->listo) listos_.remove(c->llegada);
    candidatos_.erase(c);
}

// Whether the PDF folder holds the file with that device and inode under a PDF's name. A hidden
// name is no PDF's (reports are never hidden): it is a temporary that a kill left before the PDF
// could take its name.
bool VigilanteCarpeta::pdfEnCarpeta(dev_t dispositivo, ino_t nodo) const {
    DIR* d = ::opendir(BytesDeNombre(config_.carpetaPdf).constData());
    if (!d) return false;
    bool hallado = false;
    while (const dirent* e = ::readdir(d)) {
        struct stat datos {};
        if (e->d_ino == nodo && e->d_name[0] != '.' &&
            ::fstatat(::dirfd(d), e->d_name, &datos, AT_SYMLINK_NOFOLLOW) == 0 &&
            datos.st_dev == dispositivo && datos.st_ino == nodo)
            hallado = true;
    }
    ::closedir(d);
    return hallado;
}

QString VigilanteCarpeta::ruta(const QByteArray& nombre) const {
    return NombreDeBytes(carpeta_ + '/' + nombre);
}

void VigilanteCarpeta::escribe(const QByteArray& nombre, const QString& que) {
    emit registro(QStringLiteral("%1 %2: %3")
                      .arg(QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH:mm:ss"),
                           entreComillas(NombreDeBytes(nombre)), que));
}

// The whole folder read again, once for several requests: at the start, when the kernel lost
// notifications, and after a job when nothing waits (to forget printed files that left). Between
// readings, each notification looks at its one name.
void VigilanteCarpeta::programaExamen() {
    if (examenPendiente_ || detenido_ || parando_) return;
    examenPendiente_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            examenPendiente_ = false;
            if (!parando_) examina();
        },
        Qt::QueuedConnection);
}

// The folder removed or moved away: nothing more will arrive where it was.
bool VigilanteCarpeta::sigueAhi() {
    if (detenido_) return false;
    struct stat enRuta {
    }, abierta{};
    if (::stat(carpeta_.constData(), &enRuta) == 0 && ::fstat(fd_, &abierta) == 0 &&
        enRuta.st_dev == abierta.st_dev && enRuta.st_ino == abierta.st_ino)
        return true;
    emit aviso(QStringLiteral("La carpeta %1 ya no existe: se deja de vigilar")
                   .arg(entreComillas(config_.carpeta)));
    deja(1);
    return false;
}

void VigilanteCarpeta::examina() {
    if (!sigueAhi()) return;
    DIR* d = ::fdopendir(::openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!d) {
        emit aviso(QStringLiteral("No se puede leer la carpeta %1: %2")
                       .arg(entreComillas(config_.carpeta), CausaSistema(errno)));
        deja(1);
        return;
    }
    const qint64 ahora = reloj_->ahora();
    QSet<IdentidadFichero> presentes;
    QSet<QByteArray> vistos;
    QList<std::pair<QByteArray, IdentidadFichero>> nuevos;
    while (const dirent* e = ::readdir(d)) {
        const QByteArray nombre(e->d_name);
        if (!EsNombrePrt(nombre)) continue;
        const auto identidad = identidadEn(fd_, nombre);
        if (!identidad) continue;
        presentes.insert(*identidad);
        if (nombre == nombreActual_ || registro_.contiene(*identidad) ||
            descartados_.contains(*identidad))
            continue;
        vistos.insert(nombre);
        if (candidatos_.contains(nombre))
            alCambiar(nombre, *identidad, ahora);
        else
            nuevos.append({nombre, *identidad});
    }
    ::closedir(d);
    // Files that arrived together (or were there before the start) arrive in the order of their
    // modification times.
    std::sort(nuevos.begin(), nuevos.end(), [](const auto& a, const auto& b) {
        const timespec &ta = a.second.modificado, &tb = b.second.modificado;
        return std::tie(ta.tv_sec, ta.tv_nsec, a.first) < std::tie(tb.tv_sec, tb.tv_nsec, b.first);
    });
    for (const auto& [nombre, identidad] : nuevos)
        alCambiar(nombre, identidad, ahora);
    for (auto c = candidatos_.begin(); c != candidatos_.end();) {
        if (vistos.contains(c.key())) {
            ++c;
            continue;
        }
        if (c->listo) listos_.remove(c->llegada);
        c = candidatos_.erase(c);
    }
    descartados_.intersect(presentes);
    guardaRegistro([&] { registro_.olvidaAusentes(presentes); });
    programaReposo();
}

void VigilanteCarpeta::programaReposo() {
    // Complete files wait for the end of a printer's wait.
    qint64 proximo = listos_.isEmpty() || impresoraLibre_ <= reloj_->ahora() ? -1 : impresoraLibre_;
    for (const Candidato& c : std::as_const(candidatos_))
        if (!c.listo && (proximo < 0 || c.cambio + config_.reposoMs < proximo))
            proximo = c.cambio + config_.reposoMs;
    if (proximo < 0 || parando_) {
        reposo_.stop();
        return;
    }
    reposo_.start(int(std::max<qint64>(0, proximo - reloj_->ahora())));
}

// The settle time of some candidates is over: those unchanged and closed are complete.
void VigilanteCarpeta::alVencer() {
    const qint64 ahora = reloj_->ahora();
    QList<QByteArray> vencidos;
    for (auto c = candidatos_.cbegin(); c != candidatos_.cend(); ++c)
        if (!c->listo && c->cambio + config_.reposoMs <= ahora) vencidos << c.key();
    for (const QByteArray& nombre : vencidos)
        compruebaCompleto(nombre, candidatos_[nombre], ahora);
    programaReposo();
    programaSiguiente();
}

// A clock moved by hand: whatever changed in the folder up to now changed before the time moved,
// as the notifications of a folder would have told.
void VigilanteCarpeta::alAvanzarReloj() {
    if (detenido_ || parando_) return;
    examina();
    if (!detenido_) alVencer();
}

void VigilanteCarpeta::compruebaCompleto(const QByteArray& nombre, Candidato& c, qint64 ahora) {
    const auto identidad = identidadEn(fd_, nombre);
    if (!identidad) {
        candidatos_.remove(nombre);
        return;
    }
    // Changed since it was last seen, or still open for writing: another settle time.
    if (!(*identidad == c.identidad) || seEstaEscribiendo(fd_, nombre)) {
        c.identidad = *identidad;
        c.cambio = ahora;
        return;
    }
    c.listo = true;
    listos_.insert(c.llegada, nombre);
}

void VigilanteCarpeta::programaSiguiente() {
    if (siguientePendiente_ || actual_ || parando_ || listos_.isEmpty()) return;
    siguientePendiente_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            siguientePendiente_ = false;
            siguiente();
        },
        Qt::QueuedConnection);
}

// Starts the job of the first complete file to arrive. The rendering runs here; the CUPS
// submission and wait run in the job's threads, and the event loop goes on meanwhile.
void VigilanteCarpeta::siguiente() {
    // A signal caught while the last file was drawn is still on its way to para().
    if (actual_ || parando_ || listos_.isEmpty() || reloj_->ahora() < impresoraLibre_ ||
        (config_.paradaPedida && config_.paradaPedida()))
        return;
    const QByteArray nombre = listos_.first();
    // Changed, or replaced by a link, while it waited: it settles again, or is forgotten.
    const auto ahora = identidadEn(fd_, nombre);
    if (!ahora || !(*ahora == candidatos_.value(nombre).identidad)) {
        examinaNombre(nombre);
        if (!ahora) olvidaCandidato(nombre);
        programaSiguiente();
        return;
    }
    nombreActual_ = nombre;
    listos_.erase(listos_.begin());
    const Candidato c = candidatos_.take(nombreActual_);
    identidadActual_ = c.identidad;
    llegadaActual_ = c.llegada;
    PeticionTrabajo p = config_.peticion;
    p.ruta = ruta(nombreActual_);
    // Its name with ".pdf", or the next free one when that is taken at the moment it is given:
    // never a file replaced, another watcher's or another program's.
    p.pdfSinSustituir = true;
    // The PDF's name and the record are one step: the intent is recorded before the name is
    // taken, settled after; a kill in between is resolved at the next start by the PDF's inode.
    p.antesDeNombrarPdf = [this, identidad = c.identidad,
                           nombre = nombreActual_](const struct stat& pdf) {
        guardaRegistro([&] { registro_.anotaIntento(identidad, nombre, pdf.st_dev, pdf.st_ino); });
    };
    actual_ = new TrabajoImpresion(impresoras_, *config_.interlocutor, p, this);
    connect(actual_, &TrabajoImpresion::enviado, this, &VigilanteCarpeta::alEnviar);
    connect(actual_, &TrabajoImpresion::terminado, this, &VigilanteCarpeta::alTerminar);
    actual_->inicia();
}

// The scheduler has the job: from now on the file must not print again, whatever happens to the
// wait for its completion (a stop, a crash).
void VigilanteCarpeta::alEnviar() {
    if (!config_.peticion.borrar) return; // no wait follows: terminado() comes at once
    anota(actual_->resultado().identidad, nombreActual_);
    if (parando_)
        QMetaObject::invokeMethod(this, &VigilanteCarpeta::abandona, Qt::QueuedConnection);
}

QString VigilanteCarpeta::trabajoEn(const ResultadoTrabajo& r) const {
    if (!r.salidaPdf.isEmpty()) return QStringLiteral("en ") + entreComillas(r.salidaPdf);
    return QStringLiteral("en «%1», trabajo %2").arg(r.cola).arg(r.idTrabajo);
}

void VigilanteCarpeta::alTerminar(const ResultadoTrabajo& r) {
    actual_->deleteLater();
    actual_ = nullptr;
    const QByteArray nombre = std::exchange(nombreActual_, {});
    switch (r.fin) {
    case ResultadoTrabajo::Fin::Impreso: {
        QString que = r.vacio ? QStringLiteral("impreso: no tenía nada que imprimir")
                              : QStringLiteral("impreso ") + trabajoEn(r);
        if (r.borrado) {
            que += QStringLiteral("; borrado");
            guardaRegistro([&] { registro_.olvida(r.identidad); });
        } else {
            anota(r.identidad, nombre);
            if (r.error) que += QStringLiteral("; se conserva: ") + r.error->texto();
        }
        escribe(nombre, que);
        esperaImpresoraMs_ = 0;
        fallidoAntes_.clear();
        break;
    }
    case ResultadoTrabajo::Fin::NoEncontrado:
        escribe(nombre, QStringLiteral("ya no está: ") + r.error->texto());
        break;
    case ResultadoTrabajo::Fin::Fallido:
    case ResultadoTrabajo::Fin::Declinado:
        if (r.error && r.error->numero() == ErrorVelmor::FicheroCambiado)
            reintenta(nombre, r.error->texto());
        else if (deLaImpresora(r))
            esperaImpresora(nombre, r.error->texto());
        else
            apartaFallido(nombre, r);
        break;
    }
    if (parando_) {
        deja(0);
        return;
    }
    if (listos_.isEmpty()) programaExamen();
    programaSiguiente();
}

// Still being written after all: it waits for another settle time, in its place in the queue.
void VigilanteCarpeta::reintenta(const QByteArray& nombre, const QString& motivo) {
    escribe(nombre, motivo + QStringLiteral("; se imprimirá cuando esté completo"));
    const auto identidad = identidadEn(fd_, nombre);
    if (!identidad) return;
    candidatos_.insert(nombre, Candidato{*identidad, reloj_->ahora(), llegadaActual_, false});
    programaReposo();
}

// The printer's fault, not the file's (a queue that refuses jobs, a scheduler that is down): no
// job starts until a wait is over, a wait that doubles, from 30 s up to 5 minutes, while the
// printer keeps failing; then the file, which keeps its place, is tried first. Trying the others
// meanwhile would only fail them too, and lengthen the wait. Failing again at once, it goes
// behind the others: the fault may be its own (a queue that refuses that one document), and no
// other report should wait on it.
void VigilanteCarpeta::esperaImpresora(const QByteArray& nombre, const QString& motivo) {
    esperaImpresoraMs_ = std::clamp(esperaImpresoraMs_ * 2, 30000, 300000);
    impresoraLibre_ = reloj_->ahora() + esperaImpresoraMs_;
    const quint64 llegada =
        nombre == std::exchange(fallidoAntes_, nombre) ? ++llegadas_ : llegadaActual_;
    escribe(nombre, QStringLiteral("error: %1; se reintenta en %2 s")
                        .arg(motivo)
                        .arg(esperaImpresoraMs_ / 1000));
    // Unchanged, it is still complete and waits in its place; changed meanwhile, it settles again.
    if (const auto identidad = identidadEn(fd_, nombre)) {
        const bool igual = *identidad == identidadActual_;
        candidatos_.insert(nombre, Candidato{*identidad, reloj_->ahora(), llegada, igual});
        if (igual) listos_.insert(llegada, nombre);
    }
    programaReposo();
}

void VigilanteCarpeta::apartaFallido(const QByteArray& nombre, const ResultadoTrabajo& r) {
    const QString motivo =
        r.error ? r.error->texto()
                : QStringLiteral("«%1» no se ha impreso").arg(NombreVisible(ruta(nombre)));
    // Another file under that name now deserves its own try; what is not a regular file (a link
    // put in its place) is left where it is.
    const auto identidad = identidadEn(fd_, nombre);
    if (!identidad) {
        escribe(nombre, QStringLiteral("error: ") + motivo + QStringLiteral("; se deja"));
        return;
    }
    if (!(*identidad == identidadActual_)) {
        reintenta(nombre, QStringLiteral("error: ") + motivo +
                              QStringLiteral("; el fichero ha cambiado desde entonces"));
        return;
    }
    try {
        const QByteArray donde = CarpetaErrores::Aparta(fd_, nombre, motivo);
        escribe(nombre, QStringLiteral("error: %1; movido a %2")
                            .arg(motivo, entreComillas(NombreDeBytes(donde))));
    } catch (const ErrorVelmor& e) {
        descartados_.insert(identidadActual_);
        escribe(nombre,
                QStringLiteral("error: %1; se queda en la carpeta: %2").arg(motivo, e.texto()));
    }
}

// A file the record cannot take (a full disk) is remembered in memory instead: otherwise the next
// reading of the folder would find it unrecorded and print it again, and again.
void VigilanteCarpeta::anota(const IdentidadFichero& identidad, const QByteArray& nombre) {
    if (!guardaRegistro([&] { registro_.anota(identidad, nombre); }))
        descartados_.insert(identidad);
}

bool VigilanteCarpeta::guardaRegistro(const std::function<void()>& cambio) {
    try {
        cambio();
        return true;
    } catch (const ErrorVelmor& e) {
        emit aviso(e.texto() + QStringLiteral(" (si la orden se reinicia, los ficheros ya "
                                              "impresos que sigan en la carpeta se imprimirán "
                                              "otra vez)"));
        return false;
    }
}

void VigilanteCarpeta::para() {
    if (parando_ || detenido_) return;
    parando_ = true;
    reposo_.stop();
    if (vigia_) vigia_->deleteLater(); // perhaps in the middle of its own signal
    vigia_ = nullptr;
    if (!actual_) {
        deja(0);
        return;
    }
    // A job awaiting its completion is left to CUPS; one being submitted is let through first.
    if (actual_->resultado().idTrabajo != 0) abandona();
}

void VigilanteCarpeta::abandona() {
    if (!actual_) return; // it ended meanwhile
    const ResultadoTrabajo& r = actual_->resultado();
    escribe(nombreActual_,
            QStringLiteral("impreso %1; se conserva: la vigilancia se ha parado antes de que el "
                           "trabajo terminara")
                .arg(trabajoEn(r)));
    actual_->disconnect(this);
    actual_->deleteLater();
    actual_ = nullptr;
    nombreActual_.clear();
    deja(0);
}

void VigilanteCarpeta::deja(int estado) {
    if (detenido_) return;
    detenido_ = true;
    parando_ = true;
    reposo_.stop();
    if (vigia_) vigia_->deleteLater();
    vigia_ = nullptr;
    if (estado == 0)
        emit registro(QStringLiteral("%1 parada la vigilancia de %2")
                          .arg(QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH:mm:ss"),
                               entreComillas(config_.carpeta)));
    emit parado(estado);
}
