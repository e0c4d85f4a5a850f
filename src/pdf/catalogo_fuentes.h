#pragma once

#include "pdf/letra_pdf.h"
#include "shared/cache_acotada.h"
#include "shared/familias_fuente.h"
#include <QHash>
#include <QString>
#include <memory>

class CaraFuente;

// The fonts of the formats a document asks for, matched by fontconfig as the window's Qt font
// is: the name through FamiliasFuente (names no font has all become one), then the face of that
// family and style, a monospaced one when the name is no family; characters the face lacks are
// looked for in fontconfig's fallbacks for the family, in order. Each format is kept in a cache
// of bounded size.
class CatalogoFuentes {
  public:
    CatalogoFuentes();
    ~CatalogoFuentes();

    std::shared_ptr<LetraPdf> letra(const QString& nombre, double puntos, bool negrita,
                                    bool cursiva);
    // Reads the installed families again (an application may have added fonts); called as a
    // document begins.
    void actualiza();
    QString familia(const QString& nombre) { return familias_.familia(nombre); }

    // The face fontconfig gives the family in that style; null when there is none at all.
    static std::shared_ptr<CaraFuente> cara(const QString& familia, bool negrita, bool cursiva);

  private:
    class Respaldos;
    FamiliasFuente familias_;
    QHash<QString, std::shared_ptr<Respaldos>> respaldos_; // by family; as many as letras_ has
    CacheAcotada<QString, std::shared_ptr<LetraPdf>> letras_{64};
};
