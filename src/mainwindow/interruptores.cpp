#include "mainwindow/interruptores.h"

namespace {
bool Igual(const QString& argumento, const char* interruptor) {
    return argumento.compare(QLatin1String(interruptor), Qt::CaseInsensitive) == 0;
}
} // namespace

Interruptores Interruptores::De(const QStringList& argumentos) {
    Interruptores i;
    for (const QString& a : argumentos) {
        i.borrar |= Igual(a, "/B");
        i.elegirImpresora |= Igual(a, "/I");
    }
    return i;
}

bool Interruptores::Es(const QString& argumento) {
    return Igual(argumento, "/B") || Igual(argumento, "/I");
}
