#pragma once

#include <QString>
#include <QStringList>

// Where the program starts: the folder it shows and the file it chooses there. Paths are in the
// lossless form of nombres_fichero.h.
//
// A file named on the command line starts on its folder with that file chosen; a folder named
// there starts on that folder. Without one, the program's own folder when it runs from a build or
// a folder of its own, and the working folder when it is installed in a system folder such as
// /usr/bin, which holds no reports.
struct CarpetaInicio {
    QString carpeta;
    QString fichero; // a name in `carpeta`, empty when none is to be chosen
    QString aviso;   // why the named file or folder could not be followed, empty when it could

    // `programa`: the executable's folder; `actual`: the working folder; `argumentos`: the
    // command line without the program's own path (switches are left aside, the first other
    // argument is the file or folder to start on).
    static CarpetaInicio De(const QString& programa, const QString& actual,
                            const QStringList& argumentos);
    // True for the folders where installed programs live.
    static bool EsCarpetaDelSistema(const QString& carpeta);
};
