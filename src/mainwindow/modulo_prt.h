#pragma once

#include <QMetaObject>

class QWidget;

// Refreshes the main window's file list (its public slot Refrescar) whenever the application
// becomes active again.
// Qt reports activation directly, so the "window procedure" is a connection to
// QGuiApplication::applicationStateChanged.
namespace ModuloPrt {

// Installs the activation refresh on the window; a second call while installed does nothing.
void EngancharVentana(QWidget& ventana);
// Removes it again; without one installed it does nothing.
void DesengancharVentana(QWidget& ventana);

} // namespace ModuloPrt
