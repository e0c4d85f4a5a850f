#include "printing/pdf/texto_pdf.h"

#include "printing/pdf/documento_pdf.h"
#include "printing/pdf/letra_pdf.h"
#include <QGlyphRun>
#include <QTextLayout>
#include <cmath>

namespace {
constexpr double kPuntosPorPixel = 72.0 / LetraPdf::kResolucion;
// How Qt's PDF output slants a face that has no italic, and how far apart it draws the two
// passes of a bold made up from a regular face (half the font's line thickness).
constexpr double kInclinacion = 0.3;
// A reader's advances (the font's design widths) and the device's (Qt's, in 1/64 pixel at 1200
// dpi) differ by a few millionths of an inch a glyph; the difference is carried on and corrected
// within the operator once it reaches this many points (a third of a pixel at 1200 dpi).
constexpr double kMinimoAjuste = 0.02;

FuentePdf& fuenteDe(DocumentoPdf& doc, LetraPdf& letra) {
    if (letra.documento != doc.numero()) {
        letra.pdf = &doc.fuente(letra.cara(), letra.claveCara());
        letra.documento = doc.numero();
    }
    return *letra.pdf;
}
} // namespace

double TextoPdf::dibuja(DocumentoPdf& doc, LetraPdf& letra, const QString& texto, double x,
                        double y, bool subrayado) {
    double ancho = 0;
    if (directo(letra, texto, ancho))
        escribeDirecto(doc, letra, texto, x, y, subrayado);
    else {
        ancho = letra.metricas().horizontalAdvance(texto);
        escribeComplejo(doc, letra, texto, x, y);
    }
    if (subrayado) subraya(doc, letra, x, y, ancho);
    return ancho;
}

void TextoPdf::dibujaEnCeldas(DocumentoPdf& doc, LetraPdf& letra, const QString& texto, double x,
                              double y, bool subrayado, double celda, double escala) {
    double ancho = 0;
    if (directo(letra, texto, ancho)) {
        std::fill(avances_.begin(), avances_.end(), celda / escala);
        escribeDirecto(doc, letra, texto, x, y, subrayado, escala);
    } else { // a character from another face: each in its cell, at the face's own width
        for (qsizetype i = 0; i < texto.size(); ++i)
            if (texto[i] != u' ')
                escribeComplejo(doc, letra, texto.mid(i, 1), x + i * celda * kPuntosPorPixel, y);
    }
    if (subrayado) subraya(doc, letra, x, y, celda * double(texto.size()));
}

