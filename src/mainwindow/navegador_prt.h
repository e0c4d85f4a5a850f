#pragma once

#include "mainwindow/fuente_volumenes.h"
#include "shared/fichero_regular.h"
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <optional>

class QFileSystemWatcher;

// The folder and file browser without its widgets: the folder shown and its ".prt" files, the
// volumes and the base folders to go to, where the browser has been, and the file the user
// chose. The window shows what it signals and tells it what the user did. Names are in the
// lossless form of nombres_fichero.h.
class NavegadorPrt : public QObject {
    Q_OBJECT
  public:
    explicit NavegadorPrt(QObject* parent = nullptr);
    // The volumes from `fuente` (not taken over), or from the system's mount table when null.
    NavegadorPrt(FuenteVolumenes* fuente, QObject* parent);

    // Start-up: the mounted volumes and `raizVolumen`; the base folders, that is the sibling
    // applications found at `raizVolumen` and `carpetaInicio` unless it is one of them; then the
    // browser goes to that volume and to `carpetaInicio`.
    void Arrancar(const QString& raizVolumen, const QString& carpetaInicio);

    const QList<VolumenPrt>& Volumenes() const { return volumenes_; }
    int VolumenActual() const { return volumenActual_; }
    const QStringList& Basicas() const { return basicas_; }
    int BasicaElegida() const { return basicaElegida_; }

    const QString& Carpeta() const { return carpeta_; }
    // The ".prt" files of the shown folder as last read, in the list's order.
    const QStringList& Ficheros() const { return ficheros_; }

    // Each goes to a folder and says whether it could. A folder that cannot be shown is told
    // (aviso, carpetaRechazada) and the shown folder stays.
    bool IrAVolumen(int posicion); // the folder last shown on it, else its root
    bool IrABasica(int posicion);
    bool PonCarpeta(const QString& ruta);

    // Re-reads the shown folder, or leaves it for the last usable one when it has become
    // unusable. Returns the chosen file's position in Ficheros(), -1 when it is not there: a
    // refresh never moves the choice to another file.
    int Refrescar();

    // The user chose `nombre` in the shown folder's list (empty: nothing).
    void Elegir(const QString& nombre);
    // After the chosen file was deleted: nothing is chosen, and a file written later under its
    // name is another file.
    void OlvidarEleccion();
    // The chosen file as it was when chosen; empty when it could not be read then.
    const std::optional<IdentidadFichero>& IdentidadElegida() const { return identidadElegida_; }

    // Why a folder cannot be shown; empty when it can.
    static QString MotivoInutil(const QString& ruta);
    // The ".prt" files of a folder (any letter case; hidden ones not), by their exact bytes.
    static QStringList FicherosPrtDe(const QString& carpeta);

  signals:
    // Another folder is shown; its files follow in ficherosCambiados.
    void carpetaCambiada(const QString& ruta);
    // A folder was refused; `mostrada` is still the one shown.
    void carpetaRechazada(const QString& mostrada);
    void ficherosCambiados(const QStringList& nombres);
    // Something changed on disk in the shown folder.
    void carpetaModificada();
    // The mounted volumes changed: Volumenes() and VolumenActual() are new (-1 when the volume
    // shown has gone; the next refresh leaves its folder).
    void volumenesCambiados();
    // Something the user must be told.
    void aviso(const QString& texto);

  private:
    void Mostrar(const QString& ruta);
    bool LeerFicheros();
    void Vigilar(const QString& ruta);
    QString CarpetaUsableAnterior() const;
    QString VolumenDe(const QString& ruta) const;
    QList<VolumenPrt> LeerVolumenes(const QString& propia) const;
    void ReleerVolumenes();

    QFileSystemWatcher* vigilante_;
    FuenteVolumenes* fuente_;
    QString propia_; // the start volume's root, always offered
    QList<VolumenPrt> volumenes_;
    int volumenActual_ = -1;
    QStringList basicas_;
    int basicaElegida_ = -1;
    QString carpeta_;
    QStringList ficheros_;
    QStringList historial_;                   // folders shown before, newest last
    QHash<QString, QString> ultimaEnVolumen_; // volume root -> folder last shown there
    // The file the user chose, as it was when chosen: what "Eliminar fichero" may delete, and
    // what a refresh selects again (never a namesake).
    QString nombreElegido_;
    QString carpetaElegida_;
    std::optional<IdentidadFichero> identidadElegida_;
};
