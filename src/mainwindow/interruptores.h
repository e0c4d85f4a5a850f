#pragma once

#include <QString>
#include <QStringList>

// The program's command-line switches. A switch is a whole argument, "/B" or "/I" in any letter
// case, never part of one: a path such as /home/ana/Borradores/X.PRT switches nothing on.
// "/B" deletes every file that printed well; "/I" offers the printer dialog even outside the
// interactive window.
struct Interruptores {
    bool borrar = false;
    bool elegirImpresora = false;

    static Interruptores De(const QStringList& argumentos);
    // True when the argument is one of the switches; every other argument names a file or folder.
    static bool Es(const QString& argumento);
};
