#include "pdf/texto_pdf.h"

#include "pdf/cara_fuente.h"
#include "pdf/documento_pdf.h"
#include "pdf/letra_pdf.h"
#include <algorithm>
#include <cmath>
#include <hb.h>

namespace {
constexpr double kPuntosPorPixel = 72.0 / LetraPdf::kResolucion;
// How Qt's PDF output slants a face that has no italic, and how far apart it draws the two
// passes of a bold made up from a regular face (half the font's line thickness).
constexpr double kInclinacion = 0.3;
// A reader's advances (the font's design widths) and the device's (in 1/64 pixel at 1200 dpi)
// differ by a few millionths of an inch a glyph; the difference is carried on and corrected
// within the operator once it reaches this many points (a third of a pixel at 1200 dpi).
constexpr double kMinimoAjuste = 0.02;

FuentePdf& fuenteDe(DocumentoPdf& doc, LetraPdf& letra) {
    if (letra.documento != doc.numero()) {
        letra.pdf = &doc.fuente(letra.caraCompartida());
        letra.documento = doc.numero();
    }
    return *letra.pdf;
}

// Gives the glyph its code in `f`; once a simple font is full, in the face's next font, which `f`
// then is. True when the font changed: the text operator in progress has to end there.
bool conCodigo(DocumentoPdf& doc, const std::shared_ptr<CaraFuente>& cara, FuentePdf*& f,
               uint32_t glifo) {
    if (f->admite(glifo)) return false;
    f = &doc.fuenteSiguiente(cara, *f);
    f->admite(glifo);
    return true;
}

// Characters that take the script of the text around them.
bool sinEscritura(hb_script_t s) {
    return s == HB_SCRIPT_COMMON || s == HB_SCRIPT_INHERITED || s == HB_SCRIPT_UNKNOWN;
}
} // namespace

TextoPdf::TextoPdf() : buffer_(hb_buffer_create()) {}

TextoPdf::~TextoPdf() {
    hb_buffer_destroy(buffer_);
}

double TextoPdf::dibuja(DocumentoPdf& doc, LetraPdf& letra, const QString& texto, double x,
                        double y, bool subrayado) {
    double ancho = 0;
    if (directo(letra, texto, ancho))
        escribeDirecto(doc, letra, texto, x, y, subrayado);
    else
        ancho = escribeComplejo(doc, letra, texto, x, y);
    if (subrayado) subraya(doc, letra, x, y, ancho);
    return ancho;
}

void TextoPdf::dibujaEnCeldas(DocumentoPdf& doc, LetraPdf& letra, const QString& texto, double x,
                              double y, bool subrayado, double celda, double escala) {
    double ancho = 0;
    if (directo(letra, texto, ancho)) {
        std::fill_n(avances_.begin(), texto.size(), celda / escala);
        escribeDirecto(doc, letra, texto, x, y, subrayado, escala);
    } else { // a character from another face: each in its cell, at the face's own width
        for (qsizetype i = 0; i < texto.size(); ++i)
            if (texto[i] != u' ')
                escribeComplejo(doc, letra, texto.mid(i, 1), x + i * celda * kPuntosPorPixel, y);
    }
    if (subrayado) subraya(doc, letra, x, y, celda * double(texto.size()));
}

bool TextoPdf::directo(LetraPdf& letra, const QString& texto, double& ancho) {
    if (!letra.cara()) return false;
    const size_t n = size_t(texto.size());
    if (indices_.size() < n) {
        indices_.resize(n);
        avances_.resize(n);
    }
    double x = 0;
    for (size_t i = 0; i < n; ++i) {
        const LetraPdf::Glifo& g = letra.glifo(texto[qsizetype(i)].unicode());
        if (g.clase != LetraPdf::Glifo::Directo) return false;
        indices_[i] = g.indice;
        avances_[i] = g.avance;
        x += g.avance;
    }
    ancho = x;
    return true;
}

