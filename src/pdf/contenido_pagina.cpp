#include "pdf/contenido_pagina.h"

#include "pdf/cara_fuente.h"
#include <string>

void ContenidoPagina::imagen(int n, double x, double y, double ancho, double alto,
                             int orientacion) {
    // The picture's unit square onto the rectangle's, by Exif's orientations 1 to 8.
    static const char* const kGiros[] = {"",
                                         "",
                                         "-1 0 0 1 1 0 cm ",
                                         "-1 0 0 -1 1 1 cm ",
                                         "1 0 0 -1 0 1 cm ",
                                         "0 -1 -1 0 1 1 cm ",
                                         "0 -1 1 0 0 1 cm ",
                                         "0 1 1 0 0 0 cm ",
                                         "0 1 -1 0 1 0 cm "};
    fondo_.anade("q 0 g "); // a 1-bit picture paints in the fill colour: black
    fondo_.decimal(ancho);
    fondo_.anade(" 0 0 ");
    fondo_.decimal(alto);
    fondo_.anade(' ');
    fondo_.decimal(x);
    fondo_.anade(' ');
    fondo_.decimal(y);
    fondo_.anade(" cm ");
    if (orientacion >= 1 && orientacion <= 8) fondo_.anade(kGiros[orientacion]);
    fondo_.anade("/Im");
    fondo_.entero(n);
    fondo_.anade(" Do Q\n");
}

void ContenidoPagina::matriz(double x, double y, double escala) {
    if (escala == 1) {
        texto_.anade("1 0 ");
    } else {
        texto_.decimal(escala);
        texto_.anade(" 0 ");
    }
    texto_.decimal(inclinacion_);
    texto_.anade(" 1 ");
    texto_.decimal(x);
    texto_.anade(' ');
    texto_.decimal(y);
    texto_.anade(" Tm");
}

void ContenidoPagina::empiezaTexto(int fuente, double puntos, double x, double y,
                                   double inclinacion, double escala) {
    texto_.anade("BT ");
    if (fuente != fuente_ || puntos != puntos_) {
        texto_.anade("/F");
        texto_.entero(fuente);
        texto_.anade(' ');
        texto_.decimal(puntos);
        texto_.anade(" Tf ");
        fuente_ = fuente;
        puntos_ = puntos;
    }
    inclinacion_ = inclinacion;
    matriz(x, y, escala);
    texto_.anade(" [");
}

// The codes of a string wait until it closes, then go into the stream in one pass.
void ContenidoPagina::cierraCadena() {
    if (cadena_.empty()) return;
    texto_.anade('(');
    texto_.codigos(cadena_.data(), cadena_.size(), unByte_);
    texto_.anade(')');
    cadena_.clear();
}

void ContenidoPagina::avanza(double milesimas) {
    cierraCadena();
    texto_.decimal(-milesimas);
}

void ContenidoPagina::terminaTexto() {
    cierraCadena();
    texto_.anade("] TJ ET\n");
}

void ContenidoPagina::rectangulo(double x, double y, double ancho, double alto) {
    texto_.decimal(x);
    texto_.anade(' ');
    texto_.decimal(y);
    texto_.anade(' ');
    texto_.decimal(ancho);
    texto_.anade(' ');
    texto_.decimal(alto);
    texto_.anade(" re f\n");
}

std::string_view ContenidoPagina::datos() {
    fondo_.anade(texto_.datos());
    return fondo_.datos();
}

void ContenidoPagina::vacia() {
    fondo_.vacia();
    texto_.vacia();
    cadena_.clear();
    fuente_ = -1;
    puntos_ = 0;
}

void ContenidoPagina::contorno(const Contorno& camino, double x, double y, double escala,
                               double inclinacion) {
    if (camino.vacio()) return;
    size_t p = 0;
    auto punto = [&] {
        const Contorno::Punto& q = camino.puntos[p++];
        texto_.decimal(x + (q.x - inclinacion * q.y) * escala);
        texto_.anade(' ');
        texto_.decimal(y - q.y * escala);
        texto_.anade(' ');
    };
    for (const Contorno::Orden o : camino.ordenes) {
        punto();
        if (o == Contorno::Mueve) {
            texto_.anade("m ");
        } else if (o == Contorno::Linea) {
            texto_.anade("l ");
        } else {
            punto();
            punto();
            texto_.anade("c ");
        }
    }
    texto_.anade("f\n");
}
