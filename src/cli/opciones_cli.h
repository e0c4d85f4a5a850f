#pragma once

#include "printing/ajustes_impresion.h"
#include "printing/dispositivo_impresora.h"
#include <QString>
#include <QStringList>
#include <optional>

// The command line of velmor-imprimir, read with QCommandLineParser: long Spanish options in the
// "--opcion valor" and "--opcion=valor" forms, and -d (printer) and -n (copies) as lp has them.
struct OpcionesCli {
    bool ayuda = false;
    bool version = false;
    bool listaImpresoras = false;
    QString impresora;
    QString pdf;
    Orientacion orientacion = Orientacion::SegunImpresora; // the printer's own unless asked
    bool modoDos = false;
    int lineas = 66;
    bool nueveAgujas = false; // --escp9 or --agujas 9: Epson files in 9-pin units
    QString cp;               // --cp: the DOS code page, over VELMOR_CP_DOS; empty when not given
    AjustesImpresion ajustes; // --papel, --margenes, --agujas (and --lineas, --cp)
    bool borrar = false;
    int esperaSegundos = 300;
    int copias = 1;
    QString vigilar;      // the watched folder; empty: print the files given
    int reposoMs = 2000;  // with vigilar: how long a file stays unchanged before it prints
    QStringList ficheros; // in the lossless form of nombres_fichero.h

    // Reads the arguments (the program's own name first). Returns the Spanish reason when they
    // are not valid.
    std::optional<QString> analiza(const QStringList& argumentos);

    static QString Ayuda();

  private:
    std::optional<QString> compruebaEstandar() const;
};