void TextoPdf::escribeDirecto(DocumentoPdf& doc, LetraPdf& letra, const QString& texto, double x,
                              double y, bool subrayado, double escala) {
    const qsizetype n = texto.size();
    qsizetype i = 0;
    double inicio = 0;
    if (!subrayado)
        for (; i < n && texto[i] == u' '; ++i)
            inicio += avances_[size_t(i)];
    if (i == n) return;
    FuentePdf* f = &fuenteDe(doc, letra);
    const double inclinacion = letra.cursivaSintetica() ? kInclinacion : 0;
    const double pixeles = letra.pixeles();
    bool comoTexto = f->incrustable();
    for (qsizetype j = i; comoTexto && j < n; ++j)
        comoTexto = f->existe(indices_[size_t(j)]);
    if (!comoTexto || letra.negritaSintetica()) {
        std::vector<Colocado> glifos;
        double avance = inicio;
        for (qsizetype j = i; j < n; avance += avances_[size_t(j)], ++j)
            if (texto[j] != u' ') glifos.push_back({indices_[size_t(j)], avance, 0, 0, {}});
        const Pasadas pasadas = !comoTexto
                                    ? (letra.negritaSintetica() ? Pasadas::Ambas : Pasadas::Texto)
                                    : Pasadas::Segunda;
        contornos(doc, *letra.cara(), pixeles, glifos, x, y, pasadas, inclinacion,
                  letra.grosorLinea());
        if (!comoTexto) return;
    }
    const double milesimas = 1000.0 / pixeles;
    ContenidoPagina& pagina = doc.pagina();
    double posicion = inicio; // device pixels from x to the next glyph
    const auto empieza = [&] {
        pagina.empiezaTexto(f->indice(), pixeles * kPuntosPorPixel,
                            x + posicion * escala * kPuntosPorPixel, y, inclinacion, escala);
    };
    empieza();
    const double minimo = kMinimoAjuste * 1000.0 / (pixeles * kPuntosPorPixel);
    const bool simple = f->simple();
    double pendiente = 0;
    for (; i < n; posicion += avances_[size_t(i)], ++i) {
        const char16_t c = texto[i].unicode();
        const double avance = avances_[size_t(i)] * milesimas;
        if (c == u' ' && !subrayado) {
            pendiente += avance;
            continue;
        }
        const uint32_t g = indices_[size_t(i)];
        if (simple && conCodigo(doc, letra.caraCompartida(), f, g)) {
            letra.pdf = f;
            pagina.terminaTexto();
            empieza();
            pendiente = 0;
        }
        if (std::abs(pendiente) >= minimo) {
            pagina.avanza(pendiente);
            pendiente = 0;
        }
        pagina.glifo(f->codigo(g), simple);
        f->usa(g, c);
        pendiente += avance - f->ancho(g);
    }
    pagina.terminaTexto();
}

// Runs of one face and one script, in the order of the text; each is shaped on its own (a
// right-to-left run comes out of the shaper in the order it is seen) and placed after the one
// before it.
double TextoPdf::escribeComplejo(DocumentoPdf& doc, LetraPdf& letra, const QString& texto, double x,
                                 double y) {
    const std::u32string caracteres = texto.toStdU32String();
    hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
    double pluma = 0;
    size_t i = 0;
    std::vector<Colocado> glifos;
    while (i < caracteres.size()) {
        std::shared_ptr<CaraFuente> cara = letra.caraPara(caracteres[i]);
        hb_script_t escritura = hb_unicode_script(unicode, caracteres[i]);
        size_t j = i + 1;
        for (; j < caracteres.size(); ++j) {
            const char32_t c = caracteres[j];
            const hb_script_t s = hb_unicode_script(unicode, c);
            const bool marca = hb_unicode_general_category(unicode, c) ==
                                   HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK ||
                               c == 0x200c || c == 0x200d;
            if (!marca && letra.caraPara(c) != cara) break;
            if (!sinEscritura(s) && !sinEscritura(escritura) && s != escritura) break;
            if (sinEscritura(escritura)) escritura = s;
        }
        const std::u32string trozo = caracteres.substr(i, j - i);
        i = j;
        if (!cara) continue; // no font has it: nothing Qt would draw either
        glifos.clear();
        pluma += forma(*cara, letra.pixeles(), trozo, pluma, glifos);
        escribeGlifos(doc, letra, cara, glifos, x, y);
    }
    return pluma;
}

double TextoPdf::forma(const CaraFuente& cara, double pixeles, const std::u32string& texto,
                       double origen, std::vector<Colocado>& glifos) {
    hb_buffer_clear_contents(buffer_);
    hb_buffer_add_utf32(buffer_, reinterpret_cast<const uint32_t*>(texto.data()), int(texto.size()),
                        0, int(texto.size()));
    hb_buffer_guess_segment_properties(buffer_);
    const hb_feature_t sinKerning{HB_TAG('k', 'e', 'r', 'n'), 0, 0, ~0u};
    hb_shape(cara.fuenteHb(), buffer_, &sinKerning, 1);
    unsigned n = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer_, &n);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer_, &n);
    const double escala = pixeles / cara.unidades();
    // Readers put a right-to-left line's glyphs back in reading order and then read each glyph's
    // characters as they are mapped, left to right: a ligature's (lam-alef) are mapped in the
    // order they are seen.
    const bool rtl = hb_buffer_get_direction(buffer_) == HB_DIRECTION_RTL;
    double pluma = origen;
    for (unsigned k = 0; k < n; ++k) {
        // The cluster's text runs to the next cluster that starts after it.
        uint32_t fin = uint32_t(texto.size());
        for (unsigned m = 0; m < n; ++m)
            if (info[m].cluster > info[k].cluster && info[m].cluster < fin) fin = info[m].cluster;
        const bool primero = k == 0 || info[k - 1].cluster != info[k].cluster;
        const double avance = pos[k].x_advance * escala;
        std::u32string suyo;
        if (primero) suyo = texto.substr(info[k].cluster, fin - info[k].cluster);
        if (rtl) std::reverse(suyo.begin(), suyo.end());
        glifos.push_back({info[k].codepoint, pluma + pos[k].x_offset * escala,
                          -pos[k].y_offset * escala, avance, std::move(suyo)});
        pluma += avance;
    }
    return pluma - origen;
}

