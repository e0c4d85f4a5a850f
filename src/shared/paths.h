#pragma once

#include <QString>

class ErrorVelmor;
struct IdentidadFichero;

// True when the path names an existing file or folder; with soloCarpeta only a folder counts.
// Any failure of the query (missing, empty, unreachable) is simply false.
bool ExisteRuta(const QString& ruta, bool soloCarpeta);

// Makes the folder and those above it that are missing; true when the path is a folder in the end.
bool CreaCarpetas(const QString& ruta);

// Why the file could not be deleted, from the system's error number: gone, no permission,
// read-only volume, a folder, in use.
ErrorVelmor ErrorAlBorrar(const QString& ruta, int causa);

// The one place where the program deletes a PRT file: only when the path still names the very
// file described by `esperada` (the file that was printed, or chosen), unchanged. `desde` says
// since when it must be unchanged, for the message ("desde que se imprimió"). Throws ErrorVelmor
// naming the file and the cause (changed, gone, no permission, read-only volume, not a file).
void BorrarFichero(const QString& ruta, const IdentidadFichero& esperada, const QString& desde);
