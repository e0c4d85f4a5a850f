#pragma once

#include <QByteArrayView>
#include <QString>

// The printer language a print file is written in, told from its first bytes. Velmor prints the
// sibling applications' markup (and plain text) and Epson ESC/P; a file for a printer language it
// does not render is refused before anything is printed, since drawing its commands as text (or
// swallowing its text as parameters) would print the wrong page and count it as printed.
enum class Lenguaje {
    Marcado,    // markup or plain text, with or without some Epson codes in it
    EscP,       // Epson ESC/P (9-pin, 24-pin, ESC/P 2) without markup
    Pcl,        // HP PCL, with or without its PJL job header
    PostScript, // "%!"
    Pdf,        // "%PDF-"
    HpGl,       // HP-GL/2 plotter commands
    Proprinter, // IBM Proprinter codes
};

// How many bytes of the start of the file DetectaLenguaje looks at, and of its end.
constexpr qsizetype kCabeceraLenguaje = 64 * 1024;
constexpr qsizetype kColaLenguaje = 64;

// `cola`: the file's last bytes when the file is longer than `cabecera` (empty otherwise).
Lenguaje DetectaLenguaje(QByteArrayView cabecera, QByteArrayView cola = {});
// True for the languages Velmor does not print.
bool Rechazado(Lenguaje lenguaje);
// "«X.PRT» es un trabajo PCL para impresoras láser; Velmor no lo imprime. El fichero se conserva."
QString MotivoRechazo(Lenguaje lenguaje, const QString& nombreVisible);
