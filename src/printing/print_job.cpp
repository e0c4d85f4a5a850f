#include "printing/print_job.h"

Interruptores Interruptores::De(const QStringList& argumentos) {
    Interruptores i;
    for (const QString& a : argumentos) {
        i.borrar |= a.contains(QLatin1String("/B"), Qt::CaseInsensitive);
        i.elegirImpresora |= a.contains(QLatin1String("/I"), Qt::CaseInsensitive);
    }
    return i;
}
