#include "pdf/documento_pdf.h"

#include "pdf/imagen_pdf.h"
#include <QDateTime>

namespace {
uint64_t contador = 0;
}

DocumentoPdf::DocumentoPdf(SalidaDocumento& salida, Compresor& compresor, QSizeF tamano,
                           const QString& productor)
    : numero_(++contador), pdf_(salida, compresor), tamano_(tamano), productor_(productor),
      arbol_(pdf_.reserva()), recursos_(pdf_.reserva()) {}

void DocumentoPdf::empiezaPagina() {
    if (paginaAbierta_) terminaPagina();
    paginaAbierta_ = true;
    contenido_.vacia();
}

void DocumentoPdf::terminaPagina() {
    if (!paginaAbierta_) return;
    paginaAbierta_ = false;
    const int pagina = pdf_.reserva(), contenido = pdf_.reserva();
    BufferPdf& b = pdf_.abre(pagina);
    b.anade("<< /Type /Page /Parent ");
    b.entero(arbol_);
    b.anade(" 0 R /MediaBox [0 0 ");
    b.decimal(tamano_.width());
    b.anade(' ');
    b.decimal(tamano_.height());
    b.anade("] /Resources ");
    b.entero(recursos_);
    b.anade(" 0 R /Contents ");
    b.entero(contenido);
    b.anade(" 0 R >>");
    pdf_.cierra();
    pdf_.abre(contenido).anade("<< ");
    pdf_.stream(contenido_.datos(), true);
    contenido_.vacia();
    paginas_.push_back(pagina);
}

FuentePdf& DocumentoPdf::fuente(const std::shared_ptr<CaraFuente>& cara) {
    if (FuentePdf* f = porCara_.value(cara.get())) return *f;
    fuentes_.push_back(std::make_unique<FuentePdf>(cara, int(fuentes_.size()) + 1));
    if (fuentes_.back()->incrustable()) fuentes_.back()->ponObjeto(pdf_.reserva());
    porCara_.insert(cara.get(), fuentes_.back().get());
    return *fuentes_.back();
}

FuentePdf& DocumentoPdf::fuenteSiguiente(const std::shared_ptr<CaraFuente>& cara,
                                         const FuentePdf& llena) {
    if (FuentePdf& actual = fuente(cara); &actual != &llena) return actual;
    porCara_.remove(cara.get());
    return fuente(cara);
}

int DocumentoPdf::imagen(const Imagen& img) {
    if (const int n = porImagen_.value(img.id)) return n;
    const int objeto = pdf_.reserva();
    ImagenPdf::escribe(pdf_, objeto, img);
    imagenes_.push_back(objeto);
    porImagen_.insert(img.id, int(imagenes_.size()));
    return int(imagenes_.size());
}

void DocumentoPdf::escribeRecursos() {
    BufferPdf& b = pdf_.abre(recursos_);
    b.anade("<< /ProcSet [/PDF /Text /ImageB /ImageC] /Font <<");
    for (const auto& f : fuentes_) {
        if (!f->incrustable()) continue;
        b.anade(" /F");
        b.entero(f->indice());
        b.anade(' ');
        b.entero(f->objeto());
        b.anade(" 0 R");
    }
    b.anade(" >> /XObject <<");
    for (size_t i = 0; i < imagenes_.size(); ++i) {
        b.anade(" /Im");
        b.entero(static_cast<long long>(i + 1));
        b.anade(' ');
        b.entero(imagenes_[i]);
        b.anade(" 0 R");
    }
    b.anade(" >> >>");
    pdf_.cierra();
}

void DocumentoPdf::termina() {
    terminaPagina();
    for (const auto& f : fuentes_)
        if (f->incrustable()) f->escribe(pdf_);
    escribeRecursos();
    BufferPdf& b = pdf_.abre(arbol_);
    b.anade("<< /Type /Pages /Count ");
    b.entero(static_cast<long long>(paginas_.size()));
    b.anade(" /Kids [");
    for (size_t i = 0; i < paginas_.size(); ++i) {
        if (i) b.anade(i % 16 ? " " : "\n");
        b.entero(paginas_[i]);
        b.anade(" 0 R");
    }
    b.anade("] >>");
    pdf_.cierra();
    const int catalogo = pdf_.reserva(), info = pdf_.reserva();
    pdf_.abre(catalogo).anade("<< /Type /Catalog /Pages ");
    b.entero(arbol_);
    b.anade(" 0 R >>");
    pdf_.cierra();
    pdf_.abre(info).anade("<< /Producer ");
    b.cadena(productor_.toLatin1().toStdString());
    b.anade(" /CreationDate ");
    b.cadena(QDateTime::currentDateTime().toString("'D:'yyyyMMddHHmmss").toStdString());
    b.anade(" >>");
    pdf_.cierra();
    pdf_.termina(catalogo, info);
}
