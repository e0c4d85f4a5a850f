#include "mainwindow/interlocutor_ventana.h"

#include "printerselect/impresora.h"
#include "shared/messages.h"
#include "shared/nombres_fichero.h"
#include <QClipboard>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>

void InterlocutorVentana::nombrePdf(const QString& nombre) {
    QClipboard* portapapeles = QGuiApplication::clipboard();
    portapapeles->clear();
    portapapeles->setText(nombre);
}

bool InterlocutorVentana::eligeImpresora(Impresoras& impresoras) {
    if (!ElegirImpresora(impresoras, ventana_)) return false;
    if (alElegirImpresora) alElegirImpresora();
    return true;
}

// The save dialog of the PDF printer, in the PRT file's folder with the PDF-style name filled in;
// it confirms before overwriting. Empty when cancelled.
QString InterlocutorVentana::salidaPdf(const QString& carpeta, const QString& nombrePdf) {
    QFileDialog dialogo(ventana_, "Guardar como PDF", carpeta, "Documentos PDF (*.pdf)");
    dialogo.setObjectName("SalidaPdf");
    dialogo.setAcceptMode(QFileDialog::AcceptSave);
    dialogo.setFileMode(QFileDialog::AnyFile);
    dialogo.setDefaultSuffix("pdf");
    dialogo.selectFile(nombrePdf);
    if (dialogo.exec() != QDialog::Accepted || dialogo.selectedFiles().isEmpty()) return {};
    return dialogo.selectedFiles().first();
}

bool InterlocutorVentana::confirmaBorrado(const QString& ruta) {
    return PreguntarSiNo(QCoreApplication::applicationName(),
                         " ¿ Desea borrar el fichero " + NombreVisible(ruta) + " ? ", ventana_);
}
