#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into an orderly stop. A signal handler may do almost nothing, so the
// first of them only writes its number to a pipe; the event loop reads it there and emits
// pedida(). A second one ends the process at once as LimpiezaSenales does without this class:
// the registered temporaries removed, then the signal's own action. SIGHUP keeps that behaviour
// from the start.
//
// One at a time; it installs LimpiezaSenales first, so that its handlers are the ones a second
// signal falls back to and no later print job replaces these.
class ParadaPorSenal : public QObject {
    Q_OBJECT
  public:
    explicit ParadaPorSenal(QObject* parent = nullptr);
    ~ParadaPorSenal() override;

    // Whether a stop was asked and is on its way to pedida(): safe from anywhere, so that no new
    // work starts in between.
    static bool Pedida();

  signals:
    void pedida(int senal);

  private:
    void alAvisar();

    QSocketNotifier* aviso_ = nullptr;
};
