#include "printing/trabajo_impresion.h"

#include "printing/dispositivo_impresora.h"
#include "printing/imprimir_prt.h"
#include "shared/nombres_fichero.h"
#include "shared/paths.h"
#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
constexpr int kIntervaloConsulta = 1000; // ms between questions to the scheduler

// What a call to the print system gave: its value, or the error it threw.
template <typename T> struct OError {
    std::optional<T> valor;
    std::optional<ErrorVelmor> error;
};

// Runs `llamada` in a thread of its own and hands what it gave (or threw) to `alTerminar` in the
// main thread, if the job still exists then. The thread never touches the job: a job destroyed
// meanwhile (the program quitting while a scheduler hangs) leaves the thread to finish on its own.
template <typename T>
void enHilo(TrabajoImpresion* job, std::function<T()> llamada,
            std::function<void(TrabajoImpresion*, const OError<T>&)> alTerminar) {
    QPointer<TrabajoImpresion> destino(job);
    std::thread([destino, llamada = std::move(llamada), alTerminar = std::move(alTerminar)] {
        OError<T> r;
        try {
            r.valor = llamada();
        } catch (const ErrorVelmor& e) {
            r.error = e;
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [destino, r = std::move(r), alTerminar] {
                if (destino) alTerminar(destino.data(), r);
            },
            Qt::QueuedConnection);
    }).detach();
}

// The same file as `ruta`, whatever the spelling (another name, a hard link).
bool mismoFichero(const QString& a, const QString& b) {
    struct stat da {
    }, db{};
    return ::stat(BytesDeNombre(a).constData(), &da) == 0 &&
           ::stat(BytesDeNombre(b).constData(), &db) == 0 && da.st_dev == db.st_dev &&
           da.st_ino == db.st_ino;
}
} // namespace

QString NombrePdf(const QString& nombreFichero) {
    return nombreFichero.first(qMax(0, nombreFichero.size() - 3)) + QLatin1String("pdf");
}

QString AvisoImagenes(const QStringList& noEncontradas) {
    QStringList nombres;
    for (const QString& imagen : noEncontradas)
        nombres << QStringLiteral("«%1»").arg(NombreVisible(imagen));
    if (nombres.isEmpty()) return {};
    if (nombres.size() == 1)
        return QStringLiteral("No se ha encontrado la imagen de fondo ") + nombres.first();
    const QString ultima = nombres.takeLast();
    return QStringLiteral("No se han encontrado las imágenes de fondo ") +
           nombres.join(QStringLiteral(", ")) + QStringLiteral(" y ") + ultima;
}

TrabajoImpresion::TrabajoImpresion(Impresoras& impresoras, InterlocutorTrabajo& interlocutor,
                                   PeticionTrabajo peticion, QObject* parent)
    : QObject(parent), impresoras_(impresoras), interlocutor_(interlocutor),
      peticion_(std::move(peticion)) {}

TrabajoImpresion::~TrabajoImpresion() = default;

QString TrabajoImpresion::nombreVisible() const {
    return NombreVisible(NombreDe(peticion_.ruta));
}

void TrabajoImpresion::inicia() {
    // A path that ends in "/" is what a chosen file that vanished leaves: the folder alone.
    if (peticion_.ruta.endsWith(u'/') || !ExisteRuta(peticion_.ruta, false)) {
        resultado_.error =
            ErrorVelmor::DeFichero(ErrorVelmor::FicheroNoEncontrado,
                                   QStringLiteral("Fichero [") + NombreVisible(peticion_.ruta) +
                                       QStringLiteral("] a imprimir no encontrado"),
                                   peticion_.ruta);
        termina(ResultadoTrabajo::Fin::NoEncontrado);
        return;
    }
    const QString nombrePdf = NombrePdf(nombreVisible());
    interlocutor_.nombrePdf(nombrePdf);
    if (peticion_.elegirImpresora && !interlocutor_.eligeImpresora(impresoras_)) {
        termina(ResultadoTrabajo::Fin::Declinado);
        return;
    }
    if (impresoras_.actualEsPdf()) {
        resultado_.salidaPdf = interlocutor_.salidaPdf(CarpetaDe(peticion_.ruta), nombrePdf);
        if (resultado_.salidaPdf.isEmpty()) {
            termina(ResultadoTrabajo::Fin::Declinado);
            return;
        }
        // Writing the PDF over the file being printed would destroy it.
        if (mismoFichero(resultado_.salidaPdf, peticion_.ruta)) {
            resultado_.error = ErrorVelmor::DeFichero(
                ErrorVelmor::ErrorAccesoRuta,
                QStringLiteral("El PDF de salida no puede ser el propio fichero «") +
                    NombreVisible(peticion_.ruta) + QStringLiteral("»: elija otro nombre."),
                peticion_.ruta);
            termina(ResultadoTrabajo::Fin::Fallido);
            return;
        }
        salida_ = std::make_unique<SalidaFichero>(resultado_.salidaPdf);
        if (peticion_.pdfSinSustituir) salida_->numera();
        if (peticion_.antesDeNombrarPdf) salida_->antesDeNombrar(peticion_.antesDeNombrarPdf);
    } else {
        cola_ = impresoras_.cola();
        resultado_.cola = cola_->nombre();
        salida_ = std::make_unique<SalidaFichero>();
    }
    imprime();
}

