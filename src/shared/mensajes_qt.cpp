#include "shared/mensajes_qt.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace {
QtMessageHandler anterior = nullptr;

void filtra(QtMsgType tipo, const QMessageLogContext& contexto, const QString& texto) {
    if (tipo == QtFatalMsg && anterior) anterior(tipo, contexto, texto);
}
} // namespace

void SilenciaMensajesQt() {
    const QByteArray depurar = qgetenv("VELMOR_DEPURAR");
    if (!depurar.isEmpty() && depurar != "0") return;
    anterior = qInstallMessageHandler(filtra);
}
