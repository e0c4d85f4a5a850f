#include "pdf/cara_fuente.h"

#include <cstring>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_FONT_FORMATS_H
#include FT_OUTLINE_H
#include FT_TYPE1_TABLES_H
#include FT_TRUETYPE_TABLES_H
#include <hb-ot.h>
#include <hb.h>
#include <map>
#include <mutex>

namespace {
FT_Library biblioteca() {
    static FT_Library b = [] {
        FT_Library l = nullptr;
        if (FT_Init_FreeType(&l)) l = nullptr;
        return l;
    }();
    return b;
}

uint16_t u16(const std::string& t, size_t o) {
    return o + 2 <= t.size() ? uint16_t(uint8_t(t[o]) << 8 | uint8_t(t[o + 1])) : 0;
}

struct Trazo {
    Contorno& c;
    double escala;
    Contorno::Punto actual{0, 0};
    Contorno::Punto punto(const FT_Vector* v) const { return {v->x * escala, -v->y * escala}; }
};
int mueve(const FT_Vector* a, void* d) {
    auto* t = static_cast<Trazo*>(d);
    t->actual = t->punto(a);
    t->c.ordenes.push_back(Contorno::Mueve);
    t->c.puntos.push_back(t->actual);
    return 0;
}
int linea(const FT_Vector* a, void* d) {
    auto* t = static_cast<Trazo*>(d);
    t->actual = t->punto(a);
    t->c.ordenes.push_back(Contorno::Linea);
    t->c.puntos.push_back(t->actual);
    return 0;
}
int cubica(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* a, void* d) {
    auto* t = static_cast<Trazo*>(d);
    t->c.ordenes.push_back(Contorno::Curva);
    t->c.puntos.push_back(t->punto(c1));
    t->c.puntos.push_back(t->punto(c2));
    t->actual = t->punto(a);
    t->c.puntos.push_back(t->actual);
    return 0;
}
int cuadratica(const FT_Vector* c, const FT_Vector* a, void* d) {
    auto* t = static_cast<Trazo*>(d);
    const Contorno::Punto p0 = t->actual, q = t->punto(c), p = t->punto(a);
    t->c.ordenes.push_back(Contorno::Curva);
    t->c.puntos.push_back({p0.x + 2.0 / 3 * (q.x - p0.x), p0.y + 2.0 / 3 * (q.y - p0.y)});
    t->c.puntos.push_back({p.x + 2.0 / 3 * (q.x - p.x), p.y + 2.0 / 3 * (q.y - p.y)});
    t->c.puntos.push_back(p);
    t->actual = p;
    return 0;
}
} // namespace

std::shared_ptr<CaraFuente> CaraFuente::abre(const std::string& fichero, int indice) {
    static std::mutex mutex;
    static std::map<std::pair<std::string, int>, std::weak_ptr<CaraFuente>> abiertas;
    std::lock_guard<std::mutex> cierre(mutex);
    auto& hueco = abiertas[{fichero, indice}];
    if (auto c = hueco.lock()) return c;
    if (!biblioteca()) return nullptr;
    // One mapping of the file for both libraries: its pages are read, and counted, once.
    std::shared_ptr<CaraFuente> c(new CaraFuente);
    c->mapeado_ = hb_blob_create_from_file(fichero.c_str());
    unsigned largo = 0;
    const char* datos = hb_blob_get_data(c->mapeado_, &largo);
    FT_Face ft = nullptr;
    if (!datos || FT_New_Memory_Face(biblioteca(), reinterpret_cast<const FT_Byte*>(datos),
                                     FT_Long(largo), indice, &ft))
        return nullptr;
    c->fichero_ = fichero;
    c->indice_ = indice;
    c->ft_ = ft;
    c->unidades_ = ft->units_per_EM ? ft->units_per_EM : 1000;
    c->familia_ = ft->family_name ? ft->family_name : "";
    c->estilo_ = ft->style_name ? ft->style_name : "";
    const char* formato = FT_Get_Font_Format(ft);
    if (FT_IS_SFNT(ft))
        c->formato_ = c->tamanoTabla("glyf") == 0 ? Formato::Cff : Formato::TrueType;
    else if (formato && !std::strcmp(formato, "Type 1"))
        c->formato_ = Formato::Type1;
    c->hb_ = hb_face_create(c->mapeado_, unsigned(indice));
    c->hbFuente_ = hb_font_create(c->hb_);
    hb_ot_font_set_funcs(c->hbFuente_);
    hb_font_set_scale(c->hbFuente_, c->unidades_, c->unidades_);
    const std::string os2 = c->tabla("OS/2");
    if (os2.size() >= 64) {
        const uint16_t seleccion = u16(os2, 62);
        c->negrita_ = u16(os2, 4) >= 600 || (seleccion & 0x20);
        c->cursiva_ = (seleccion & 0x201) != 0;
    } else {
        c->negrita_ = ft->style_flags & FT_STYLE_FLAG_BOLD;
        c->cursiva_ = ft->style_flags & FT_STYLE_FLAG_ITALIC;
    }
    hueco = c;
    return c;
}

CaraFuente::~CaraFuente() {
    hb_font_destroy(hbFuente_);
    hb_face_destroy(hb_);
    if (ft_) FT_Done_Face(ft_);
    hb_blob_destroy(mapeado_);
}

