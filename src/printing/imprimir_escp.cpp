#include "printing/imprimir_escp.h"

#include <QCryptographicHash>
#include <algorithm>
#include <cmath>

namespace {
constexpr int kTwipsPorUnidad = 4;
constexpr qsizetype kImagenesRecordadas = 256;

int twips(double unidades) {
    return int(std::lround(unidades * kTwipsPorUnidad));
}
} // namespace

void SalidaEscPImpresora::texto(const TextoEscP& t) {
    const FormatoEscP& f = t.formato;
    if (!marcas_)
        marcas_ = std::any_of(t.texto.begin(), t.texto.end(), [](QChar c) { return !c.isSpace(); });
    if (p_.fuente() != f.fuente) p_.ponFuente(f.fuente);
    if (p_.tamano() != f.puntos) p_.ponTamano(f.puntos);
    p_.ponNegrita(f.negrita);
    p_.ponCursiva(f.cursiva);
    p_.ponSubrayado(f.subrayado);
    p_.escribeEnCeldas(twips(t.x), twips(t.base), t.texto, twips(f.celda));
}

const Imagen& SalidaEscPImpresora::imagen(const GraficoEscP& g) {
    QByteArray clave = QCryptographicHash::hash(g.puntos, QCryptographicHash::Sha1);
    clave += QByteArray::number(g.ancho) + 'x' + QByteArray::number(g.alto);
    const auto hecha = imagenes_.constFind(clave);
    if (hecha != imagenes_.constEnd()) return *hecha;
    if (imagenes_.size() >= kImagenesRecordadas) imagenes_.clear();
    Imagen img; // the dots as they are: a set bit is a dot of ink
    img.formato = Imagen::Formato::Bits1;
    img.ancho = g.ancho;
    img.alto = g.alto;
    img.datos = g.puntos;
    img.id = Imagen::nuevoId();
    return *imagenes_.insert(clave, img);
}

void SalidaEscPImpresora::grafico(const GraficoEscP& g) {
    const bool conPuntos = std::any_of(g.puntos.begin(), g.puntos.end(), [](char b) { return b; });
    if (!conPuntos) return; // blank columns only move the head
    marcas_ = true;
    p_.dibujaImagen(imagen(g), twips(g.x), twips(g.y), twips(g.anchoUnidades),
                    twips(g.altoUnidades));
}

void SalidaEscPImpresora::finDocumento() {
    if (marcas_) p_.finDocumento();
}
