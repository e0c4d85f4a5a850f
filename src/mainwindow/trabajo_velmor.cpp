// The main window's print job: from the button press to the refresh after printing.
#include "mainwindow/frm_velmor.h"

#include "printerselect/impresora.h"
#include "printing/imprimir_prt.h"
#include "printing/printer_device.h"
#include "shared/error.h"
#include "shared/messages.h"
#include "shared/paths.h"
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>

namespace {
// The wait cursor for as long as a job renders, whatever way it ends.
struct CursorEspera {
    CursorEspera() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CursorEspera() { QApplication::restoreOverrideCursor(); }
    CursorEspera(const CursorEspera&) = delete;
    CursorEspera& operator=(const CursorEspera&) = delete;
};
} // namespace

void frmVelmor::Velmor(bool Directo) {
    if (!ExisteRuta(Nombre, false)) {
        MostrarError(Titulo, "Fichero [" + Nombre + "] a imprimir no encontrado", this);
        Terminar();
        return;
    }
    const QString nombrePdf = NombrePdf(FileNameFicheros());
    QClipboard* portapapeles = QGuiApplication::clipboard();
    portapapeles->clear();
    portapapeles->setText(nombrePdf);

    const bool borrarDespues = interruptores_.borrar || Directo;
    const bool ofrecerDialogo = interruptores_.elegirImpresora || Visual;
    if (ofrecerDialogo && !Directo && !ElegirImpresora(impresoras_, this)) {
        if (!Visual) Terminar();
        return;
    }

    const bool impreso = ImprimirPrt(nombrePdf);
    const bool borrado = impreso && borrarDespues && BorrarNombre();
    if (!Visual) {
        Terminar();
        return;
    }
    // A file that "/B" has just deleted is not offered for deletion again.
    const QString preguntado = Nombre;
    if (!Directo && impreso && !borrado &&
        PreguntarSiNo(QCoreApplication::applicationName(),
                      " ¿ Desea borrar el fichero " + preguntado + " ? ", this)) {
        // The list may have been refreshed while the question was open: what is deleted is the
        // file asked about, never another entry that is selected now.
        if (carpetaActual_ + "/" + FileNameFicheros() == preguntado) {
            cmdBorrar_Click();
        } else {
            Nombre = preguntado;
            BorrarNombre();
        }
    }
    Refrescar();
    FicherosPRT_Click();
    ActualizarAviso();
}

void frmVelmor::Terminar() {
    close();
}

// Renders Nombre on the current printer with the window's settings; a failure is told in the
// renderer's error box. The PDF printer first asks where to write (cancelling prints nothing).
bool frmVelmor::ImprimirPrt(const QString& nombrePdf) {
    TrabajoPrt trabajo;
    trabajo.ruta = Nombre;
    trabajo.modoDos = ModoDos();
    trabajo.lineasPagina = LineasPagina;
    trabajo.titulo = Titulo;
    if (impresoras_.actualEsPdf()) {
        const QString salida = PedirSalidaPdf(nombrePdf);
        if (salida.isEmpty()) return false;
        impresoras_.ponSalidaPdf(salida);
    }
    ResultadoPrt resultado;
    {
        const CursorEspera espera;
        resultado = ::ImprimirPrt(trabajo, impresoras_);
    }
    if (resultado.error) MostrarError(TituloErrorPrt(trabajo), resultado.error->texto(), this);
    return resultado.ok();
}

// The save dialog of the PDF printer, in the PRT file's folder with the PDF-style name filled in;
// it confirms before overwriting. Empty when cancelled.
QString frmVelmor::PedirSalidaPdf(const QString& nombrePdf) {
    QFileDialog dialogo(this, "Guardar como PDF", QFileInfo(Nombre).path(),
                        "Documentos PDF (*.pdf)");
    dialogo.setObjectName("SalidaPdf");
    dialogo.setAcceptMode(QFileDialog::AcceptSave);
    dialogo.setFileMode(QFileDialog::AnyFile);
    dialogo.setDefaultSuffix("pdf");
    dialogo.selectFile(nombrePdf);
    if (dialogo.exec() != QDialog::Accepted || dialogo.selectedFiles().isEmpty()) return {};
    return dialogo.selectedFiles().first();
}

// Deletes Nombre; a failure is told (file, cause) and the program goes on.
bool frmVelmor::BorrarNombre() {
    try {
        BorrarFichero(Nombre);
        return true;
    } catch (const ErrorVelmor& e) {
        MostrarAviso(Titulo, e.descripcion(), this);
        return false;
    }
}
