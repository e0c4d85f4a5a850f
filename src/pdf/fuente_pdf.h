#pragma once

#include "pdf/cara_fuente.h"
#include "pdf/programa_tipo1.h"
#include <QByteArray>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class EscritorPdf;

// One face embedded in a document: a Type0 font with Identity-H encoding over a CID font whose
// CIDs are the face's glyph ids, a /W array of the glyphs used, a ToUnicode map for searching
// and copying, and the face's program cut down to those glyphs. A Type 1 face, which a CID font
// cannot hold, is a simple Type 1 font instead: one-byte codes given to its glyphs as they are
// first drawn (256 at most), an encoding naming each code's glyph, and its program (FontFile)
// cut down to those glyphs. The glyphs and their characters are noted as the pages use them; the
// objects are written once, at the document's end.
class FuentePdf {
  public:
    // `indice` names the page resource /F<indice>; the font's object is given with ponObjeto
    // once it is known to be embeddable.
    FuentePdf(std::shared_ptr<CaraFuente> cara, int indice);
    ~FuentePdf();
    void ponObjeto(int objeto) { objeto_ = objeto; }

    // False for a face that is neither TrueType, OpenType nor Type 1: its glyphs are drawn as
    // outlines instead.
    bool incrustable() const { return !avances_.empty(); }
    // Whether the glyph can be drawn as text: a Type 1 face's glyph gets its code here, and is
    // refused once the 256 codes are taken (the face then goes on in another font).
    bool admite(uint32_t glifo);
    // Whether the glyph is one of the face's: in this font, or in another of the same face.
    bool existe(uint32_t glifo) const { return !simple() || glifo < codigos_.size(); }
    // What a show-text operator writes for the glyph: its id, or a Type 1 face's one-byte code.
    uint16_t codigo(uint32_t glifo) const {
        return simple() && glifo < codigos_.size() ? uint16_t(codigos_[glifo]) : uint16_t(glifo);
    }
    bool simple() const { return cara_->formato() == CaraFuente::Formato::Type1; }
    int indice() const { return indice_; }
    int objeto() const { return objeto_; }
    // The glyph's advance in thousandths of the font size, as a reader will advance it.
    double ancho(uint32_t glifo) const {
        return glifo < avances_.size() ? avances_[glifo] * 1000.0 / unidades_ : 0;
    }
    // Notes a glyph drawn and, when known, the text it stands for (UTF-16).
    void usa(uint32_t glifo) {
        if (glifo < usados_.size()) usados_[glifo] = 1;
    }
    void usa(uint32_t glifo, char32_t caracter) {
        if (glifo >= usados_.size()) return;
        usados_[glifo] = 1;
        if (!caracteres_[glifo]) caracteres_[glifo] = caracter;
    }
    // A glyph that stands for several characters (a ligature, a shaped cluster).
    void usa(uint32_t glifo, const std::u32string& texto);
    // Writes the font's objects.
    void escribe(EscritorPdf& pdf) const;

  private:
    void leeMetricas();
    void leeMetricasTipo1();
    void escribeSimple(EscritorPdf& pdf, int descriptor, int toUnicode) const;
    void escribeCidFont(EscritorPdf& pdf, int cid, int descriptor) const;
    void escribeDescriptor(EscritorPdf& pdf, int descriptor, int programa,
                           const QByteArray& nombre) const;
    int escribePrograma(EscritorPdf& pdf) const;
    int escribeToUnicode(EscritorPdf& pdf) const;
    QByteArray nombrePostScript() const;
    std::vector<uint32_t> glifosUsados() const;

    std::shared_ptr<CaraFuente> cara_;
    int indice_, objeto_ = 0;
    int unidades_ = 1000; // per em
    bool negrita_ = false, cursiva_ = false, fija_ = false;
    int ascenso_ = 0, descenso_ = 0, mayusculas_ = 0, angulo_ = 0;
    int caja_[4] = {0, 0, 0, 0};
    std::vector<uint16_t> avances_; // font units, by glyph id
    std::vector<uint8_t> usados_;
    std::vector<char32_t> caracteres_;          // by glyph id; 0: none known
    std::map<uint32_t, std::u32string> varios_; // glyphs of several characters
    std::vector<int16_t> codigos_;              // Type 1: by glyph id, -1 while it has none
    std::vector<uint32_t> porCodigo_;           // Type 1: the glyph of each code
    std::optional<ProgramaTipo1> programa_;     // Type 1: the face's whole program
};
