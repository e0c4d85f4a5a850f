#include "mainwindow/avisos_escritorio.h"

#include <QDBusMessage>
#include <QVariantMap>

AvisosEscritorio::AvisosEscritorio(QDBusConnection bus) : bus_(std::move(bus)) {}

void AvisosEscritorio::Avisa(const QString& titulo, const QString& texto, bool fallo) {
    if (!bus_.isConnected()) return;
    QDBusMessage aviso = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                        "/org/freedesktop/Notifications",
                                                        "org.freedesktop.Notifications", "Notify");
    QVariantMap pistas;
    pistas.insert("urgency", QVariant::fromValue(uchar(fallo ? 2 : 1))); // critical : normal
    pistas.insert("desktop-entry", "org.velmor.Velmor");
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (default)
    aviso << QString("Velmor") << uint(0) << QString("org.velmor.Velmor") << titulo << texto
          << QStringList() << pistas << int(-1);
    bus_.send(aviso);
}
