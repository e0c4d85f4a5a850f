#include "preview/generador_paginas.h"

#include "printing/dispositivo_pdf.h"
#include "printing/imprimir_prt.h"
#include "printing/salida_fichero.h"
#include <QMetaObject>
#include <malloc.h>
#include <optional>

namespace {

// Raised from inside the renderer to stop it: enough pages for the first document, or the
// window has gone. Not an error of the file, so derived from nothing the renderer catches.
struct Corte {};

// The PDF device as the renderer sees it, with two ways out: after `limite` pages it ends the
// document where it is (a whole, valid PDF of the first pages) and stops the renderer; and it
// stops it at the next line once the generator is cancelled.
class DispositivoLimitado : public DispositivoImpresora {
  public:
    DispositivoLimitado(DispositivoPdf& pdf, int limite, const std::atomic<bool>& cancelado)
        : pdf_(pdf), limite_(limite), cancelado_(cancelado) {}

    bool cortado() const { return cortado_; }

    void ponFuente(const QString& nombre) override { pdf_.ponFuente(nombre); }
    QString fuente() const override { return pdf_.fuente(); }
    double tamano() const override { return pdf_.tamano(); }
    void ponTamano(double puntos) override { pdf_.ponTamano(puntos); }
    void ponNegrita(bool activa) override { pdf_.ponNegrita(activa); }
    void ponCursiva(bool activa) override { pdf_.ponCursiva(activa); }
    void ponSubrayado(bool activo) override { pdf_.ponSubrayado(activo); }
    int anchoPagina() override { return pdf_.anchoPagina(); }
    void ponX(int twips) override { pdf_.ponX(twips); }
    int y() const override { return pdf_.y(); }
    void ponY(int twips) override { pdf_.ponY(twips); }
    void escribe(const QString& texto) override { pdf_.escribe(texto); }
    void escribeEnCeldas(int x, int base, const QString& texto, int celda) override {
        pdf_.escribeEnCeldas(x, base, texto, celda);
    }
    void finLinea() override {
        if (cancelado_.load(std::memory_order_relaxed)) throw Corte{};
        pdf_.finLinea();
    }
    void nuevaPagina() override {
        if (limite_ > 0 && ++paginas_ >= limite_) {
            pdf_.finDocumento();
            cortado_ = true;
            throw Corte{};
        }
        pdf_.nuevaPagina();
    }
    void finDocumento() override { pdf_.finDocumento(); }
    void descartaDocumento() override {
        if (!cortado_) pdf_.descartaDocumento(); // a cut document is finished and stays
    }
    void dibujaImagen(const Imagen& imagen, int x, int y, int ancho, int alto) override {
        pdf_.dibujaImagen(imagen, x, y, ancho, alto);
    }
    void reiniciaFormato() override { pdf_.reiniciaFormato(); }

  private:
    DispositivoPdf& pdf_;
    int limite_;
    const std::atomic<bool>& cancelado_;
    bool cortado_ = false;
    int paginas_ = 0; // ended so far
};

} // namespace

QString PdfVisor::ruta() const {
    return fichero && fichero->terminada()
               ? QStringLiteral("/proc/self/fd/%1").arg(fichero->descriptor())
               : QString();
}

GeneradorPaginas::GeneradorPaginas(EncargoPaginas encargo, QObject* parent)
    : QObject(parent), encargo_(std::move(encargo)) {}

GeneradorPaginas::~GeneradorPaginas() {
    cancelado_ = true;
    if (hilo_.joinable()) hilo_.join();
}

void GeneradorPaginas::inicia() {
    if (hilo_.joinable()) return;
    hilo_ = std::thread([this] { genera(); });
}

// Runs in the main thread, if the generator still exists then (a deleted receiver drops it).
void GeneradorPaginas::entrega(std::function<void()> senal) {
    QMetaObject::invokeMethod(this, std::move(senal), Qt::QueuedConnection);
}

void GeneradorPaginas::genera() {
    TrabajoPrt trabajo;
    trabajo.ruta = encargo_.ruta;
    trabajo.modoDos = encargo_.modoDos;
    trabajo.lineasPagina = encargo_.lineasPagina;

    // The first pages, then (when there are more) the whole file from the start: the renderer
    // cannot go on from where it stopped, and reading the opening pages again costs little.
    for (const int limite : {encargo_.paginasAvance, 0}) {
        PdfVisor pdf{std::make_shared<SalidaFichero>(), false};
        DispositivoPdf dispositivo;
        dispositivo.ponPagina(encargo_.pagina);
        dispositivo.ponSalida(pdf.fichero.get());
        DispositivoLimitado limitado(dispositivo, limite, cancelado_);
        std::optional<ErrorVelmor> error;
        try {
            error = ImprimirPrt(trabajo, limitado).error;
        } catch (const Corte&) {
        }
        if (cancelado_) {
            dispositivo.descartaDocumento();
            return;
        }
        if (error && !limitado.cortado()) {
            entrega([this, e = *error] { emit fallido(e); });
            return;
        }
        pdf.completo = !limitado.cortado();
        entrega([this, pdf] { emit hecho(pdf); });
        // What the renderer used (font tables, page buffers) goes back to the system rather
        // than stay in this thread's heap for the rest of the run.
        malloc_trim(0);
        if (pdf.completo) return;
    }
}
