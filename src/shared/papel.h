#pragma once

#include <QMarginsF>
#include <QtGlobal>

// A sheet as the printer lays it out: its size in whole points (1/72 inch, as print systems round
// it), the orientation, and the margins of the sheet as it lies (a laser printer's unprintable
// border of 1/6 inch all round unless the user asked for others).
struct Papel {
    int ancho = 595; // portrait; A4 unless the printer says otherwise
    int alto = 842;
    bool horizontal = false;
    QMarginsF margenes{12, 12, 12, 12}; // points: left, top, right, bottom

    // A size in millimetres, rounded to whole points.
    static Papel Milimetros(double ancho, double alto) {
        return {qRound(ancho * 72 / 25.4), qRound(alto * 72 / 25.4)};
    }
    // The sheet as it lies, in points.
    int anchoHoja() const { return horizontal ? alto : ancho; }
    int altoHoja() const { return horizontal ? ancho : alto; }
    // The printable area, in points.
    double anchoArea() const { return anchoHoja() - margenes.left() - margenes.right(); }
    double altoArea() const { return altoHoja() - margenes.top() - margenes.bottom(); }
    // The printable height in whole pixels at `resolucion` dots an inch, rounded as a printer's
    // driver rounds the sheet and each margin.
    int altoAreaPixeles(double resolucion) const {
        const double f = resolucion / 72;
        return qRound(altoHoja() * f) - qRound(margenes.top() * f) - qRound(margenes.bottom() * f);
    }
};