void TrabajoImpresion::imprime() {
    emit estado(QStringLiteral("Preparando «%1»…").arg(nombreVisible()));
    TrabajoPrt trabajo;
    trabajo.ruta = peticion_.ruta;
    trabajo.modoDos = peticion_.modoDos;
    trabajo.lineasPagina = peticion_.lineasPagina;
    trabajo.nueveAgujas = peticion_.nueveAgujas || peticion_.ajustes.agujas == 9;
    if (!peticion_.titulo.isEmpty()) trabajo.titulo = peticion_.titulo;
    DispositivoImpresora* dispositivo = nullptr;
    try {
        impresoras_.ponPapel(peticion_.ajustes);
        dispositivo = &impresoras_.dispositivo(*salida_);
    } catch (const ErrorVelmor& e) {
        resultado_.error = e.en(peticion_.ruta);
        termina(ResultadoTrabajo::Fin::Fallido);
        return;
    }
    emit renderizando(true);
    const ResultadoPrt r = ImprimirPrt(trabajo, *dispositivo);
    emit renderizando(false);
    if (r.error) {
        resultado_.error = r.error;
        termina(ResultadoTrabajo::Fin::Fallido);
        return;
    }
    resultado_.identidad = r.identidad;
    resultado_.imagenesNoEncontradas = r.imagenesNoEncontradas;
    resultado_.vacio = !salida_->terminada();
    if (impresoras_.actualEsPdf()) resultado_.salidaPdf = salida_->destino();
    if (resultado_.vacio || impresoras_.actualEsPdf()) {
        if (resultado_.vacio) resultado_.salidaPdf.clear();
        alImprimir();
        return;
    }
    enviaACups();
}

void TrabajoImpresion::enviaACups() {
    emit estado(QStringLiteral("Enviando «%1» a «%2»…").arg(nombreVisible(), resultado_.cola));
    const int copia = ::fcntl(salida_->descriptor(), F_DUPFD_CLOEXEC, 0);
    const std::shared_ptr<const ColaImpresion> cola = cola_;
    const QString titulo = nombreVisible();
    const int copias = peticion_.copias;
    enHilo<int>(
        this,
        [copia, cola, titulo, copias] {
            // The copy of the descriptor is the thread's own, whatever the call gives.
            struct Cierra {
                int fd;
                ~Cierra() {
                    if (fd >= 0) ::close(fd);
                }
            } cierra{copia};
            if (copia < 0)
                throw ErrorVelmor(ErrorVelmor::ErrorEntradaSalida,
                                  QStringLiteral("No se puede releer el documento de impresión"));
            return cola->envia(copia, titulo, copias);
        },
        [](TrabajoImpresion* job, const OError<int>& r) {
            job->alEnviar(r.valor.value_or(0), r.error);
        });
}

void TrabajoImpresion::alEnviar(int id, const std::optional<ErrorVelmor>& error) {
    salida_.reset(); // the scheduler has its own copy now
    if (error) {
        resultado_.error = error;
        termina(ResultadoTrabajo::Fin::Fallido);
        return;
    }
    resultado_.idTrabajo = id;
    emit estado(QStringLiteral("«%1»: el trabajo %2 de «%3» está en la cola")
                    .arg(nombreVisible())
                    .arg(id)
                    .arg(resultado_.cola));
    emit enviado();
    alImprimir();
}

