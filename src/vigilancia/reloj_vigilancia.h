#pragma once

#include <QElapsedTimer>
#include <QObject>

// The watched folder's time: milliseconds that only go forward. The system's monotonic clock by
// default; a test moves its own by hand and says so with avanzado(), so that the settle times
// pass when it decides and not while the machine is busy.
class RelojVigilancia : public QObject {
    Q_OBJECT
  public:
    explicit RelojVigilancia(QObject* parent = nullptr) : QObject(parent) { reloj_.start(); }
    virtual qint64 ahora() const { return reloj_.elapsed(); }

  signals:
    // The time moved other than by itself: what is due must be looked at now.
    void avanzado();

  private:
    QElapsedTimer reloj_;
};
