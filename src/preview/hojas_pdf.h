#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <map>
#include <vector>

class DibujanteHojas;
class QPdfDocument;

// The pages of a PDF one under another, as a PDF viewer shows them, drawn by Qt PDF in a thread
// of their own (DibujanteHojas). Qt's QPdfView does the same but keeps up to twenty drawn pages at
// screen size (some 70 MB on a small screen, three times that on a large one) and draws nothing
// ahead; this view keeps only the pages on screen and the one on either side, which it draws in
// advance, so that the next page is there when asked for.
class HojasPdf : public QAbstractScrollArea {
    Q_OBJECT
  public:
    enum class Ajuste { Ancho, PaginaEntera, Factor };

    explicit HojasPdf(QWidget* parent = nullptr);
    ~HojasPdf() override;

    // Shows the document (not owned; it must outlive its display) at page `pagina`. With
    // `mismasPaginas` the new document begins with the old one's pages (the whole file after its
    // first pages): those already drawn stay on screen.
    void ponDocumento(QPdfDocument* documento, int pagina = 0, bool mismasPaginas = false);
    QPdfDocument* documento() const { return documento_; }
    int paginas() const { return int(arriba_.size()); }

    // The current page: the one across the line at 40% of the view's height, or the one gone to.
    int pagina() const { return pagina_; }
    void irA(int pagina);

    Ajuste ajuste() const { return ajuste_; }
    void ponAjuste(Ajuste ajuste);
    // The zoom as a factor of the page's natural size on screen (points at the screen's
    // resolution), whatever the mode; setting it leaves the fitting modes.
    double factor() const { return factor_; }
    void ponFactor(double factor);
    // A page's rectangle in the whole column of pages, in pixels.
    QRect rectPagina(int pagina) const;
    // How many drawn pages the view holds.
    int paginasGuardadas() const { return int(guardadas_.size()); }
    bool dibujada(int pagina) const { return guardadas_.count(pagina) > 0; }
    // A page's drawing as held (null when not drawn): on white, grey when it has no colour.
    QImage dibujo(int pagina) const;

    static constexpr int kMargen = 6; // around the column and between pages

  signals:
    void paginaCambiada(int pagina);
    void paginaDibujada(int pagina);

  protected:
    void paintEvent(QPaintEvent* evento) override;
    void resizeEvent(QResizeEvent* evento) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    void dispone();
    void siguePagina();
    void ponPagina(int pagina);
    std::pair<int, int> visibles() const;
    void pideCercanas();
    void alDibujar(int pagina, QSize tamano, const QImage& imagen);
    QSize tamanoEnPixeles(int pagina) const;
    QSizeF natural() const;

    QPdfDocument* documento_ = nullptr;
    DibujanteHojas* dibujante_ = nullptr;
    QSizeF puntos_; // of the pages, read once: Qt PDF would wait for the page being drawn
    Ajuste ajuste_ = Ajuste::Ancho;
    double factor_ = 1;
    std::vector<int> arriba_;    // each page's top in the column
    std::vector<QSize> tamanos_; // each page's size on screen
    int ancho_ = 0;              // of the column, margins included
    int pagina_ = 0;
    std::map<int, QImage> guardadas_;
};
