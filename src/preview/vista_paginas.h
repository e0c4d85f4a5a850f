#pragma once

#include "preview/generador_paginas.h"
#include <QPointer>
#include <QWidget>
#include <memory>

class QLabel;
class QPdfDocument;
class HojasPdf;
class QToolButton;

// The page view of the preview: the pages the current printer would get, drawn by Qt PDF from
// the very PDF the print job makes (GeneradorPaginas), in a column of pages (HojasPdf). It moves as
// a PDF viewer does: PgUp/PgDn a page, Home/End the first and last, the wheel scrolls; zoom to the
// page's width, the whole page, + and − (also Ctrl+wheel). «Página N de M» stays in its bar, also
// for screen readers.
//
// For a long file the first pages are shown as soon as they are made; the whole document then
// takes their place at the page the user is on.
class VistaPaginas : public QWidget {
    Q_OBJECT
  public:
    explicit VistaPaginas(QWidget* parent = nullptr);
    ~VistaPaginas() override;

    // Starts making the pages; only the first call counts.
    void prepara(const EncargoPaginas& encargo);
    bool preparada() const { return generador_ != nullptr; }

    // The page's label and the zoom buttons, at the end of the pages' horizontal scroll bar.
    QWidget* barra() const { return barra_; }
    HojasPdf* vista() const { return vista_; }
    QLabel* etiqueta() const { return etiqueta_; }

    int pagina() const;  // the current page, from 0
    int paginas() const; // of the document on screen
    bool completa() const { return completa_; }

    void irA(int pagina);
    void ajustaAncho();
    void paginaEntera();
    void amplia(double factor); // relative to the zoom on screen, whatever its mode

  signals:
    // A document is on screen: the first pages (completo false) or the whole file.
    void mostrado(bool completo);
    // The file cannot print: no pages are shown.
    void fallido(const ErrorVelmor& error);

  protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

  private:
    void muestra(const PdfVisor& pdf);
    void actualizaEtiqueta();
    QToolButton* boton(const QString& texto, const QString& ayuda);

    HojasPdf* vista_;
    QWidget* barra_;
    QLabel* etiqueta_;
    QPdfDocument* documento_ = nullptr;
    PdfVisor pdf_; // keeps the shown document's file open
    std::unique_ptr<GeneradorPaginas> generador_;
    bool completa_ = false;
};
