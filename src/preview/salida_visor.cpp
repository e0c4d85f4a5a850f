#include "preview/salida_visor.h"

#include <QStringList>
#include <QTextBlock>
#include <QTextBlockFormat>

SalidaVisor::SalidaVisor(QTextCursor& cursor, const QTextCharFormat& formato)
    : cursor_(cursor), formato_(formato) {}

void SalidaVisor::ponFuente(const QString& nombre) {
    formato_.setFontFamilies(QStringList{familias_.familia(nombre)});
}

// The previous line's end: a paragraph break in the format then current. The last line gets
// none, so that the box does not end in an empty paragraph.
void SalidaVisor::empiezaLinea(QString&) {
    if (!primera_ && !trasSalto_) cursor_.insertBlock(QTextBlockFormat(), formato_);
    primera_ = false;
    trasSalto_ = false;
}

// The preview has no pages: a form feed shows as a rule across the box, in a paragraph of its
// own, and the text after it starts a paragraph below the rule.
void SalidaVisor::salto(Salto causa) {
    if (causa != Salto::AvancePagina) return;
    QTextBlockFormat regla;
    regla.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth,
                      QTextLength(QTextLength::PercentageLength, 100));
    if (cursor_.block().length() > 1) cursor_.insertBlock(QTextBlockFormat(), formato_);
    cursor_.setBlockFormat(regla);
    cursor_.insertBlock(QTextBlockFormat(), formato_);
    trasSalto_ = true;
}
