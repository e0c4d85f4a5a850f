#pragma once

#include <QByteArray>
#include <QRawFont>
#include <vector>

// The face's font program cut down to the glyphs a document used, glyph ids unchanged (the
// others left empty), hinting dropped: what a PDF embeds. Made with HarfBuzz's subsetter from the
// face's tables as Qt reads them, so no font file is needed. Empty when the face has no
// TrueType or CFF outlines or the subsetter fails.
class SubconjuntoFuente {
  public:
    static QByteArray crea(const QRawFont& cara, const std::vector<uint32_t>& glifos);
    // True for a face with TrueType outlines (glyf), false for CFF ones.
    static bool esTrueType(const QRawFont& cara);
    // The face as an sfnt file holding the tables an embedded font needs.
    static QByteArray sfnt(const QRawFont& cara);
};
