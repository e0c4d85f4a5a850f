#pragma once

#include <QMessageBox>
#include <QString>

// Every message box of the program goes through here: the program shows real boxes, tests put a
// scripted service in its place that records what was asked and answers as told.
class ServicioMensajes {
  public:
    virtual ~ServicioMensajes() = default;
    virtual QMessageBox::StandardButton muestra(QMessageBox::Icon icono, const QString& titulo,
                                                const QString& texto,
                                                QMessageBox::StandardButtons botones,
                                                QWidget* padre = nullptr) = 0;

    // The service in use; real message boxes unless another was put in place.
    static ServicioMensajes& actual();
    // nullptr goes back to real message boxes. The service is not owned.
    static void ponActual(ServicioMensajes* servicio);
};

// Short forms for the boxes the program shows.
void MostrarError(const QString& titulo, const QString& texto, QWidget* padre = nullptr);
void MostrarAviso(const QString& titulo, const QString& texto, QWidget* padre = nullptr);
// Yes/No with the exclamation icon; true on Yes.
bool PreguntarSiNo(const QString& titulo, const QString& texto, QWidget* padre = nullptr);
