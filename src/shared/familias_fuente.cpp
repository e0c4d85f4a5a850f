#include "shared/familias_fuente.h"

#include "shared/memoria_fuentes.h"
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

bool FamiliasFuente::actualiza() {
    bool cambiadas = MemoriaFuentes::DelProceso().renueva();
    if (leidas_) cambiadas = lee() || cambiadas;
    if (cambiadas) familias_.vacia();
    return cambiadas;
}

// The installed families as fontconfig lists them now; true when they changed.
bool FamiliasFuente::lee() {
    MemoriaFuentes::DelProceso().preguntaAFontconfig();
    leidas_ = true;
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
    if (nombre.isEmpty()) return nombre;
    if (const QString* f = familias_.busca(nombre)) return *f;
    MemoriaFuentes& memoria = MemoriaFuentes::DelProceso();
    const QString pregunta = QStringLiteral("familia\x1f") + nombre;
    if (const auto r = memoria.busca(pregunta)) return familias_.inserta(nombre, r->texto);
    if (!leidas_) lee();
    const QString f = conocidas_.contains(nombre.toCaseFolded()) || sustitutos(nombre) != genericos_
                          ? nombre
                          : kDesconocida;
    memoria.apunta(pregunta, f);
    return familias_.inserta(nombre, f);
}

QString FamiliasFuente::primera() {
    MemoriaFuentes& memoria = MemoriaFuentes::DelProceso();
    const QString pregunta = QStringLiteral("primera");
    if (const auto r = memoria.busca(pregunta)) return r->texto;
    if (!leidas_) lee();
    memoria.apunta(pregunta, instaladas_.value(0));
    return instaladas_.value(0);
}
