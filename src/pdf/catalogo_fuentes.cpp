#include "pdf/catalogo_fuentes.h"

#include "pdf/cara_fuente.h"
#include "shared/memoria_fuentes.h"
#include <algorithm>
#include <bit>
#include <fontconfig/fontconfig.h>
#include <map>
#include <optional>

namespace {
struct Borra {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
    void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
    void operator()(FcObjectSet* o) const { FcObjectSetDestroy(o); }
};
using Patron = std::unique_ptr<FcPattern, Borra>;

std::string cadena(FcPattern* p, const char* objeto) {
    FcChar8* v = nullptr;
    return FcPatternGetString(p, objeto, 0, &v) == FcResultMatch
               ? std::string(reinterpret_cast<const char*>(v))
               : std::string();
}
int entero(FcPattern* p, const char* objeto) {
    int v = 0;
    FcPatternGetInteger(p, objeto, 0, &v);
    return v;
}

// The request as Qt's font database puts it to fontconfig for a typewriter font: the family,
// then the generic monospace family, at the weight and slant asked for.
Patron peticion(const QString& familia, bool negrita, bool cursiva) {
    Patron p(FcPatternCreate());
    const QByteArray nombre = familia.toUtf8();
    if (!nombre.isEmpty())
        FcPatternAddString(p.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(nombre.data()));
    FcPatternAddString(p.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>("monospace"));
    FcPatternAddInteger(p.get(), FC_WEIGHT, negrita ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(p.get(), FC_SLANT, cursiva ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(p.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, p.get(), FcMatchPattern);
    FcDefaultSubstitute(p.get());
    return p;
}

// A family may be installed more than once in one style (the same Type 1 face as .pfb and .t1,
// and as OpenType). Qt's database keeps, for each family, its foundries in the order fontconfig
// lists the fonts (with the properties Qt lists them by, which decide that order), and within a
// foundry the last font of each style; it takes the first foundry that has the style. The same
// choice here keeps the core on the very file the window draws with.
Patron comoQt(FcPattern* elegida) {
    Patron filtro(FcPatternCreate());
    FcPatternAddString(filtro.get(), FC_FAMILY,
                       reinterpret_cast<const FcChar8*>(cadena(elegida, FC_FAMILY).c_str()));
    std::unique_ptr<FcObjectSet, Borra> objetos(
        FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_WEIGHT, FC_SLANT, FC_SPACING, FC_FILE, FC_INDEX,
                         FC_LANG, FC_CHARSET, FC_FOUNDRY, FC_SCALABLE, FC_PIXEL_SIZE, FC_WIDTH,
                         FC_FAMILYLANG, FC_CAPABILITY, nullptr));
    std::unique_ptr<FcFontSet, Borra> lista(FcFontList(nullptr, filtro.get(), objetos.get()));
    if (!lista) return nullptr;
    const int peso = entero(elegida, FC_WEIGHT), inclinacion = entero(elegida, FC_SLANT),
              ancho = entero(elegida, FC_WIDTH);
    std::vector<QString> foundries;       // in the order the family's fonts list them
    std::map<QString, FcPattern*> ultima; // the last font of the style in each foundry
    for (int i = 0; i < lista->nfont; ++i) {
        FcPattern* f = lista->fonts[i];
        const QString foundry = QString::fromStdString(cadena(f, FC_FOUNDRY)).toCaseFolded();
        if (std::find(foundries.begin(), foundries.end(), foundry) == foundries.end())
            foundries.push_back(foundry);
        if (entero(f, FC_WEIGHT) == peso && entero(f, FC_SLANT) == inclinacion &&
            entero(f, FC_WIDTH) == ancho)
            ultima[foundry] = f;
    }
    FcPattern* mejor = nullptr;
    for (const QString& foundry : foundries)
        if (auto e = ultima.find(foundry); e != ultima.end()) {
            mejor = e->second;
            break;
        }
    if (!mejor) return nullptr;
    FcPatternReference(mejor);
    return Patron(mejor);
}

QString estilo(bool negrita, bool cursiva) {
    return QString(QChar(negrita ? u'N' : u'n')) + QChar(cursiva ? u'I' : u'i');
}
} // namespace

// The fonts fontconfig would fall back on for a family, in its order, each with the characters
// it has; a family's face in the style asked for is matched as any other (and only when a
// character needs it).
class CatalogoFuentes::Respaldos {
  public:
    explicit Respaldos(const QString& familia) : familia_(familia) {}
    std::shared_ptr<CaraFuente> para(char32_t c, bool negrita, bool cursiva) {
        MemoriaFuentes& memoria = MemoriaFuentes::DelProceso();
        const QString pregunta = QStringLiteral("respaldo\x1f") + familia_ + u'\x1f' +
                                 QString::number(uint(c), 16) + u'\x1f' + estilo(negrita, cursiva);
        if (const auto r = memoria.busca(pregunta))
            return r->texto.isEmpty() ? nullptr : caraDe(r->texto.toStdString(), negrita, cursiva);
        const auto elegida = busca(c, negrita, cursiva);
        memoria.apunta(pregunta, elegida ? QString::fromStdString(elegida->first) : QString());
        return elegida ? elegida->second : nullptr;
    }

