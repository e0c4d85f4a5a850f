#pragma once

// Records every box asked for and answers from a script (then: Ok where offered, else Cancel).

#include "shared/messages.h"
#include <QList>
#include <functional>

class MensajesGuionizados : public ServicioMensajes {
  public:
    struct Caja {
        QMessageBox::Icon icono;
        QString titulo;
        QString texto;
        QMessageBox::StandardButtons botones;
    };
    QList<Caja> cajas;
    QList<QMessageBox::StandardButton> respuestas; // taken in order
    std::function<void(const Caja&)> alMostrar;    // runs while the box would be open

    MensajesGuionizados() { ServicioMensajes::ponActual(this); }
    ~MensajesGuionizados() override { ServicioMensajes::ponActual(nullptr); }

    QMessageBox::StandardButton muestra(QMessageBox::Icon icono, const QString& titulo,
                                        const QString& texto, QMessageBox::StandardButtons botones,
                                        QWidget*) override {
        cajas.append({icono, titulo, texto, botones});
        if (alMostrar) alMostrar(cajas.last());
        if (!respuestas.isEmpty()) return respuestas.takeFirst();
        return botones.testFlag(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::Cancel;
    }
};
