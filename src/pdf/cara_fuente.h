#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct FT_FaceRec_;
struct hb_blob_t;
struct hb_face_t;
struct hb_font_t;

// A glyph's outline in device pixels, y down from the glyph's origin: moves, lines and cubic
// curves (a TrueType quadratic is raised to a cubic).
struct Contorno {
    enum Orden : uint8_t { Mueve, Linea, Curva };
    struct Punto {
        double x, y;
    };
    std::vector<Orden> ordenes;
    std::vector<Punto> puntos; // one a move or line, three a curve
    bool vacio() const { return ordenes.empty(); }
};

// One face of a font file, read by FreeType (metrics, glyph ids, outlines) and HarfBuzz (tables,
// shaping, subsetting). Faces are shared: one per file and index for the whole run.
class CaraFuente {
  public:
    enum class Formato { TrueType, Cff, Type1, Otro };

    // The face, or null when FreeType cannot open it.
    static std::shared_ptr<CaraFuente> abre(const std::string& fichero, int indice);
    ~CaraFuente();
    CaraFuente(const CaraFuente&) = delete;
    CaraFuente& operator=(const CaraFuente&) = delete;

    const std::string& fichero() const { return fichero_; }
    int indice() const { return indice_; }
    Formato formato() const { return formato_; }
    const std::string& familia() const { return familia_; }
    const std::string& estilo() const { return estilo_; }
    // The table with that tag (e.g. "head"); empty when the face has none.
    std::string tabla(const char* etiqueta) const;
    size_t tamanoTabla(const char* etiqueta) const; // 0 when the face has none

    int unidades() const { return unidades_; } // per em
    unsigned numGlifos() const;
    uint32_t glifo(char32_t c) const;       // 0: the face has no glyph for it
    int avanceDiseno(uint32_t glifo) const; // font units
    // Metrics at a size of `pixeles` per em, as Qt's FreeType engine gives them unhinted: the
    // advance in 1/64 pixel, ascent and descent unrounded for a scalable sfnt face.
    struct Metricas {
        double ascenso, descenso, subrayado, grosor; // pixels; subrayado: below the baseline
    };
    Metricas metricas(double pixeles) const;
    double avance(uint32_t glifo, double pixeles) const;
    Contorno contorno(uint32_t glifo, double pixeles) const;
    // For a face without sfnt tables (Type 1): its glyph names, the glyphs an accented glyph is
    // built from (empty for any other), its PostScript name and its design metrics.
    std::string nombreGlifo(uint32_t glifo) const;
    std::vector<uint32_t> componentes(uint32_t glifo) const;
    std::string nombrePostScript() const;
    struct Diseno {
        int caja[4];           // font units: left, bottom, right, top
        int ascenso, descenso; // font units, the descent negative
        int angulo;            // italic angle, degrees
        bool fija;             // every glyph as wide
    };
    Diseno diseno() const;
    // Whether the face is itself bold or italic (OS/2, else the face's own style flags).
    bool negrita() const { return negrita_; }
    bool cursiva() const { return cursiva_; }

    hb_face_t* caraHb() const { return hb_; }
    hb_font_t* fuenteHb() const { return hbFuente_; } // scaled to font units

  private:
    CaraFuente() = default;
    void tamano(double pixeles) const;
    std::string fichero_;
    int indice_ = 0;
    hb_blob_t* mapeado_ = nullptr; // the file, mapped once for FreeType and HarfBuzz
    FT_FaceRec_* ft_ = nullptr;
    hb_face_t* hb_ = nullptr;
    hb_font_t* hbFuente_ = nullptr;
    Formato formato_ = Formato::Otro;
    std::string familia_, estilo_;
    int unidades_ = 1000;
    bool negrita_ = false, cursiva_ = false;
    mutable double pixeles_ = 0; // the size FreeType is set to
};