size_t CaraFuente::tamanoTabla(const char* etiqueta) const {
    if (!FT_IS_SFNT(ft_)) return 0;
    const FT_ULong tag = FT_MAKE_TAG(etiqueta[0], etiqueta[1], etiqueta[2], etiqueta[3]);
    FT_ULong n = 0;
    return FT_Load_Sfnt_Table(ft_, tag, 0, nullptr, &n) ? 0 : size_t(n);
}

std::string CaraFuente::tabla(const char* etiqueta) const {
    const FT_ULong tag = FT_MAKE_TAG(etiqueta[0], etiqueta[1], etiqueta[2], etiqueta[3]);
    FT_ULong n = tamanoTabla(etiqueta);
    if (n == 0) return {};
    std::string t(n, '\0');
    if (FT_Load_Sfnt_Table(ft_, tag, 0, reinterpret_cast<FT_Byte*>(t.data()), &n)) return {};
    return t;
}

unsigned CaraFuente::numGlifos() const {
    return unsigned(ft_->num_glyphs);
}

uint32_t CaraFuente::glifo(char32_t c) const {
    return FT_Get_Char_Index(ft_, FT_ULong(c));
}

int CaraFuente::avanceDiseno(uint32_t glifo) const {
    FT_Fixed a = 0;
    if (FT_Get_Advance(ft_, glifo, FT_LOAD_NO_SCALE, &a)) return 0;
    return int(a);
}

void CaraFuente::tamano(double pixeles) const {
    if (pixeles == pixeles_) return;
    const FT_F26Dot6 s = FT_F26Dot6(pixeles * 64 + 0.5);
    FT_Set_Char_Size(ft_, s, s, 0, 0);
    pixeles_ = pixeles;
}

CaraFuente::Metricas CaraFuente::metricas(double pixeles) const {
    tamano(pixeles);
    const FT_Size_Metrics& m = ft_->size->metrics;
    Metricas r{};
    if (FT_IS_SFNT(ft_)) {
        r.ascenso = FT_MulFix(ft_->ascender, m.y_scale) / 64.0;
        r.descenso = FT_MulFix(-ft_->descender, m.y_scale) / 64.0;
    } else {
        r.ascenso = m.ascender / 64.0;
        r.descenso = -m.descender / 64.0;
    }
    r.grosor = FT_MulFix(ft_->underline_thickness, m.y_scale) / 64.0;
    // FreeType moves the position to the line's top edge; Qt draws at the font's own position.
    r.subrayado =
        -FT_MulFix(ft_->underline_position + ft_->underline_thickness / 2, m.y_scale) / 64.0;
    return r;
}

double CaraFuente::avance(uint32_t glifo, double pixeles) const {
    tamano(pixeles);
    FT_Fixed a = 0;
    if (FT_Get_Advance(ft_, glifo, FT_LOAD_NO_HINTING, &a)) return 0;
    return double(a >> 10) / 64.0; // 16.16 to 26.6, truncated as Qt's engine does
}

Contorno CaraFuente::contorno(uint32_t glifo, double pixeles) const {
    Contorno c;
    if (FT_Load_Glyph(ft_, glifo, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) ||
        ft_->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return c;
    Trazo t{c, pixeles / unidades_};
    const FT_Outline_Funcs funciones{mueve, linea, cuadratica, cubica, 0, 0};
    FT_Outline_Decompose(&ft_->glyph->outline, &funciones, &t);
    return c;
}

std::string CaraFuente::nombreGlifo(uint32_t glifo) const {
    char nombre[128] = "";
    if (!FT_HAS_GLYPH_NAMES(ft_) || FT_Get_Glyph_Name(ft_, glifo, nombre, sizeof nombre)) return {};
    return nombre;
}

// FreeType gives a Type 1 accented glyph (seac) as its two parts when asked not to join them.
std::vector<uint32_t> CaraFuente::componentes(uint32_t glifo) const {
    std::vector<uint32_t> partes;
    if (FT_Load_Glyph(ft_, glifo, FT_LOAD_NO_SCALE | FT_LOAD_NO_RECURSE) ||
        ft_->glyph->format != FT_GLYPH_FORMAT_COMPOSITE)
        return partes;
    for (FT_UInt i = 0; i < ft_->glyph->num_subglyphs; ++i) {
        FT_Int indice = 0, x = 0, y = 0;
        FT_UInt banderas = 0;
        FT_Matrix m{};
        if (!FT_Get_SubGlyph_Info(ft_->glyph, i, &indice, &banderas, &x, &y, &m))
            partes.push_back(uint32_t(indice));
    }
    return partes;
}

std::string CaraFuente::nombrePostScript() const {
    const char* nombre = FT_Get_Postscript_Name(ft_);
    return nombre ? nombre : familia_;
}

CaraFuente::Diseno CaraFuente::diseno() const {
    Diseno d{{int(ft_->bbox.xMin), int(ft_->bbox.yMin), int(ft_->bbox.xMax), int(ft_->bbox.yMax)},
             ft_->ascender,
             ft_->descender,
             0,
             FT_IS_FIXED_WIDTH(ft_) != 0};
    PS_FontInfoRec info;
    if (!FT_Get_PS_Font_Info(ft_, &info)) d.angulo = int(info.italic_angle);
    return d;
}
