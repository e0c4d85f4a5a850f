#pragma once

#include <QListWidget>
#include <QStringList>

// The texts of a list's entries, in order.
inline QStringList Entradas(const QListWidget& lista) {
    QStringList l;
    for (int i = 0; i < lista.count(); ++i)
        l << lista.item(i)->text();
    return l;
}
