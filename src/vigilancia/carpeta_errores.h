#pragma once

#include <QByteArray>
#include <QString>

// Where a watched folder puts the files that failed to print: its subfolder "errores/", each file
// beside a ".txt" of the same name that holds the reason. Nothing there is ever replaced: a name
// already taken gets a number ("MALO.PRT" and "MALO.txt", then "MALO-2.PRT" and "MALO-2.txt").
namespace CarpetaErrores {

inline constexpr char kNombre[] = "errores";

// Moves the file `nombre` of the folder open as `carpeta` (a descriptor) into "errores/" (made if
// missing), the reason written first to its ".txt". Returns the new path relative to the folder,
// as bytes ("errores/MALO-2.PRT"). Throws ErrorVelmor naming the file and the cause; the file
// stays where it was then.
QByteArray Aparta(int carpeta, const QByteArray& nombre, const QString& motivo);

} // namespace CarpetaErrores
