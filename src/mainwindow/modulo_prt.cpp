#include "mainwindow/modulo_prt.h"

#include <QGuiApplication>
#include <QWidget>

namespace ModuloPrt {

namespace {
QMetaObject::Connection ProcedimientoAnterior;

void ProcesoVentana(QWidget& ventana, Qt::ApplicationState estado) {
    if (estado != Qt::ApplicationActive) return;
    // A failing refresh must never escape into Qt's event dispatch.
    try {
        QMetaObject::invokeMethod(&ventana, "Refrescar", Qt::DirectConnection);
    } catch (...) {
    }
}
} // namespace

void EngancharVentana(QWidget& ventana) {
    if (ProcedimientoAnterior) return;
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) return;
    ProcedimientoAnterior =
        QObject::connect(app, &QGuiApplication::applicationStateChanged, &ventana,
                         [&ventana](Qt::ApplicationState e) { ProcesoVentana(ventana, e); });
}

void DesengancharVentana(QWidget&) {
    if (!ProcedimientoAnterior) return;
    QObject::disconnect(ProcedimientoAnterior);
    ProcedimientoAnterior = {};
}

} // namespace ModuloPrt
