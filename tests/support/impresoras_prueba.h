#pragma once

// Printers by name for tests: ponOrientacion refuses while `rechazos` lasts; documents are drawn
// as real PDFs, and every printer but "Archivo PDF" sends them to a queue whose jobs end in the
// state `cola_->estado` says (completed unless a test says otherwise).

#include "printing/cola_impresion.h"
#include "printing/dispositivo_impresora.h"
#include "printing/dispositivo_pdf.h"
#include "printing/salida_fichero.h"
#include "shared/error.h"

#include <QStringList>
#include <atomic>
#include <memory>

struct ColaPrueba : ColaImpresion { // called from the print job's threads
    QString cola;
    std::atomic<int> estado{EstadoTrabajo::Completado};
    mutable std::atomic<int> enviados{0};
    QString nombre() const override { return cola; }
    int envia(int, const QString&, int) const override { return ++enviados; }
    EstadoTrabajo consulta(int) const override { return EstadoTrabajo{estado.load()}; }
};

struct ImpresorasPrueba : Impresoras {
    QStringList nombres;
    int posicion = 0, rechazos = 0;
    Orientacion papel = Orientacion::Vertical;
    DispositivoPdf pdf;
    std::shared_ptr<ColaPrueba> cola_ = std::make_shared<ColaPrueba>();

    explicit ImpresorasPrueba(QStringList n = {}, int actual = 0)
        : nombres(std::move(n)), posicion(actual) {}
    int cuenta() const override { return int(nombres.size()); }
    QString nombre(int i) const override { return nombres.value(i); }
    int actual() const override { return posicion; }
    void hazActual(int i) override { posicion = i; }
    Orientacion orientacion() const override { return papel; }
    void ponOrientacion(Orientacion o) override {
        if (rechazos-- > 0)
            throw ErrorVelmor(ErrorVelmor::OrientacionRechazada,
                              "La impresora no admite esa orientación del papel");
        papel = o;
    }
    DispositivoImpresora& dispositivo(SalidaFichero& salida) override {
        if (!pdf.documentoAbierto()) pdf.ponSalida(&salida);
        return pdf;
    }
    bool actualEsPdf() const override { return nombreActual() == "Archivo PDF"; }
    std::shared_ptr<const ColaImpresion> cola() const override {
        if (actualEsPdf()) return nullptr;
        cola_->cola = nombreActual();
        return cola_;
    }
};
