#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

class CaraFuente;

// The face's font program cut down to the glyphs a document used, glyph ids unchanged (the
// others left empty), hinting and every table a PDF reader does not need dropped: what a PDF
// embeds. Made with HarfBuzz's subsetter from the face's file. Empty when the face has no
// TrueType or CFF outlines or the subsetter fails.
class SubconjuntoFuente {
  public:
    static QByteArray crea(const CaraFuente& cara, const std::vector<uint32_t>& glifos);
};
