#pragma once

#include "printing/ajustes_impresion.h"
#include "printing/cola_impresion.h"
#include "printing/salida_fichero.h"
#include "shared/error.h"
#include "shared/fichero_regular.h"
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class Impresoras;
class QTimer;

// What a print job asks of whoever runs it: the window answers with its dialogs, the command
// line with its options.
class InterlocutorTrabajo {
  public:
    virtual ~InterlocutorTrabajo() = default;
    // The file's PDF-style name, before anything else happens (the window puts it on the
    // clipboard).
    virtual void nombrePdf(const QString& nombre) { (void)nombre; }
    // Lets the user choose the printer and orientation; false when declined.
    virtual bool eligeImpresora(Impresoras& impresoras) = 0;
    // Where the PDF printer writes this file; empty when the user cancelled.
    virtual QString salidaPdf(const QString& carpeta, const QString& nombrePdf) = 0;
    // Whether the printed file is to be deleted (the window's question).
    virtual bool confirmaBorrado(const QString& ruta) = 0;
};

struct PeticionTrabajo {
    QString ruta;         // the PRT file, in the lossless form of nombres_fichero.h
    bool modoDos = false; // no code-page conversion, base font "Ravendot"
    int lineasPagina = 66;
    bool nueveAgujas = false;     // Epson files in 9-pin units
    bool elegirImpresora = false; // offer the printer dialog
    bool borrar = false;          // delete the file once it counts as printed
    bool preguntar = false;       // otherwise, ask whether to delete it once printed
    int esperaSegundos = 300;     // how long to await a CUPS job's completion when deleting
    int copias = 1;
    // The PDF never replaces a file: when its name is taken at the moment it is given, it takes
    // the next free one ("INFORME-2.pdf", ...), and resultado().salidaPdf says which.
    bool pdfSinSustituir = false;
    // Told the PDF's own data (device, inode) just before it takes its name.
    std::function<void(const struct stat&)> antesDeNombrarPdf;
    // The paper and margins asked for (its lines and code page are taken from lineasPagina and
    // PaginasActuales).
    AjustesImpresion ajustes;
    QString titulo; // the program's title, for the documents' names
};

struct ResultadoTrabajo {
    enum class Fin {
        NoEncontrado, // the file to print does not exist
        Declinado,    // the user declined the printer dialog or the PDF's name
        Fallido,      // nothing was printed: `error` says why
        Impreso,      // written as a PDF, or accepted by the queue
    };
    Fin fin = Fin::Fallido;
    std::optional<ErrorVelmor> error; // why it failed; for a printed file, why it was kept
    bool vacio = false;               // the file had nothing to print: no document was made
    bool borrado = false;
    QString salidaPdf; // the PDF written
    QString cola;      // the CUPS queue and the job's id there
    int idTrabajo = 0;
    IdentidadFichero identidad; // the file as it was read whole, once it rendered
    // Background pictures the file named that were not found: it printed, but not as it asked,
    // so it is not deleted.
    QStringList imagenesNoEncontradas;
};

// One print job, from the existence check to the deletion of the printed file; shared by the
// window and the command line. A file is deleted only when that very file was printed whole: the
// PDF is safely on disk, or the CUPS job has reached the completed state; and the file's name
// still names the same, unchanged file.
//
// The checks, the questions and the rendering run in inicia(); the CUPS submission and the wait
// for completion run in threads of their own, so that a window stays responsive. Every outcome
// comes as data in terminado(), emitted once.
class TrabajoImpresion : public QObject {
    Q_OBJECT
  public:
    TrabajoImpresion(Impresoras& impresoras, InterlocutorTrabajo& interlocutor,
                     PeticionTrabajo peticion, QObject* parent = nullptr);
    ~TrabajoImpresion() override;

    void inicia();
    bool haTerminado() const { return terminado_; }
    const ResultadoTrabajo& resultado() const { return resultado_; }
    const PeticionTrabajo& peticion() const { return peticion_; }

  signals:
    // A line for the status bar: what the job is doing now.
    void estado(const QString& texto);
    // The file is being read and drawn (true), or no longer (false): the time for a wait cursor.
    void renderizando(bool si);
    // The print system accepted the document: resultado() holds the queue, the job's id and the
    // file's identity. The job may still await the job's completion before deleting the file.
    void enviado();
    void terminado(const ResultadoTrabajo& resultado);

  private:
    void imprime();
    void enviaACups();
    void alEnviar(int id, const std::optional<ErrorVelmor>& error);
    void alImprimir();
    void espera();
    void alConsultar(const std::optional<EstadoTrabajo>& estado,
                     const std::optional<ErrorVelmor>& error);
    void conserva(const QString& motivo);
    void borra();
    void termina(ResultadoTrabajo::Fin fin);
    QString nombreVisible() const;

    Impresoras& impresoras_;
    InterlocutorTrabajo& interlocutor_;
    PeticionTrabajo peticion_;
    ResultadoTrabajo resultado_;
    std::unique_ptr<SalidaFichero> salida_;
    std::shared_ptr<const ColaImpresion> cola_;
    QElapsedTimer reloj_;
    QTimer* consulta_ = nullptr;
    bool terminado_ = false;
};

// What the user is told of pictures not found: "No se ha encontrado la imagen de fondo «A»", or
// of several, "No se han encontrado las imágenes de fondo «A» y «B»"; empty when none.
QString AvisoImagenes(const QStringList& noEncontradas);

// The name the print job leaves on the clipboard: the file name with its last three characters
// replaced by "pdf" («INFORME.PRT» gives «INFORME.pdf»).
QString NombrePdf(const QString& nombreFichero);
