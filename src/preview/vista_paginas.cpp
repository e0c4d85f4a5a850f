#include "preview/vista_paginas.h"

#include "preview/hojas_pdf.h"
#include "printing/salida_fichero.h"
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPdfDocument>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <malloc.h>

namespace {
constexpr double kPaso = 1.25;                       // one step of + or −
constexpr double kZoomMinimo = 0.1, kZoomMaximo = 8; // of the page's natural size on screen
} // namespace

VistaPaginas::VistaPaginas(QWidget* parent)
    : QWidget(parent), vista_(new HojasPdf(this)), barra_(new QWidget(this)),
      etiqueta_(new QLabel(barra_)) {
    // Pages drawn at screen size are megabytes each and come and go as the user pages on: taken
    // from the system and given back to it, not kept in the heap once freed (the heap's own
    // threshold would grow to their size after the first one).
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    vista_->setObjectName(QStringLiteral("vistaPaginas"));
    vista_->setFocusPolicy(Qt::StrongFocus);
    vista_->installEventFilter(this);
    vista_->viewport()->installEventFilter(this);
    setFocusProxy(vista_);
    auto* caja = new QVBoxLayout(this);
    caja->setContentsMargins(0, 0, 0, 0);
    caja->addWidget(vista_);
    // The label and the zoom at the end of the horizontal scroll bar, always there.
    vista_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    vista_->addScrollBarWidget(barra_, Qt::AlignRight);

    barra_->setObjectName(QStringLiteral("barraPaginas"));
    barra_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* fila = new QHBoxLayout(barra_);
    fila->setContentsMargins(0, 0, 0, 0);
    etiqueta_->setObjectName(QStringLiteral("etiquetaPagina"));
    etiqueta_->setMinimumWidth(etiqueta_->fontMetrics().horizontalAdvance(
        QStringLiteral("Página 00000 de al menos 00000")));
    fila->addWidget(etiqueta_);
    connect(boton(QStringLiteral("Ancho de página"),
                  QStringLiteral("Ajustar el ancho de la página a la ventana")),
            &QToolButton::clicked, this, &VistaPaginas::ajustaAncho);
    connect(boton(QStringLiteral("Página entera"),
                  QStringLiteral("Ver la página entera en la ventana")),
            &QToolButton::clicked, this, &VistaPaginas::paginaEntera);
    connect(boton(QStringLiteral("−"), QStringLiteral("Reducir (tecla −, Ctrl+rueda)")),
            &QToolButton::clicked, this, [this] { amplia(1 / kPaso); });
    connect(boton(QStringLiteral("+"), QStringLiteral("Ampliar (tecla +, Ctrl+rueda)")),
            &QToolButton::clicked, this, [this] { amplia(kPaso); });

    connect(vista_, &HojasPdf::paginaCambiada, this, &VistaPaginas::actualizaEtiqueta);
    actualizaEtiqueta();
}

VistaPaginas::~VistaPaginas() {
    generador_.reset(); // stops the thread before the view it reports to goes
    vista_->ponDocumento(nullptr);
}

QToolButton* VistaPaginas::boton(const QString& texto, const QString& ayuda) {
    auto* b = new QToolButton(barra_);
    b->setText(texto);
    b->setToolTip(ayuda);
    b->setAccessibleName(ayuda);
    b->setFocusPolicy(Qt::NoFocus); // the keys stay with the pages
    barra_->layout()->addWidget(b);
    return b;
}

void VistaPaginas::prepara(const EncargoPaginas& encargo) {
    if (generador_) return;
    generador_ = std::make_unique<GeneradorPaginas>(encargo);
    connect(generador_.get(), &GeneradorPaginas::hecho, this, &VistaPaginas::muestra);
    connect(generador_.get(), &GeneradorPaginas::fallido, this, &VistaPaginas::fallido);
    generador_->inicia();
    actualizaEtiqueta();
}

int VistaPaginas::pagina() const {
    return vista_->pagina();
}

int VistaPaginas::paginas() const {
    return documento_ ? documento_->pageCount() : 0;
}

// The new document takes the old one's place at the same page.
void VistaPaginas::muestra(const PdfVisor& pdf) {
    const int enPantalla = documento_ ? pagina() : 0;
    auto* nuevo = new QPdfDocument(this);
    if (!pdf.ruta().isEmpty() && nuevo->load(pdf.ruta()) != QPdfDocument::Error::None) {
        delete nuevo;
        emit fallido(ErrorVelmor(ErrorVelmor::ErrorEntradaSalida,
                                 QStringLiteral("No se pueden leer las páginas preparadas")));
        return;
    }
    QPdfDocument* viejo = documento_;
    documento_ = nuevo;
    pdf_ = pdf;
    completa_ = pdf.completo;
    // The whole file begins with the first pages' very pages: those drawn stay.
    vista_->ponDocumento(documento_, enPantalla, pdf.continuaPrimeras);
    delete viejo;
    // What the first pages' document held (its parsed objects, fonts) goes back to the system.
    if (viejo) malloc_trim(0);
    actualizaEtiqueta();
    emit mostrado(completa_);
}

void VistaPaginas::irA(int pagina) {
    if (paginas() == 0) return;
    vista_->irA(pagina);
    actualizaEtiqueta();
}

void VistaPaginas::actualizaEtiqueta() {
    QString texto;
    if (!generador_)
        texto = QString();
    else if (!documento_)
        texto = QStringLiteral("Preparando las páginas…");
    else if (paginas() == 0)
        texto = QStringLiteral("Sin páginas: el fichero no tiene nada que imprimir");
    else
        texto = QStringLiteral("Página %1 de %2%3")
                    .arg(pagina() + 1)
                    .arg(completa_ ? QString() : QStringLiteral("al menos "))
                    .arg(paginas());
    etiqueta_->setText(texto);
    etiqueta_->setAccessibleName(texto);
}

void VistaPaginas::ajustaAncho() {
    vista_->ponAjuste(HojasPdf::Ajuste::Ancho);
}

void VistaPaginas::paginaEntera() {
    vista_->ponAjuste(HojasPdf::Ajuste::PaginaEntera);
}

void VistaPaginas::amplia(double factor) {
    vista_->ponFactor(std::clamp(vista_->factor() * factor, kZoomMinimo, kZoomMaximo));
}

bool VistaPaginas::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == vista_->viewport() && evento->type() == QEvent::Wheel) {
        auto* rueda = static_cast<QWheelEvent*>(evento);
        if (!(rueda->modifiers() & Qt::ControlModifier) || rueda->angleDelta().y() == 0)
            return false;
        amplia(rueda->angleDelta().y() > 0 ? kPaso : 1 / kPaso);
        return true;
    }
    if (objeto != vista_ || evento->type() != QEvent::KeyPress)
        return QWidget::eventFilter(objeto, evento);
    switch (static_cast<QKeyEvent*>(evento)->key()) {
    case Qt::Key_PageDown:
        irA(pagina() + 1);
        return true;
    case Qt::Key_PageUp:
        irA(pagina() - 1);
        return true;
    case Qt::Key_Home:
        irA(0);
        return true;
    case Qt::Key_End:
        irA(paginas() - 1);
        return true;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        amplia(kPaso);
        return true;
    case Qt::Key_Minus:
        amplia(1 / kPaso);
        return true;
    default:
        return false;
    }
}