  private:
    // The first font in fontconfig's order with the character, its family and face.
    std::optional<std::pair<std::string, std::shared_ptr<CaraFuente>>>
    busca(char32_t c, bool negrita, bool cursiva) {
        if (!ordenado_) { // sorting every font costs milliseconds: only when a character needs it
            MemoriaFuentes::DelProceso().preguntaAFontconfig();
            const Patron p = peticion(familia_, false, false);
            FcResult r = FcResultNoMatch;
            orden_.reset(FcFontSort(nullptr, p.get(), FcFalse, nullptr, &r));
            ordenado_ = true;
        }
        for (int i = 0; orden_ && i < orden_->nfont; ++i) {
            FcCharSet* caracteres = nullptr;
            if (FcPatternGetCharSet(orden_->fonts[i], FC_CHARSET, 0, &caracteres) !=
                    FcResultMatch ||
                !FcCharSetHasChar(caracteres, FcChar32(c)))
                continue;
            const std::string familia = cadena(orden_->fonts[i], FC_FAMILY);
            if (auto cara = caraDe(familia, negrita, cursiva); cara && cara->glifo(c))
                return std::pair{familia, cara};
        }
        return std::nullopt;
    }
    std::shared_ptr<CaraFuente> caraDe(const std::string& familia, bool negrita, bool cursiva) {
        auto& hueco = caras_[{familia, negrita * 2 + cursiva}];
        if (!hueco) hueco = cara(QString::fromStdString(familia), negrita, cursiva);
        return hueco;
    }

    QString familia_;
    bool ordenado_ = false;
    std::unique_ptr<FcFontSet, Borra> orden_;
    std::map<std::pair<std::string, int>, std::shared_ptr<CaraFuente>> caras_;
};

CatalogoFuentes::CatalogoFuentes() = default;

CatalogoFuentes::~CatalogoFuentes() = default;

void CatalogoFuentes::actualiza() {
    if (!familias_.actualiza()) return;
    letras_.vacia();
    respaldos_.clear();
}

std::shared_ptr<CaraFuente> CatalogoFuentes::cara(const QString& familia, bool negrita,
                                                  bool cursiva) {
    MemoriaFuentes& memoria = MemoriaFuentes::DelProceso();
    const QString pregunta =
        QStringLiteral("cara\x1f") + familia + u'\x1f' + estilo(negrita, cursiva);
    if (const auto r = memoria.busca(pregunta))
        return r->fuente.isEmpty() ? nullptr
                                   : CaraFuente::abre(r->fuente.toStdString(), r->texto.toInt());
    memoria.preguntaAFontconfig();
    const Patron p = peticion(familia, negrita, cursiva);
    FcResult r = FcResultNoMatch;
    const Patron elegida(FcFontMatch(nullptr, p.get(), &r));
    if (!elegida) {
        memoria.apunta(pregunta, QString());
        return nullptr;
    }
    const Patron fichero = comoQt(elegida.get());
    FcPattern* f = fichero ? fichero.get() : elegida.get();
    const std::string ruta = cadena(f, FC_FILE);
    memoria.apunta(pregunta, QString::number(entero(f, FC_INDEX)), QByteArray::fromStdString(ruta));
    return CaraFuente::abre(ruta, entero(f, FC_INDEX));
}

std::shared_ptr<LetraPdf> CatalogoFuentes::letra(const QString& nombre, double puntos, bool negrita,
                                                 bool cursiva) {
    const QString familia = nombre.isEmpty() ? familias_.primera() : familias_.familia(nombre);
    // The size by its bits, four characters: formatting it as text is most of a lookup.
    QString clave = familia + QChar(u'\x1f');
    const auto bits = std::bit_cast<quint64>(puntos);
    for (int i = 0; i < 4; ++i)
        clave += QChar(char16_t(bits >> (16 * i)));
    clave += estilo(negrita, cursiva);
    if (auto* l = letras_.busca(clave)) return *l;
    if (respaldos_.size() > 256) respaldos_.clear(); // names fontconfig has rules for: few
    auto& respaldos = respaldos_[familia];
    if (!respaldos) respaldos = std::make_shared<Respaldos>(familia);
    LetraPdf::Respaldo respaldo = [respaldos, negrita, cursiva](char32_t c) {
        return respaldos->para(c, negrita, cursiva);
    };
    return letras_.inserta(clave,
                           std::make_shared<LetraPdf>(cara(familia, negrita, cursiva), puntos,
                                                      negrita, cursiva, std::move(respaldo)));
}
