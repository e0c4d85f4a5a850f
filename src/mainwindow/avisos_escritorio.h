#pragma once

#include <QDBusConnection>
#include <QString>

// Desktop notifications (org.freedesktop.Notifications): what becomes of a print job the window
// awaits, told while the user works in another window. Sent without waiting for an answer; a
// desktop without a notification server simply shows nothing.
class AvisosEscritorio {
  public:
    explicit AvisosEscritorio(QDBusConnection bus = QDBusConnection::sessionBus());

    // `fallo`: the job failed or its file was kept, shown as critical.
    void Avisa(const QString& titulo, const QString& texto, bool fallo);

  private:
    QDBusConnection bus_;
};
