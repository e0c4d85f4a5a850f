#include "pdf/catalogo_fuentes.h"

#include <QFont>

CatalogoFuentes::CatalogoFuentes() = default;

CatalogoFuentes::~CatalogoFuentes() = default;

void CatalogoFuentes::actualiza() {
    if (familias_.actualiza()) letras_.vacia();
}

std::shared_ptr<LetraPdf> CatalogoFuentes::letra(const QString& nombre, double puntos, bool negrita,
                                                 bool cursiva) {
    const QString familia = familias_.familia(nombre);
    const QString clave = familia + QChar(u'\x1f') + QString::number(puntos, 'g', 17) +
                          QChar(negrita ? u'N' : u'n') + QChar(cursiva ? u'I' : u'i');
    if (auto* l = letras_.busca(clave)) return *l;
    QFont f(familia);
    f.setPointSizeF(puntos);
    f.setBold(negrita);
    f.setItalic(cursiva);
    f.setStyleHint(QFont::TypeWriter);
    // Exact advances: no hinting to screen pixels, so columns line up at any size.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    return letras_.inserta(clave, std::make_shared<LetraPdf>(f, negrita, cursiva));
}
