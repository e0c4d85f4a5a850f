#include "printing/pdf/catalogo_fuentes.h"

#include <QFontDatabase>
#include <fontconfig/fontconfig.h>

namespace {
// A family name no font and no fontconfig rule has.
const QString kDesconocida = QStringLiteral("Velmor Familia Desconocida");
} // namespace

CatalogoFuentes::CatalogoFuentes() {
    actualiza();
}

CatalogoFuentes::~CatalogoFuentes() = default;

void CatalogoFuentes::actualiza() {
    const QStringList instaladas = QFontDatabase::families();
    if (instaladas == instaladas_ && !genericos_.isEmpty()) return;
    instaladas_ = instaladas;
    conocidas_.clear();
    for (const QString& f : instaladas)
        conocidas_.insert(f.toCaseFolded());
    genericos_ = sustitutos(kDesconocida);
    familias_.vacia();
    letras_.vacia();
}

// The families fontconfig would try for the name, after the name itself.
QStringList CatalogoFuentes::sustitutos(const QString& nombre) const {
    FcPattern* patron = FcPatternCreate();
    const QByteArray utf8 = nombre.toUtf8();
    FcPatternAddString(patron, FC_FAMILY, reinterpret_cast<const FcChar8*>(utf8.constData()));
    FcConfigSubstitute(nullptr, patron, FcMatchPattern);
    QStringList familias;
    FcChar8* f = nullptr;
    for (int i = 1; FcPatternGetString(patron, FC_FAMILY, i, &f) == FcResultMatch; ++i)
        familias << QString::fromUtf8(reinterpret_cast<const char*>(f));
    FcPatternDestroy(patron);
    return familias;
}

QString CatalogoFuentes::familia(const QString& nombre) {
    if (conocidas_.contains(nombre.toCaseFolded())) return nombre;
    if (const QString* f = familias_.busca(nombre)) return *f;
    const QString f = sustitutos(nombre) == genericos_ ? kDesconocida : nombre;
    return familias_.inserta(nombre, f);
}

std::shared_ptr<LetraPdf> CatalogoFuentes::letra(const QString& nombre, double puntos, bool negrita,
                                                 bool cursiva) {
    const QString familia = this->familia(nombre);
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
