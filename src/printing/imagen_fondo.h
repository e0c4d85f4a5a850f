#pragma once

#include "shared/imagen.h"
#include <QString>
#include <QStringList>

// The picture holder "ImagenFondo" of the main window, widget-free: the background
// picture of the print job and the fixed size it is printed at (1,215 x 975 twips), stretched.
struct ImagenFondo {
    static constexpr int anchoTwips = 1215;
    static constexpr int altoTwips = 975;

    Imagen imagen; // null until a directive loads a picture
    int ancho = anchoTwips;
    int alto = altoTwips;
    // Pictures a directive named that were not found, as written, each once: the directive then
    // prints as text, and the file has not printed as it asked.
    QStringList noEncontradas;
};

// Finds the "/IMAGEN/" directive in the line. Its path is looked for as given (from the current
// folder) and, when not found so, in carpetaPrt (the PRT file's folder). When it exists: blanks
// the directive in the line (same length), sets laTengo and loads the picture into imagen (JPEG
// kept as it is; PNG, GIF and BMP decoded), never more pixels than its printed size can show. A
// path that exists but is not a regular file, cannot be read, is not a picture or is larger than a
// 600 dpi page throws ErrorVelmor naming the picture; by then the line is blanked and laTengo is
// set.
void ImagenDeFondo(ImagenFondo& imagen, QString& linea, bool& laTengo,
                   const QString& carpetaPrt = {});
