#pragma once

// A recording printer for tests: every drawing operation is appended to `registro` as one short
// line, and `FakeImpresoras` offers a scripted list of printers whose orientation can be refused.

#include "printing/cola_impresion.h"
#include "printing/dispositivo_impresora.h"
#include "printing/salida_fichero.h"
#include "shared/error.h"
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

class FakeDispositivo : public DispositivoImpresora {
  public:
    QStringList registro; // e.g. "fuente Courier New", "tamano 11", "x 264", "texto Total"
    int ancho = 11520;    // printable width, twips
    int xActual = 0, yActual = 0;
    QString fuenteActual;
    double tamanoActual = 10;
    bool negrita = false, cursiva = false, subrayado = false;
    bool documentoAbierto = false;
    int documentosTerminados = 0, documentosDescartados = 0;
    std::function<void()> alEscribir; // runs on every escribe, while the job renders
    // Where a finished document goes (its record, as text), when the job gives a file.
    SalidaFichero* salida = nullptr;

    void ponFuente(const QString& nombre) override {
        fuenteActual = nombre;
        registro << "fuente " + nombre;
    }
    QString fuente() const override { return fuenteActual; }
    double tamano() const override { return tamanoActual; }
    void ponTamano(double puntos) override {
        tamanoActual = puntos;
        registro << "tamano " + QString::number(puntos);
    }
    void ponNegrita(bool v) override { negrita = v, registro << QString("negrita %1").arg(v); }
    void ponCursiva(bool v) override { cursiva = v, registro << QString("cursiva %1").arg(v); }
    void ponSubrayado(bool v) override {
        subrayado = v, registro << QString("subrayado %1").arg(v);
    }
    int anchoPagina() override { return ancho; }
    void ponX(int twips) override { xActual = twips, registro << "x " + QString::number(twips); }
    int y() const override { return yActual; }
    void ponY(int twips) override { yActual = twips, registro << "y " + QString::number(twips); }
    void escribe(const QString& texto) override {
        documentoAbierto = true;
        registro << "texto " + texto;
        if (alEscribir) alEscribir();
    }
    // Line height of the fake: the font size in twips (20 twips a point).
    void finLinea() override {
        xActual = 0;
        yActual += qRound(tamanoActual * 20);
        registro << "finLinea";
    }
    void nuevaPagina() override { xActual = yActual = 0, registro << "nuevaPagina"; }
    void finDocumento() override {
        documentoAbierto = false;
        ++documentosTerminados;
        registro << "finDocumento";
        if (!salida) return;
        const QByteArray texto = registro.join('\n').toUtf8();
        salida->abre();
        salida->escribe(texto.constData(), size_t(texto.size()));
        salida->termina();
    }
    void descartaDocumento() override {
        documentoAbierto = false;
        ++documentosDescartados;
        registro << "descartaDocumento";
        if (salida) salida->descarta();
    }
    void dibujaImagen(const Imagen& imagen, int x, int y, int w, int h) override {
        documentoAbierto = true;
        registro << QString("imagen %1x%2 en %3,%4 %5x%6")
                        .arg(imagen.ancho)
                        .arg(imagen.alto)
                        .arg(x)
                        .arg(y)
                        .arg(w)
                        .arg(h);
    }
    void reiniciaFormato() override {
        tamanoActual = 10;
        negrita = cursiva = subrayado = false;
        registro << "reiniciaFormato";
    }
};

// A queue that takes every document and reports its job in the state set here (completed unless
// a test says otherwise). Its calls come from the print job's threads.
class FakeCola : public ColaImpresion {
  public:
    QString nombreCola;
    std::atomic<int> enviados{0};
    std::atomic<int> estadoFinal{EstadoTrabajo::Completado};
    QString nombre() const override { return nombreCola; }
    int envia(int, const QString&, int) const override {
        return ++const_cast<FakeCola*>(this)->enviados;
    }
    EstadoTrabajo consulta(int) const override {
        EstadoTrabajo e;
        e.estado = estadoFinal;
        return e;
    }
};

class FakeImpresoras : public Impresoras {
  public:
    QStringList nombres;
    int posicionActual = 0;
    Orientacion orientacionActual = Orientacion::Vertical;
    int rechazosPendientes = 0; // how many ponOrientacion calls still refuse
    int intentosOrientacion = 0;
    FakeDispositivo dibujo;

    explicit FakeImpresoras(QStringList n = {}, int actual = 0)
        : nombres(std::move(n)), posicionActual(actual) {}

    int cuenta() const override { return int(nombres.size()); }
    QString nombre(int posicion) const override { return nombres.value(posicion); }
    int actual() const override { return posicionActual; }
    void hazActual(int posicion) override { posicionActual = posicion; }
    Orientacion orientacion() const override { return orientacionActual; }
    void ponOrientacion(Orientacion o) override {
        ++intentosOrientacion;
        if (rechazosPendientes > 0) {
            --rechazosPendientes;
            throw ErrorVelmor(ErrorVelmor::OrientacionRechazada,
                              "La impresora no admite esa orientación del papel");
        }
        orientacionActual = o;
    }
    DispositivoImpresora& dispositivo(SalidaFichero& salida) override {
        dibujo.salida = &salida;
        return dibujo;
    }
    bool actualEsPdf() const override { return nombreActual() == QStringLiteral("Archivo PDF"); }
    std::shared_ptr<FakeCola> colaFalsa = std::make_shared<FakeCola>();
    std::shared_ptr<const ColaImpresion> cola() const override {
        if (actualEsPdf()) return nullptr;
        colaFalsa->nombreCola = nombreActual();
        return colaFalsa;
    }
};
