#pragma once

#include "shared/cache_acotada.h"
#include <QSet>
#include <QString>
#include <QStringList>

// The family a font name is matched as. Matching a name that is no installed family goes through
// fontconfig's fallbacks, a quarter of a millisecond each time, and every distinct name would be
// another font to keep; a file may name thousands of such fonts. Every name fontconfig knows
// nothing about is matched like any other such name, so those all become one name, and every
// answer is kept in a cache of bounded size: the work is linear in the names and the memory
// bounded. Fontconfig only: the printer core and the preview share it. Fontconfig is read when
// a question is first put that the process's MemoriaFuentes does not answer.
class FamiliasFuente {
  public:
    // The name itself (an installed family, a name fontconfig has a rule for, the empty name), or
    // one name for all the names fontconfig has no rule or font for.
    QString familia(const QString& nombre);
    // Reads the installed families again (an application may have added fonts); true when they
    // changed, and every answer so far is forgotten.
    bool actualiza();
    // The family an empty name is drawn in: the first installed one in Qt's order, which is the
    // face Qt's database gives a font that names no family.
    QString primera();

  private:
    bool lee();
    QStringList sustitutos(const QString& nombre) const;

    bool leidas_ = false;

    QStringList instaladas_;
    QSet<QString> conocidas_; // installed families, folded to lower case
    QStringList genericos_;   // what fontconfig puts after a name it knows nothing about
    CacheAcotada<QString, QString> familias_{1024};
};
