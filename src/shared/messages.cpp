#include "shared/messages.h"

namespace {
class MensajesReales : public ServicioMensajes {
  public:
    QMessageBox::StandardButton muestra(QMessageBox::Icon icono, const QString& titulo,
                                        const QString& texto, QMessageBox::StandardButtons botones,
                                        QWidget* padre) override {
        QMessageBox caja(icono, titulo, texto, botones, padre);
        return QMessageBox::StandardButton(caja.exec());
    }
};

MensajesReales reales;
ServicioMensajes* servicio = &reales;
} // namespace

ServicioMensajes& ServicioMensajes::actual() {
    return *servicio;
}

void ServicioMensajes::ponActual(ServicioMensajes* nuevo) {
    servicio = nuevo ? nuevo : &reales;
}

void MostrarError(const QString& titulo, const QString& texto, QWidget* padre) {
    ServicioMensajes::actual().muestra(QMessageBox::Critical, titulo, texto, QMessageBox::Ok,
                                       padre);
}

void MostrarAviso(const QString& titulo, const QString& texto, QWidget* padre) {
    ServicioMensajes::actual().muestra(QMessageBox::Warning, titulo, texto, QMessageBox::Ok, padre);
}

bool PreguntarSiNo(const QString& titulo, const QString& texto, QWidget* padre) {
    return ServicioMensajes::actual().muestra(QMessageBox::Warning, titulo, texto,
                                              QMessageBox::Yes | QMessageBox::No,
                                              padre) == QMessageBox::Yes;
}
