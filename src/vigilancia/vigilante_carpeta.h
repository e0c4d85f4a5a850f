#pragma once

#include "printing/trabajo_impresion.h"
#include "shared/fichero_regular.h"
#include "vigilancia/registro_impresos.h"
#include "vigilancia/reloj_vigilancia.h"
#include <QHash>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <functional>
#include <optional>

class Impresoras;
class AvisosCarpeta;

struct ConfiguracionVigilancia {
    QString carpeta;    // the watched folder, in the lossless form of nombres_fichero.h
    QString carpetaPdf; // with the PDF printer: the folder the PDFs go to
    // What every file's job asks besides its path: MS-Dos mode, lines, deletion, wait, copies.
    PeticionTrabajo peticion;
    // How long a file must stay unchanged, and closed by its writers, before it prints.
    int reposoMs = 2000;
    // The clock the settle time is measured by; null: the system's (RelojVigilancia).
    RelojVigilancia* reloj = nullptr;
    // The answers to the print job's questions (InterlocutorVigilancia): where each PDF goes.
    InterlocutorTrabajo* interlocutor = nullptr;
    // Whether a stop was asked and is on its way to para(): no new job starts meanwhile.
    std::function<bool()> paradaPedida;
};

// The watched folder of velmor-imprimir --vigilar: prints each ".prt" file of the folder (any
// letter case, not hidden) that is there at the start or arrives later, once it is complete, one
// at a time in order of arrival, each through the print job with its guarantees.
//
// Complete means: closed by every writer (a read lease is refused while a file is open for
// writing) and unchanged in identity (size, modification time, inode) for the settle time. The
// folder's notifications (inotify: AvisosCarpeta) tell of each name created, moved, written or
// closed after writing, and only that name is looked at again; a file that changes while it waits
// settles again, and is looked at once more just before it prints. One timer re-examines, at the
// end of their settle time, only the files not yet complete. Nothing runs while the folder is
// quiet. Symbolic links are never printed, nor followed.
//
// A file that fails moves to "errores/" beside a ".txt" with the reason (CarpetaErrores), unless
// the printer is at fault (a queue that refuses jobs, a scheduler that is down, a PDF folder that
// cannot be written): then it keeps its place and is tried again after a wait. A file that
// printed and stays (no deletion asked, its CUPS job not completed, its deletion refused) is
// recorded by identity in the folder's RegistroImpresos, so that neither this run nor a later one
// prints it again. A CUPS job is recorded as soon as the scheduler accepts it, before its
// completion is awaited.
class VigilanteCarpeta : public QObject {
    Q_OBJECT
  public:
    VigilanteCarpeta(Impresoras& impresoras, ConfiguracionVigilancia configuracion,
                     QObject* parent = nullptr);
    ~VigilanteCarpeta() override;

    // Opens and locks the folder (one watcher per folder), reads its record and starts watching.
    // Returns the Spanish reason when it cannot.
    std::optional<QString> inicia();
    // An orderly stop: no new job starts; a job being sent to CUPS is let through the
    // submission, a job awaiting its CUPS completion is abandoned (its file stays, recorded);
    // then parado() is emitted.
    void para();

  signals:
    // One line per file (time, file, outcome, job), and the watcher's own start and stop.
    void registro(const QString& linea);
    // A problem of the watcher itself that does not stop it (the record cannot be saved).
    void aviso(const QString& texto);
    // Stopped: 0 after para(); 1 when the folder can no longer be read.
    void parado(int estado);

  private:
    struct Candidato {
        IdentidadFichero identidad;
        qint64 cambio = 0; // when it was last seen changing or open for writing (ms)
        quint64 llegada = 0;
        bool listo = false; // complete, waiting for its turn in listos_
    };

    std::optional<QString> abreCarpeta();
    std::optional<QString> empiezaAVigilar();
    bool sigueAhi();
    void examina();
    void examinaNombre(const QByteArray& nombre);
    void alCambiar(const QByteArray& nombre, const IdentidadFichero& identidad, qint64 ahora);
    void olvidaCandidato(const QByteArray& nombre);
    void programaExamen();
    void alVencer();
    void alAvanzarReloj();
    void compruebaCompleto(const QByteArray& nombre, Candidato& c, qint64 ahora);
    void programaReposo();
    void siguiente();
    void programaSiguiente();
    void alEnviar();
    void alTerminar(const ResultadoTrabajo& r);
    void abandona();
    void apartaFallido(const QByteArray& nombre, const ResultadoTrabajo& r);
    void reintenta(const QByteArray& nombre, const QString& motivo);
    void esperaImpresora(const QByteArray& nombre, const QString& motivo);
    void anota(const IdentidadFichero& identidad, const QByteArray& nombre);
    // False, said as an aviso(), when the record cannot be changed.
    bool guardaRegistro(const std::function<void()>& cambio);
    void escribe(const QByteArray& nombre, const QString& que);
    void deja(int estado);
    QString ruta(const QByteArray& nombre) const;
    bool pdfEnCarpeta(dev_t dispositivo, ino_t nodo) const;
    QString trabajoEn(const ResultadoTrabajo& r) const;

    Impresoras& impresoras_;
    ConfiguracionVigilancia config_;
    QByteArray carpeta_; // bytes of config_.carpeta
    int fd_ = -1;        // the folder, open and locked
    RegistroImpresos registro_;
    AvisosCarpeta* vigia_ = nullptr;
    QTimer reposo_;
    RelojVigilancia relojSistema_;
    RelojVigilancia* reloj_;
    QHash<QByteArray, Candidato> candidatos_;
    QMap<quint64, QByteArray> listos_; // by arrival
    // Not to be tried again while they stay the same: failed and could not be moved aside, or
    // printed and could not be recorded.
    QSet<IdentidadFichero> descartados_;
    quint64 llegadas_ = 0;
    TrabajoImpresion* actual_ = nullptr;
    QByteArray nombreActual_;
    IdentidadFichero identidadActual_; // as it was found complete
    quint64 llegadaActual_ = 0;
    int esperaImpresoraMs_ = 0; // the last wait for a failing printer; 0 after a print
    qint64 impresoraLibre_ = 0; // no job starts before this time (ms): the printer failed
    QByteArray fallidoAntes_;   // the last file the printer failed, until one prints
    bool examenPendiente_ = false;
    bool siguientePendiente_ = false;
    bool parando_ = false;
    bool detenido_ = false;
};