bool TextoPdf::directo(LetraPdf& letra, const QString& texto, double& ancho) {
    if (!letra.cara().isValid()) return false;
    indices_.clear();
    avances_.clear();
    double x = 0;
    for (const QChar c : texto) {
        const LetraPdf::Glifo& g = letra.glifo(c.unicode());
        if (g.clase != LetraPdf::Glifo::Directo) return false;
        indices_.push_back(g.indice);
        avances_.push_back(g.avance);
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
    FuentePdf& f = fuenteDe(doc, letra);
    const double inclinacion = letra.cursivaSintetica() ? kInclinacion : 0;
    if (!f.incrustable() || letra.negritaSintetica()) {
        QList<quint32> glifos;
        QList<QPointF> posiciones;
        double avance = inicio;
        for (qsizetype j = i; j < n; avance += avances_[size_t(j)], ++j) {
            if (texto[j] == u' ') continue;
            glifos << indices_[size_t(j)];
            posiciones << QPointF(avance, 0);
        }
        if (!f.incrustable()) {
            contornos(doc, letra.caraContornos(), glifos, posiciones, x, y,
                      letra.negritaSintetica() ? Pasadas::Ambas : Pasadas::Texto, inclinacion);
            return;
        }
        contornos(doc, letra.caraContornos(), glifos, posiciones, x, y, Pasadas::Segunda,
                  inclinacion);
    }
    const double pixeles = letra.cara().pixelSize();
    const double milesimas = 1000.0 / pixeles;
    ContenidoPagina& pagina = doc.pagina();
    pagina.empiezaTexto(f.indice(), pixeles * kPuntosPorPixel,
                        x + inicio * escala * kPuntosPorPixel, y, inclinacion, escala);
    const double minimo = kMinimoAjuste * 1000.0 / (pixeles * kPuntosPorPixel);
    double pendiente = 0;
    for (; i < n; ++i) {
        const char16_t c = texto[i].unicode();
        const double avance = avances_[size_t(i)] * milesimas;
        if (c == u' ' && !subrayado) {
            pendiente += avance;
            continue;
        }
        if (std::abs(pendiente) >= minimo) {
            pagina.avanza(pendiente);
            pendiente = 0;
        }
        const uint32_t g = indices_[size_t(i)];
        pagina.glifo(uint16_t(g));
        f.usa(g, c);
        pendiente += avance - f.ancho(g);
    }
    pagina.terminaTexto();
}

void TextoPdf::escribeComplejo(DocumentoPdf& doc, LetraPdf& letra, const QString& texto, double x,
                               double y) {
    QTextLayout layout(texto, letra.fuente(), &LetraPdf::lienzo());
    layout.beginLayout();
    const QTextLine linea = layout.createLine();
    layout.endLayout();
    const double base = linea.ascent();
    const QList<uint> caracteres = texto.toUcs4();
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QRawFont cara = run.rawFont();
        if (!cara.isValid()) continue; // nothing Qt could draw either
        FuentePdf& f = doc.fuente(cara, FuentePdf::clave(cara));
        const QList<quint32> glifos = run.glyphIndexes();
        const QList<QPointF> posiciones = run.positions();
        if (glifos.isEmpty()) continue;
        for (uint c : caracteres) { // the text each glyph stands for, where the face maps it
            const quint32 g = cara.glyphIndexesForString(
                                      QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1))
                                  .value(0);
            if (g && glifos.contains(g)) f.usa(g, char32_t(c));
        }
        const auto estilo = FuentePdf::estilo(cara);
        const bool negrita = letra.fuente().bold() && !estilo.negrita;
        const double inclinacion = letra.fuente().italic() && !estilo.cursiva ? kInclinacion : 0;
        if (!f.incrustable() || negrita) {
            QList<QPointF> enLinea;
            for (const QPointF& p : posiciones)
                enLinea << QPointF(p.x(), p.y() - base);
            contornos(doc, cara, glifos, enLinea, x, y,
                      !f.incrustable() ? (negrita ? Pasadas::Ambas : Pasadas::Texto)
                                       : Pasadas::Segunda,
                      inclinacion);
            if (!f.incrustable()) continue;
        }
        const double pixeles = cara.pixelSize(), milesimas = 1000.0 / pixeles;
        const double minimo = kMinimoAjuste * 1000.0 / (pixeles * kPuntosPorPixel);
        ContenidoPagina& pagina = doc.pagina();
        double lector = 0; // where the reader's pen is, thousandths from the operator's start
        for (qsizetype i = 0; i < glifos.size(); ++i) {
            const QPointF p = posiciones[i];
            if (i == 0 || p.y() != posiciones[i - 1].y()) {
                if (i) pagina.terminaTexto();
                pagina.empiezaTexto(f.indice(), pixeles * kPuntosPorPixel,
                                    x + p.x() * kPuntosPorPixel,
                                    y - (p.y() - base) * kPuntosPorPixel, inclinacion);
                lector = p.x() * milesimas;
            } else {
                lector += f.ancho(glifos[i - 1]);
                const double pendiente = p.x() * milesimas - lector;
                if (std::abs(pendiente) >= minimo) {
                    pagina.avanza(pendiente);
                    lector += pendiente;
                }
            }
            pagina.glifo(uint16_t(glifos[i]));
            f.usa(glifos[i]);
        }
        pagina.terminaTexto();
    }
}

// The glyphs as filled outlines, at positions in device pixels from the origin (y down): the
// text's own pass, the second pass of a bold made up from a regular face (half the line
// thickness to the left, as Qt draws it), or both. Over embedded text only the second pass is
// drawn, as a shape, so that the text reads once and where it stands.
void TextoPdf::contornos(DocumentoPdf& doc, const QRawFont& cara, const QList<quint32>& glifos,
                         const QList<QPointF>& posiciones, double x, double y, Pasadas pasadas,
                         double inclinacion) {
    const double desplazamiento = cara.lineThickness() / 2;
    for (qsizetype i = 0; i < glifos.size(); ++i) {
        const QPainterPath camino = cara.pathForGlyph(glifos[i]);
        const QPointF p = posiciones[i];
        for (double d : {0.0, desplazamiento}) {
            if ((d == 0 && pasadas == Pasadas::Segunda) || (d != 0 && pasadas == Pasadas::Texto))
                continue;
            doc.pagina().contorno(camino, x + (p.x() - d) * kPuntosPorPixel,
                                  y - p.y() * kPuntosPorPixel, kPuntosPorPixel, inclinacion);
        }
    }
}

// Under the whole text, blanks included, at the font's own underline position and thickness.
void TextoPdf::subraya(DocumentoPdf& doc, LetraPdf& letra, double x, double y, double ancho) {
    const double grosor = letra.cara().lineThickness() * kPuntosPorPixel;
    const double centro = y - letra.cara().underlinePosition() * kPuntosPorPixel;
    doc.pagina().rectangulo(x, centro - grosor / 2, ancho * kPuntosPorPixel, grosor);
}