// Printed (or accepted by the queue): delete, ask, or just end.
void TrabajoImpresion::alImprimir() {
    // A picture the file asked for was not found: it printed, but not as it asked, and is kept
    // to be printed again once the picture is back.
    if (!resultado_.imagenesNoEncontradas.isEmpty() && (peticion_.borrar || peticion_.preguntar)) {
        conserva(AvisoImagenes(resultado_.imagenesNoEncontradas) +
                 QStringLiteral(": «%1» no se ha impreso como se pedía").arg(nombreVisible()));
        return;
    }
    // While the question is open the line says what became of the file (a queue's job has said
    // so since it was accepted).
    if (resultado_.vacio)
        emit estado(QStringLiteral("«%1» no tiene nada que imprimir").arg(nombreVisible()));
    else if (!resultado_.salidaPdf.isEmpty())
        emit estado(QStringLiteral("«%1» escrito en «%2»")
                        .arg(nombreVisible(), NombreVisible(NombreDe(resultado_.salidaPdf))));
    const bool borrar =
        peticion_.borrar || (peticion_.preguntar && interlocutor_.confirmaBorrado(peticion_.ruta));
    if (!borrar) {
        termina(ResultadoTrabajo::Fin::Impreso);
        return;
    }
    if (resultado_.idTrabajo == 0) {
        borra();
        return;
    }
    espera();
}

void TrabajoImpresion::espera() {
    reloj_.start();
    consulta_ = new QTimer(this);
    consulta_->setSingleShot(true);
    consulta_->setInterval(kIntervaloConsulta);
    connect(consulta_, &QTimer::timeout, this, [this] {
        const std::shared_ptr<const ColaImpresion> cola = cola_;
        const int id = resultado_.idTrabajo;
        enHilo<EstadoTrabajo>(
            this, [cola, id] { return cola->consulta(id); },
            [](TrabajoImpresion* job, const OError<EstadoTrabajo>& r) {
                job->alConsultar(r.valor, r.error);
            });
    });
    consulta_->start(0);
}

void TrabajoImpresion::alConsultar(const std::optional<EstadoTrabajo>& estado,
                                   const std::optional<ErrorVelmor>& error) {
    const QString trabajo = QStringLiteral("el trabajo %1").arg(resultado_.idTrabajo);
    const QString deLaCola = QStringLiteral(" de la impresora «%1»").arg(resultado_.cola);
    if (error) {
        conserva(QStringLiteral("No se sabe si %1%2 ha terminado: %3")
                     .arg(trabajo, deLaCola, error->mensaje()));
        return;
    }
    if (estado->estado == EstadoTrabajo::Completado) {
        borra();
        return;
    }
    if (estado->colaDetenida && !estado->final()) {
        conserva(QStringLiteral("La impresora «%1» está detenida: %2 %3")
                     .arg(resultado_.cola, trabajo, estado->enPalabras()));
        return;
    }
    if (estado->final() || estado->atascado()) {
        conserva(QStringLiteral("El trabajo %1%2 %3")
                     .arg(resultado_.idTrabajo)
                     .arg(deLaCola, estado->enPalabras()));
        return;
    }
    if (reloj_.elapsed() >= qint64(peticion_.esperaSegundos) * 1000) {
        conserva(QStringLiteral("El trabajo %1%2 no ha terminado en %3 segundos (%4)")
                     .arg(resultado_.idTrabajo)
                     .arg(deLaCola)
                     .arg(peticion_.esperaSegundos)
                     .arg(estado->enPalabras()));
        return;
    }
    emit this->estado(QStringLiteral("«%1»: el trabajo %2 de «%3» %4")
                          .arg(nombreVisible())
                          .arg(resultado_.idTrabajo)
                          .arg(resultado_.cola, estado->enPalabras()));
    consulta_->start();
}

void TrabajoImpresion::conserva(const QString& motivo) {
    resultado_.error = ErrorVelmor::DeFichero(
        ErrorVelmor::TrabajoNoTerminado,
        motivo + QStringLiteral("; «%1» no se ha borrado.").arg(NombreVisible(peticion_.ruta)),
        peticion_.ruta);
    termina(ResultadoTrabajo::Fin::Impreso);
}

void TrabajoImpresion::borra() {
    try {
        BorrarFichero(peticion_.ruta, resultado_.identidad,
                      QStringLiteral("desde que se imprimió"));
        resultado_.borrado = true;
    } catch (const ErrorVelmor& e) {
        resultado_.error = e;
    }
    termina(ResultadoTrabajo::Fin::Impreso);
}

void TrabajoImpresion::termina(ResultadoTrabajo::Fin fin) {
    if (terminado_) return;
    terminado_ = true;
    resultado_.fin = fin;
    salida_.reset();
    emit estado(QString());
    emit terminado(resultado_);
}
