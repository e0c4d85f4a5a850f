#pragma once

// Controls found as assistive technology finds them: by their accessible name, in a window's tree.

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QWidget>

namespace accesible_detalle {
template <class T> T* Buscar(QAccessibleInterface* i, const QString& nombre) {
    if (!i) return nullptr;
    QObject* objeto = i->object();
    // On Linux a drop-down list's accessible Name is its current text: the name set for it
    // (the accessibleName property) counts too.
    if (T* control = qobject_cast<T*>(objeto);
        control && (control->accessibleName() == nombre || i->text(QAccessible::Name) == nombre))
        return control;
    // Items of lists and trees are no controls of their own.
    if (qobject_cast<QAbstractItemView*>(objeto) || qobject_cast<QComboBox*>(objeto))
        return nullptr;
    for (int k = 0; k < i->childCount(); ++k)
        if (T* hallado = Buscar<T>(i->child(k), nombre)) return hallado;
    return nullptr;
}
} // namespace accesible_detalle

// The control of kind T of `ventana` whose accessible name is `nombre`; the test program stops
// when there is none, since nothing after it would mean anything.
template <class T = QWidget> T* Control(QWidget* ventana, const QString& nombre) {
    T* control =
        accesible_detalle::Buscar<T>(QAccessible::queryAccessibleInterface(ventana), nombre);
    if (!control) qFatal("no control named \"%s\" of that kind", qPrintable(nombre));
    return control;
}

// What assistive technology reads as the control's description: its tooltip.
inline QString Descripcion(QWidget* control) {
    return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Description);
}
