#pragma once

#include "pdf/letra_pdf.h"
#include "shared/cache_acotada.h"
#include "shared/familias_fuente.h"
#include <QString>
#include <memory>

// The fonts of the formats a document asks for, matched by Qt as the printer device always did,
// through FamiliasFuente (names no font has all become one), each format kept in a cache of
// bounded size.
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

  private:
    FamiliasFuente familias_;
    CacheAcotada<QString, std::shared_ptr<LetraPdf>> letras_{64};
};
