#pragma once

#include <QMetaObject>

class frmVelmor;

// Refreshes the main window's file list whenever the application becomes active again.
// Qt reports activation directly, so the "window procedure" is a connection to
// QGuiApplication::applicationStateChanged.
namespace ModuloPrt {

// Installs the activation refresh on the window; a second call while installed does nothing.
void EngancharVentana(frmVelmor& ventana);
// Removes it again; without one installed it does nothing.
void DesengancharVentana(frmVelmor& ventana);

} // namespace ModuloPrt
