#include "shared/familias_fuente.h"

#include <fontconfig/fontconfig.h>

namespace {
// A family name no font and no fontconfig rule has.
const QString kDesconocida = QStringLiteral("Velmor Familia Desconocida");

// The first family name of every font fontconfig lists, the application's fonts included, sorted
// and without repeats.
QStringList familiasInstaladas() {
    FcPattern* patron = FcPatternCreate();
    FcObjectSet* objetos = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* lista = FcFontList(nullptr, patron, objetos);
    QStringList familias;
    for (int i = 0; lista && i < lista->nfont; ++i) {
        FcChar8* f = nullptr;
        if (FcPatternGetString(lista->fonts[i], FC_FAMILY, 0, &f) == FcResultMatch)
            familias << QString::fromUtf8(reinterpret_cast<const char*>(f));
    }
    if (lista) FcFontSetDestroy(lista);
    FcObjectSetDestroy(objetos);
    FcPatternDestroy(patron);
    familias.sort(Qt::CaseInsensitive);
    familias.removeDuplicates();
    return familias;
}
} // namespace

FamiliasFuente::FamiliasFuente() {
    actualiza();
}

bool FamiliasFuente::actualiza() {
    const QStringList instaladas = familiasInstaladas();
    if (instaladas == instaladas_ && !genericos_.isEmpty()) return false;
    instaladas_ = instaladas;
    conocidas_.clear();
    for (const QString& f : instaladas)
        conocidas_.insert(f.toCaseFolded());
    genericos_ = sustitutos(kDesconocida);
    familias_.vacia();
    return true;
}

// The families fontconfig would try for the name, after the name itself.
QStringList FamiliasFuente::sustitutos(const QString& nombre) const {
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

QString FamiliasFuente::familia(const QString& nombre) {
    if (nombre.isEmpty() || conocidas_.contains(nombre.toCaseFolded())) return nombre;
    if (const QString* f = familias_.busca(nombre)) return *f;
    const QString f = sustitutos(nombre) == genericos_ ? kDesconocida : nombre;
    return familias_.inserta(nombre, f);
}
