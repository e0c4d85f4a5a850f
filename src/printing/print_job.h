#pragma once

#include <QString>
#include <QStringList>

// The program's command-line switches, searched without regard to letter case in its arguments
// (never in the program's own path): "/B" anywhere in an argument deletes every file that
// printed well, "/I" offers the printer dialog even outside the interactive window.
struct Interruptores {
    bool borrar = false;
    bool elegirImpresora = false;

    static Interruptores De(const QStringList& argumentos);
};
