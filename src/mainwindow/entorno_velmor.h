#pragma once

#include <QDBusConnection>
#include <QString>
#include <QStringList>

class FuenteVolumenes;

// What start-up takes from the platform; tests give their own folders, fonts and arguments.
// Paths and arguments are in the lossless form of nombres_fichero.h.
struct EntornoVelmor {
    QString carpetaPrograma; // the executable's folder
    QString carpetaActual;   // the working folder
    // Where the sibling applications are looked for; empty: the root of the volume that holds
    // the start folder.
    QString raizVolumen;
    QStringList fuentes;    // installed font families
    QStringList argumentos; // command-line arguments, without the program's own path
    // The file of the settings kept between runs; empty: none are read or kept.
    QString ficheroAjustes;
    // Where the mounted volumes come from (not taken over); null: the system's mount table.
    FuenteVolumenes* volumenes = nullptr;
    // The bus of desktop notifications; not connected (the default): none are sent.
    QDBusConnection bus{QString()};

    static EntornoVelmor DelSistema(const QStringList& argumentos = {});
};
