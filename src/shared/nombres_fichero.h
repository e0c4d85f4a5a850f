#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// File names on Linux are bytes, not text: a DOS program's "A\xD1O.PRT" is not valid UTF-8, and
// Qt's own conversions would turn it into U+FFFD and so into another name. The program carries
// every path as a QString that holds the bytes losslessly: valid UTF-8 as text, and each byte of
// an invalid sequence as the lone surrogate U+DC80 + byte (which no valid name contains). Paths in
// this form must reach the system through BytesDeNombre, never through QFile or QDir.

// Bytes of a name or path (argv, readdir) to the lossless form.
QString NombreDeBytes(QByteArrayView bytes);
// The lossless form back to the exact bytes.
QByteArray BytesDeNombre(QStringView nombre);
// The parts of a path in that form: its folder ("/" for a file at the root, "." for a bare name)
// and its last part. The lone surrogates are never a "/", so the split is the bytes' own.
QString CarpetaDe(QStringView ruta);
QString NombreDe(QStringView ruta);
// A ".prt" file name, in any letter case, that is not hidden.
bool EsNombrePrt(QByteArrayView nombre);

// For showing: the bytes that are not UTF-8 read through the DOS code page (lenient), so that
// "A\xA5O.PRT" shows as "AÑO.PRT".
QString NombreVisible(QStringView nombre);
