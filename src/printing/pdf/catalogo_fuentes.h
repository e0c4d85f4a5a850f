#pragma once

#include "printing/pdf/cache_acotada.h"
#include "printing/pdf/letra_pdf.h"
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

// The fonts of the formats a document asks for, matched by Qt as the printer device always did.
// Qt's matching of a name that is no installed family goes through fontconfig's fallbacks, a
// quarter of a millisecond each time; a file may name thousands of such fonts. Every name
// fontconfig knows nothing about is matched like any other such name, so those are matched once,
// under one name, and every lookup is kept in a cache of bounded size.
class CatalogoFuentes {
  public:
    CatalogoFuentes();
    ~CatalogoFuentes();

    std::shared_ptr<LetraPdf> letra(const QString& nombre, double puntos, bool negrita,
                                    bool cursiva);
    // Reads the installed families again (an application may have added fonts); called as a
    // document begins.
    void actualiza();
    // The family a name is matched as: the name itself, or one name for all the names
    // fontconfig has no rule or font for.
    QString familia(const QString& nombre);

  private:
    QStringList sustitutos(const QString& nombre) const;

    QStringList instaladas_;
    QSet<QString> conocidas_; // installed families, folded to lower case
    QStringList genericos_;   // what fontconfig puts after a name it knows nothing about
    CacheAcotada<QString, QString> familias_{1024};
    CacheAcotada<QString, std::shared_ptr<LetraPdf>> letras_{64};
};
