#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QSocketNotifier;

// A volume the browser offers: its root folder and how it is shown.
struct VolumenPrt {
    QString raiz;
    QString texto;
    bool operator==(const VolumenPrt&) const = default;
};

// Where the mounted volumes come from, and word when they change: the system's mount table, or
// a test's own.
class FuenteVolumenes : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    virtual QList<VolumenPrt> Leer() const = 0;

  signals:
    // A volume was mounted or unmounted.
    void cambiada();
};

// The system's volumes (real file systems that are ready). The kernel flags /proc/self/mounts
// as exceptional (POLLPRI) whenever the mount table changes, so a socket notifier on it tells
// of every mount and unmount without polling.
class VolumenesSistema : public FuenteVolumenes {
    Q_OBJECT
  public:
    explicit VolumenesSistema(QObject* parent = nullptr);
    ~VolumenesSistema() override;
    QList<VolumenPrt> Leer() const override;

  private:
    int tabla_ = -1;
    QSocketNotifier* aviso_ = nullptr;
};