void TextoPdf::escribeGlifos(DocumentoPdf& doc, LetraPdf& letra,
                             const std::shared_ptr<CaraFuente>& cara,
                             const std::vector<Colocado>& glifos, double x, double y) {
    if (glifos.empty()) return;
    FuentePdf* f = &doc.fuente(cara);
    const bool negrita = letra.negrita() && !cara->negrita();
    const double inclinacion = letra.cursiva() && !cara->cursiva() ? kInclinacion : 0;
    const double pixeles = letra.pixeles();
    bool comoTexto = f->incrustable();
    for (const Colocado& g : glifos)
        comoTexto = comoTexto && f->existe(g.glifo);
    if (!comoTexto || negrita) {
        const double grosor = cara->metricas(pixeles).grosor;
        contornos(doc, *cara, pixeles, glifos, x, y,
                  !comoTexto ? (negrita ? Pasadas::Ambas : Pasadas::Texto) : Pasadas::Segunda,
                  inclinacion, grosor);
        if (!comoTexto) return;
    }
    const double milesimas = 1000.0 / pixeles;
    const double minimo = kMinimoAjuste * 1000.0 / (pixeles * kPuntosPorPixel);
    ContenidoPagina& pagina = doc.pagina();
    double lector = 0; // where the reader's pen is, thousandths from the operator's start
    for (size_t i = 0; i < glifos.size(); ++i) {
        const Colocado& g = glifos[i];
        const bool otraFuente = conCodigo(doc, cara, f, g.glifo);
        if (i == 0 || otraFuente || g.y != glifos[i - 1].y) {
            if (i) pagina.terminaTexto();
            pagina.empiezaTexto(f->indice(), pixeles * kPuntosPorPixel, x + g.x * kPuntosPorPixel,
                                y - g.y * kPuntosPorPixel, inclinacion);
            lector = g.x * milesimas;
        } else {
            lector += f->ancho(glifos[i - 1].glifo);
            const double pendiente = g.x * milesimas - lector;
            if (std::abs(pendiente) >= minimo) {
                pagina.avanza(pendiente);
                lector += pendiente;
            }
        }
        f->usa(g.glifo, g.texto);
        pagina.glifo(f->codigo(g.glifo), f->simple());
    }
    pagina.terminaTexto();
}

// The glyphs as filled outlines: the text's own pass, the second pass of a bold made up from a
// regular face (half the line thickness to the left, as Qt draws it), or both. Over embedded
// text only the second pass is drawn, as a shape, so that the text reads once and where it
// stands.
void TextoPdf::contornos(DocumentoPdf& doc, const CaraFuente& cara, double pixeles,
                         const std::vector<Colocado>& glifos, double x, double y, Pasadas pasadas,
                         double inclinacion, double grosor) {
    const double desplazamiento = grosor / 2;
    for (const Colocado& g : glifos) {
        const Contorno camino = cara.contorno(g.glifo, pixeles);
        for (double d : {0.0, desplazamiento}) {
            if ((d == 0 && pasadas == Pasadas::Segunda) || (d != 0 && pasadas == Pasadas::Texto))
                continue;
            doc.pagina().contorno(camino, x + (g.x - d) * kPuntosPorPixel,
                                  y - g.y * kPuntosPorPixel, kPuntosPorPixel, inclinacion);
        }
    }
}

// Under the whole text, blanks included, at the font's own underline position and thickness.
void TextoPdf::subraya(DocumentoPdf& doc, LetraPdf& letra, double x, double y, double ancho) {
    const double grosor = letra.grosorLinea() * kPuntosPorPixel;
    const double centro = y - letra.posicionSubrayado() * kPuntosPorPixel;
    doc.pagina().rectangulo(x, centro - grosor / 2, ancho * kPuntosPorPixel, grosor);
}
