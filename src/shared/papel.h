#pragma once

#include <QtGlobal>

// A sheet as the printer lays it out: its size in whole points (1/72 inch, as print systems round
// it), the orientation, and a margin all round like a laser printer's unprintable border.
struct Papel {
    int ancho = 595; // portrait; A4 unless the printer says otherwise
    int alto = 842;
    bool horizontal = false;
    double margen = 12; // points, on every side

    // A size in millimetres, rounded to whole points.
    static Papel Milimetros(double ancho, double alto) {
        return {qRound(ancho * 72 / 25.4), qRound(alto * 72 / 25.4)};
    }
    // The sheet as it lies, in points.
    int anchoHoja() const { return horizontal ? alto : ancho; }
    int altoHoja() const { return horizontal ? ancho : alto; }
    // The printable area, in points.
    double anchoArea() const { return anchoHoja() - 2 * margen; }
    double altoArea() const { return altoHoja() - 2 * margen; }
    // The printable height in whole pixels at `resolucion` dots an inch, rounded as a printer's
    // driver rounds the sheet and each margin.
    int altoAreaPixeles(double resolucion) const {
        return qRound(altoHoja() * resolucion / 72) - 2 * qRound(margen * resolucion / 72);
    }
};
