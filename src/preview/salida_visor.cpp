#include "preview/salida_visor.h"

#include <QStringList>
#include <QTextBlockFormat>

SalidaVisor::SalidaVisor(QTextCursor& cursor, const QTextCharFormat& formato)
    : cursor_(cursor), formato_(formato) {}

void SalidaVisor::ponFuente(const QString& nombre) {
    formato_.setFontFamilies(QStringList{nombre});
}

// The previous line's end: a paragraph break in the format then current. The last line gets
// none, so that the box does not end in an empty paragraph.
void SalidaVisor::empiezaLinea(QString&) {
    if (!primera_) cursor_.insertBlock(QTextBlockFormat(), formato_);
    primera_ = false;
}
