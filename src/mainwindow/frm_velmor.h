#pragma once

#include "mainwindow/avisos_escritorio.h"
#include "mainwindow/entorno_velmor.h"
#include "mainwindow/interlocutor_ventana.h"
#include "mainwindow/interruptores.h"
#include "printing/ajustes_impresion.h"
#include "printing/trabajo_impresion.h"
#include <QList>
#include <QWidget>
#include <memory>

class AjustesVelmor;
struct CarpetaInicio;
class Impresoras;
class NavegadorPrt;
class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QFrame;
class QLabel;
class ArbolCarpetas;
class QListWidget;
class QModelIndex;
class QPushButton;
class QToolButton;

// The main window: a ".prt" file list with its command buttons, and beside them a search panel
// (volumes, folder tree, base folders) that cmdCarpeta shows and hides. The browser's state and
// rules are NavegadorPrt's; the window shows them and tells it what the user did.
class frmVelmor : public QWidget {
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

    // The folder shown: the folder tree's Path.
    QString RutaCarpetas() const;
    // The file list's FileName: the selected file's name, as its bytes (nombres_fichero.h).
    QString FileNameFicheros() const;
    // True while the search panel is shown (the wide layout).
    bool BusquedaAbierta() const;
    // Print jobs still running (sent to a queue and awaited).
    int TrabajosPendientes() const { return int(trabajos_.size()); }

    void ActualizarAviso();

    // One print job for the file named by Nombre: with Directo on the current printer at once,
    // deleting the file after a good print; otherwise after the printer dialog, asking whether
    // to delete it afterwards.
    void Velmor(bool Directo);

  public slots:
    void Refrescar();
    void cmdAceptar_Click();
    void cmdPrtKill_Click();
    void cmdBorrar_Click();
    void cmdVisor_Click();
    void cmdCancelar_Click();
    void cmdCarpeta_Click();
    void cmdConfiguracion_Click();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* objeto, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void CrearControles();
    QWidget* CrearListaYBotones();
    QWidget* CrearPanelBusqueda();
    QPushButton* CrearBoton(const char* nombre, const QString& accesible, const QString& icono,
                            const QString& aviso);
    void Conectar();
    void OrdenTabulacion();
    void Form_Load();
    void Form_Unload();
    void BuscarRavendot();
    void LlenarListas();
    void LlenarDiscos();
    void VolumenesCambiados();
    void ElegirAlArrancar(const CarpetaInicio& inicio);
    void ElegirFichero(const QString& carpeta, const QString& fichero);
    CarpetaInicio InicioRecordado() const;
    void AplicarAjustes(const AjustesImpresion& ajustes);
    void RecordarImpresora();
    void VolverAImpresora();
    void RecordarVentana();
    void MostrarBusqueda(bool abrir);
    void HabilitarBotones(bool habilitar);

    void DirBasico_Click();
    void Discos_Change();
    void Carpetas_Seleccion(const QModelIndex& indice);
    void Carpetas_Change(const QString& ruta);
    void MostrarFicheros(const QStringList& nombres);
    void FicherosPRT_Click();
    void TomarSeleccion();
    bool ModoDos() const; // the "MS-Dos" box, read at the start of each print and preview

    void MostrarEnArbol(const QString& ruta);
    void VerEnArbol();
    void ProgramarVerEnArbol();
    void ProgramarRefresco();

    void Terminar();
    void AlTerminarTrabajo(const PeticionTrabajo& peticion, const ResultadoTrabajo& resultado);
    void MostrarEstado(const QString& texto);
    void AvisarEscritorio(const PeticionTrabajo& peticion, const ResultadoTrabajo& resultado);
    void AjustarEstado();
    bool BorrarElegido();
    bool PuedeCerrar();

    Impresoras& impresoras_;
    EntornoVelmor entorno_;
    std::unique_ptr<AjustesVelmor> ajustes_;
    AvisosEscritorio avisos_;
    InterlocutorVentana interlocutor_{this}; // answers the print jobs' questions
    AjustesImpresion ajustesImpresion_;
    Interruptores interruptores_;
    NavegadorPrt* navegador_;
    QList<QObject*> trabajos_;

    QLabel* Label1 = nullptr;
    QListWidget* FicherosPRT = nullptr;
    QFrame* Frame1 = nullptr;
    QPushButton* cmdAceptar = nullptr;
    QPushButton* cmdVisor = nullptr;
    QPushButton* cmdBorrar = nullptr;
    QPushButton* cmdCancelar = nullptr;
    QPushButton* cmdCarpeta = nullptr;
    QPushButton* cmdPrtKill = nullptr;
    QCheckBox* chkRavendot = nullptr;
    QToolButton* cmdConfiguracion = nullptr;
    QLabel* Label2 = nullptr;
    QWidget* panelBusqueda_ = nullptr;
    QComboBox* Discos = nullptr;
    ArbolCarpetas* Carpetas = nullptr;
    QComboBox* DirBasico = nullptr;
    QFileSystemModel* modeloCarpetas_ = nullptr;

    // The folder just shown is kept in view while the tree loads around it, until the user
    // scrolls the tree.
    bool seguirEnArbol_ = false;
    bool verEnArbolPendiente_ = false;
    bool refrescoPendiente_ = false;
    QString estado_; // the whole text of the status line
};
