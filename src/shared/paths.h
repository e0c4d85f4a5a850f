#pragma once

#include <QString>

// True when the path names an existing file or folder; with soloCarpeta only a folder counts.
// Any failure of the query (missing, empty, unreachable) is simply false.
bool ExisteRuta(const QString& ruta, bool soloCarpeta);

// Deletes the file. Throws ErrorVelmor naming the file and the cause (gone, no permission,
// read-only volume, a folder, in use) when it cannot.
void BorrarFichero(const QString& ruta);
