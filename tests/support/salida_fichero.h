#pragma once

// A file as the output of a printer device's documents, for tests and benchmarks.

#include "printing/salida_documento.h"
#include "shared/error.h"
#include <QFile>
#include <QFileInfo>
#include <QString>

class SalidaFichero : public SalidaDocumento {
  public:
    explicit SalidaFichero(QString ruta = {}) : ruta_(std::move(ruta)) {}
    void ponRuta(const QString& ruta) { ruta_ = ruta; }
    const QString& ruta() const { return ruta_; }
    int abiertos() const { return abiertos_; }

    void abre() override {
        fichero_.setFileName(ruta_);
        if (!fichero_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            throw ErrorVelmor(ErrorVelmor::ErrorEntradaSalida,
                              QStringLiteral("No se puede crear «%1»").arg(ruta_));
        ++abiertos_;
    }
    void escribe(const char* datos, std::size_t cuantos) override {
        if (fichero_.write(datos, qint64(cuantos)) != qint64(cuantos))
            throw ErrorVelmor(ErrorVelmor::ErrorEntradaSalida,
                              QStringLiteral("No se pudo escribir «%1»").arg(ruta_));
    }
    void termina() override { fichero_.close(); }
    // Removes what this document wrote, never a device such as /dev/full.
    void descarta() noexcept override {
        if (!fichero_.isOpen()) return;
        fichero_.close();
        if (QFileInfo(ruta_).isFile()) QFile::remove(ruta_);
    }

  private:
    QString ruta_;
    QFile fichero_;
    int abiertos_ = 0;
};
