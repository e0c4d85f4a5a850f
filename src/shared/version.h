#pragma once

#include <QString>

// The program's version comes from the build (the project version CMake knows).
inline QString VersionVelmor() {
    return QStringLiteral(VELMOR_VERSION);
}
// "Velmor 2.0": the title of the program's message boxes and its name in documents it writes.
inline QString TituloVelmor() {
    return QStringLiteral("Velmor " VELMOR_VERSION);
}
