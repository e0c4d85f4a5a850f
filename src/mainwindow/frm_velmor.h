#pragma once

#include "printing/print_job.h"
#include "printing/trabajo_impresion.h"
#include "shared/fichero_regular.h"
#include <QHash>
#include <QList>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <optional>

class Impresoras;
class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QFileSystemWatcher;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class QTreeView;

// What start-up takes from the platform; tests give their own folders and fonts.
struct EntornoVelmor {
    QString carpetaPrograma; // the executable's folder
    QString raizVolumen;     // root of the volume that holds it
    QStringList fuentes;     // installed font families
    QStringList argumentos;  // command-line arguments, without the program's own path

    static EntornoVelmor DelSistema();
};

// The main window: a ".prt" file list with its command buttons, and a search panel (base
// folders, volumes, folder tree) that cmdCarpeta brings into view.
class frmVelmor : public QWidget, private InterlocutorTrabajo {
    Q_OBJECT
  public:
    explicit frmVelmor(Impresoras& impresoras, EntornoVelmor entorno = EntornoVelmor::DelSistema(),
                       QWidget* parent = nullptr);
    ~frmVelmor() override;

    // The main-window record.
    qint16 LineasPagina = 66;
    QString Nombre;
    QString Titulo;
    QString NombreElegido;
    bool Visual = false;

    // Outer widths of the two layouts, in twips.
    static constexpr int AnchoEstrecho = 5500;
    static constexpr int AnchoAmplio = 8200;
    int AnchoExterior() const; // twips

    QString RutaCarpetas() const { return carpetaActual_; } // the folder tree's Path
    // The file list's FileName: the selected file's name, as its bytes (nombres_fichero.h).
    QString FileNameFicheros() const;
    // Print jobs still running (sent to a queue and awaited).
    int TrabajosPendientes() const { return int(trabajos_.size()); }

    void ActualizarAviso();
    void HabilitarBotones(bool habilitar);

    // One print job for the file named by Nombre: with Directo on the current printer at once,
    // deleting the file after a good print; otherwise after the printer dialog, asking whether
    // to delete it afterwards.
    void Velmor(bool Directo);
    bool ImpresoraOk() const { return false; } // kept for callers of the classic interface

    // Controls that other windows read.
    QListWidget* FicherosPRT = nullptr;
    QCheckBox* chkRavendot = nullptr;
    QComboBox* Discos = nullptr;
    QTreeView* Carpetas = nullptr;
    QComboBox* DirBasico = nullptr;

  public slots:
    void Refrescar();
    void cmdAceptar_Click();
    void cmdPrtKill_Click();
    void cmdBorrar_Click();
    void cmdVisor_Click();
    void cmdCancelar_Click();
    void cmdCarpeta_Click();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* objeto, QEvent* event) override;

  private:
    void CrearControles();
    QPushButton* CrearBoton(const char* nombre, const QString& icono, const QString& aviso, int x,
                            int y);
    void OrdenTabulacion();
    void Form_Load();
    void Form_Unload();
    void BuscarRavendot();
    void LlenarDiscos();
    void LlenarDirBasico();
    void PonAnchoExterior(int twips);

    void DirBasico_Click();
    void Discos_Change();
    void Carpetas_Change(const QString& ruta);
    void Carpetas_Seleccion();
    void FicherosPRT_PathChange();
    void FicherosPRT_Click();
    void TomarSeleccion();
    bool ModoDos() const; // the "MS-Dos" box, read at the start of each print and preview

    // The print job's questions, answered with the window's dialogs.
    void nombrePdf(const QString& nombre) override;
    bool eligeImpresora(Impresoras& impresoras) override;
    QString salidaPdf(const QString& carpeta, const QString& nombrePdf) override;
    bool confirmaBorrado(const QString& ruta) override;

    void Terminar();
    void AlTerminarTrabajo(const PeticionTrabajo& peticion, const ResultadoTrabajo& resultado);
    void MostrarEstado(const QString& texto);
    QString PedirSalidaPdf(const QString& carpeta, const QString& nombrePdf);
    bool BorrarElegido();
    bool PuedeCerrar();

    bool PonCarpeta(const QString& ruta);
    QString MotivoInutil(const QString& ruta) const;
    QString CarpetaUsableAnterior() const;
    void MostrarEnArbol(const QString& ruta);
    void VigilarCarpeta(const QString& ruta);
    void LeerFicheros();
    void ProgramarRefresco();
    QString VolumenDe(const QString& ruta) const;

    Impresoras& impresoras_;
    EntornoVelmor entorno_;
    Interruptores interruptores_;
    QList<QObject*> trabajos_;
    // The file the user chose, as it was when chosen: what "Eliminar fichero" may delete, and
    // what a refresh selects again (never a namesake).
    QString carpetaElegida_;
    std::optional<IdentidadFichero> identidadElegida_;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QFrame* Frame1 = nullptr;
    QPushButton* cmdAceptar = nullptr;
    QPushButton* cmdVisor = nullptr;
    QPushButton* cmdBorrar = nullptr;
    QPushButton* cmdCancelar = nullptr;
    QPushButton* cmdCarpeta = nullptr;
    QPushButton* cmdPrtKill = nullptr;
    QLabel* IconoBuscar = nullptr;
    QLabel* IconoCerrar = nullptr;
    QLabel* ImagenFondo = nullptr;

    QFileSystemModel* modeloCarpetas_ = nullptr;
    QFileSystemWatcher* vigilante_ = nullptr;
    QString carpetaActual_;
    QStringList historial_;                   // folders shown before, newest last
    QHash<QString, QString> ultimaEnVolumen_; // volume root -> folder last shown there
    int discoActual_ = -1;
    int anchoExterior_ = AnchoAmplio;
    bool moviendoArbol_ = false;
    bool refrescoPendiente_ = false;
};
