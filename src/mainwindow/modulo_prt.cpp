#include "mainwindow/modulo_prt.h"

#include "mainwindow/frm_velmor.h"
#include <QGuiApplication>

namespace ModuloPrt {

namespace {
QMetaObject::Connection ProcedimientoAnterior;

void ProcesoVentana(frmVelmor& ventana, Qt::ApplicationState estado) {
    if (estado != Qt::ApplicationActive) return;
    // A failing refresh must never escape into Qt's event dispatch.
    try {
        ventana.Refrescar();
    } catch (...) {
    }
}
} // namespace

void EngancharVentana(frmVelmor& ventana) {
    if (ProcedimientoAnterior) return;
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) return;
    ProcedimientoAnterior =
        QObject::connect(app, &QGuiApplication::applicationStateChanged, &ventana,
                         [&ventana](Qt::ApplicationState e) { ProcesoVentana(ventana, e); });
}

void DesengancharVentana(frmVelmor&) {
    if (!ProcedimientoAnterior) return;
    QObject::disconnect(ProcedimientoAnterior);
    ProcedimientoAnterior = {};
}

} // namespace ModuloPrt
