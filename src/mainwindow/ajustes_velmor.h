#pragma once

#include "printing/ajustes_impresion.h"
#include "printing/dispositivo_impresora.h"
#include <QPoint>
#include <QString>
#include <memory>
#include <optional>

class QSettings;

// What the program remembers between runs, in one settings file: the window's position, the
// folder last shown, the printer and orientation last chosen, and the print
// settings of "Configuración" (under the names of velmor-imprimir's options). The program keeps it
// in the freedesktop config folder ($XDG_CONFIG_HOME/velmor/velmor.conf); without a file (the
// tests' windows) nothing is read or written. A value that cannot be read is left at its default.
class AjustesVelmor {
  public:
    explicit AjustesVelmor(const QString& fichero = {});
    ~AjustesVelmor();
    AjustesVelmor(const AjustesVelmor&) = delete;
    AjustesVelmor& operator=(const AjustesVelmor&) = delete;

    // The file of the program's settings in the freedesktop config folder.
    static QString FicheroDelUsuario();

    AjustesImpresion Impresion() const;
    void PonImpresion(const AjustesImpresion& ajustes);

    std::optional<QPoint> Posicion() const;
    void PonPosicion(QPoint posicion);
    QString Carpeta() const;
    void PonCarpeta(const QString& carpeta);
    QString Impresora() const;
    Orientacion OrientacionImpresora() const;
    void PonImpresora(const QString& nombre, Orientacion orientacion);

    // Writes what was set to the file now.
    void Guarda();

  private:
    std::unique_ptr<QSettings> s_;
};
