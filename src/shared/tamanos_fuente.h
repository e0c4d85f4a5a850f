#pragma once

#include <QFontMetrics>
#include <QtGlobal>

// Sizes of the windows' controls, taken from their font so that they grow with a larger font.
// Qt scales logical pixels to the screen by itself (HiDPI).

// The side of a command button's picture: 32 pixels with the usual font, more with a larger one.
inline int LadoIcono(const QFontMetrics& letra) {
    return qMax(32, letra.height() * 2 - 2);
}
// The side of a square picture button: its picture and a margin around it.
inline int LadoBoton(const QFontMetrics& letra) {
    return LadoIcono(letra) + letra.height() * 3 / 4;
}
// The width of `cuantas` average characters.
inline int AnchoLetras(const QFontMetrics& letra, int cuantas) {
    return letra.averageCharWidth() * cuantas;
}
