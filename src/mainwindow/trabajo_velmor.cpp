// The main window's print job: the button press hands over to the shared print job, whose
// questions the window answers with its dialogs and whose outcome it shows in its boxes.
#include "mainwindow/frm_velmor.h"

#include "mainwindow/linea_estado.h"
#include "mainwindow/navegador_prt.h"
#include "printerselect/impresora.h"
#include "printing/imprimir_prt.h"
#include "shared/messages.h"
#include "shared/nombres_fichero.h"
#include "shared/paths.h"
#include "shared/version.h"
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QLabel>
#include <cerrno>

void frmVelmor::nombrePdf(const QString& nombre) {
    QClipboard* portapapeles = QGuiApplication::clipboard();
    portapapeles->clear();
    portapapeles->setText(nombre);
}

bool frmVelmor::eligeImpresora(Impresoras& impresoras) {
    if (!ElegirImpresora(impresoras, this)) return false;
    RecordarImpresora();
    return true;
}

bool frmVelmor::confirmaBorrado(const QString& ruta) {
    return PreguntarSiNo(QCoreApplication::applicationName(),
                         " ¿ Desea borrar el fichero " + NombreVisible(ruta) + " ? ", this);
}

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

    auto* trabajo = new TrabajoImpresion(impresoras_, *this, p, this);
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

// The save dialog of the PDF printer, in the PRT file's folder with the PDF-style name filled in;
// it confirms before overwriting. Empty when cancelled.
QString frmVelmor::salidaPdf(const QString& carpeta, const QString& nombrePdf) {
    QFileDialog dialogo(this, "Guardar como PDF", carpeta, "Documentos PDF (*.pdf)");
    dialogo.setObjectName("SalidaPdf");
    dialogo.setAcceptMode(QFileDialog::AcceptSave);
    dialogo.setFileMode(QFileDialog::AnyFile);
    dialogo.setDefaultSuffix("pdf");
    dialogo.selectFile(nombrePdf);
    if (dialogo.exec() != QDialog::Accepted || dialogo.selectedFiles().isEmpty()) return {};
    return dialogo.selectedFiles().first();
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
