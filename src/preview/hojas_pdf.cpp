#include "preview/hojas_pdf.h"

#include "preview/dibujante_hojas.h"
#include <QPaintEvent>
#include <QPainter>
#include <QPdfDocument>
#include <QScreen>
#include <QScrollBar>
#include <algorithm>

HojasPdf::HojasPdf(QWidget* parent) : QAbstractScrollArea(parent) {
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setSingleStep(20);
    viewport()->setAutoFillBackground(false);
}

HojasPdf::~HojasPdf() {
    delete dibujante_; // stops its thread before the document can go
}

void HojasPdf::ponDocumento(QPdfDocument* documento, int pagina, bool mismasPaginas) {
    // A drawer of its own for each document: no page of the old one can arrive for the new.
    delete dibujante_;
    dibujante_ = nullptr;
    if (!mismasPaginas) guardadas_.clear();
    documento_ = documento;
    puntos_ = QSizeF();
    if (documento_) {
        if (documento_->pageCount() > 0) puntos_ = documento_->pagePointSize(0);
        dibujante_ = new DibujanteHojas(documento_, this);
        connect(dibujante_, &DibujanteHojas::dibujada, this, &HojasPdf::alDibujar);
    }
    dispone();
    irA(pagina);
}

// Every page of a print job's PDF has the paper of one printer: the size is read once, since
// reading each page's would make the PDF library load every page (megabytes for thousands).
QSizeF HojasPdf::natural() const {
    const QScreen* pantalla = screen();
    const double ppp = pantalla ? pantalla->logicalDotsPerInch() / 72.0 : 96.0 / 72.0;
    return puntos_ * ppp;
}

QImage HojasPdf::dibujo(int pagina) const {
    const auto g = guardadas_.find(pagina);
    return g == guardadas_.end() ? QImage() : g->second;
}

// Page sizes and places for the zoom and the view's size; the scroll bars follow.
void HojasPdf::dispone() {
    const int n = documento_ ? documento_->pageCount() : 0;
    arriba_.assign(size_t(n), 0);
    tamanos_.assign(size_t(n), QSize());
    if (n > 0 && ajuste_ != Ajuste::Factor) {
        const QSizeF primera = natural();
        const QSize v = viewport()->size();
        factor_ = (v.width() - 2.0 * kMargen) / primera.width();
        if (ajuste_ == Ajuste::PaginaEntera)
            factor_ = std::min(factor_, (v.height() - 2.0 * kMargen) / primera.height());
        factor_ = std::max(factor_, 0.05);
    }
    const QSize tamano = n > 0 ? (natural() * factor_).toSize() : QSize();
    int y = kMargen;
    for (int p = 0; p < n; ++p) {
        tamanos_[size_t(p)] = tamano;
        arriba_[size_t(p)] = y;
        y += tamano.height() + kMargen;
    }
    ancho_ = tamano.width() + 2 * kMargen;
    const QSize v = viewport()->size();
    verticalScrollBar()->setRange(0, std::max(0, y - v.height()));
    verticalScrollBar()->setPageStep(v.height());
    horizontalScrollBar()->setRange(0, std::max(0, ancho_ - v.width()));
    horizontalScrollBar()->setPageStep(v.width());
    // Drawings of another size are of no more use.
    for (auto i = guardadas_.begin(); i != guardadas_.end();)
        i = i->first < n && i->second.size() == tamanoEnPixeles(i->first) ? std::next(i)
                                                                          : guardadas_.erase(i);
    viewport()->update();
}

QRect HojasPdf::rectPagina(int pagina) const {
    if (pagina < 0 || pagina >= paginas()) return {};
    const QSize t = tamanos_[size_t(pagina)];
    const int x = std::max(kMargen, (std::max(ancho_, viewport()->width()) - t.width()) / 2);
    return {QPoint(x, arriba_[size_t(pagina)]), t};
}

QSize HojasPdf::tamanoEnPixeles(int pagina) const {
    return tamanos_[size_t(pagina)] * devicePixelRatioF();
}

void HojasPdf::irA(int pagina) {
    if (paginas() == 0) {
        ponPagina(0);
        return;
    }
    pagina = std::clamp(pagina, 0, paginas() - 1);
    const QSignalBlocker bloqueo(verticalScrollBar());
    verticalScrollBar()->setValue(arriba_[size_t(pagina)] - kMargen);
    viewport()->update();
    ponPagina(pagina);
    pideCercanas();
}

void HojasPdf::ponAjuste(Ajuste ajuste) {
    const int p = pagina_;
    ajuste_ = ajuste;
    dispone();
    irA(p);
}

void HojasPdf::ponFactor(double factor) {
    const int p = pagina_;
    ajuste_ = Ajuste::Factor;
    factor_ = factor;
    dispone();
    irA(p);
}

void HojasPdf::ponPagina(int pagina) {
    if (pagina == pagina_) return;
    pagina_ = pagina;
    emit paginaCambiada(pagina_);
}

// The first and last page that show in the view (-1, -2 when none).
std::pair<int, int> HojasPdf::visibles() const {
    const int y0 = verticalScrollBar()->value(), y1 = y0 + viewport()->height();
    auto primera = std::upper_bound(arriba_.begin(), arriba_.end(), y0);
    int p = int(primera - arriba_.begin()) - 1;
    if (p < 0) p = 0;
    if (p >= paginas() || arriba_[size_t(p)] + tamanos_[size_t(p)].height() < y0) ++p;
    int u = int(std::upper_bound(arriba_.begin(), arriba_.end(), y1) - arriba_.begin()) - 1;
    if (p >= paginas() || u < p) return {-1, -2};
    return {p, u};
}

// After a scroll by the user: the page across the line at 40% of the height is the current one.
void HojasPdf::siguePagina() {
    if (paginas() == 0) return;
    const int linea = verticalScrollBar()->value() + viewport()->height() * 2 / 5;
    const int p =
        int(std::upper_bound(arriba_.begin(), arriba_.end(), linea) - arriba_.begin()) - 1;
    ponPagina(std::clamp(p, 0, paginas() - 1));
}

// The pages on screen, then the next and the previous one (drawn ahead of need); any other is let
// go, and only what is missing is asked for.
void HojasPdf::pideCercanas() {
    const auto [primera, ultima] = visibles();
    if (ultima < primera || !dibujante_) return;
    const int desde = std::max(0, primera - 1), hasta = std::min(paginas() - 1, ultima + 1);
    for (auto i = guardadas_.begin(); i != guardadas_.end();)
        i = (i->first < desde || i->first > hasta) ? guardadas_.erase(i) : std::next(i);
    std::vector<int> orden;
    for (int p = primera; p <= ultima; ++p)
        orden.push_back(p);
    if (hasta > ultima) orden.push_back(hasta);
    if (desde < primera) orden.push_back(desde);
    std::vector<DibujanteHojas::Encargo> encargos;
    for (const int p : orden)
        if (!guardadas_.count(p) && !tamanoEnPixeles(p).isEmpty())
            encargos.push_back({p, tamanoEnPixeles(p)});
    dibujante_->pide(std::move(encargos));
}

void HojasPdf::alDibujar(int pagina, QSize tamano, const QImage& imagen) {
    if (pagina >= paginas() || tamano != tamanoEnPixeles(pagina)) return; // an old size
    const auto [primera, ultima] = visibles();
    if (pagina < primera - 1 || pagina > ultima + 1) return; // scrolled away meanwhile
    QImage i = imagen;
    i.setDevicePixelRatio(devicePixelRatioF());
    guardadas_[pagina] = i;
    viewport()->update(rectPagina(pagina).translated(-horizontalScrollBar()->value(),
                                                     -verticalScrollBar()->value()));
    emit paginaDibujada(pagina);
}

void HojasPdf::paintEvent(QPaintEvent* evento) {
    QPainter pintor(viewport());
    pintor.fillRect(evento->rect(), palette().brush(QPalette::Dark));
    pintor.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    const auto [primera, ultima] = visibles();
    for (int p = std::max(0, primera); p <= ultima; ++p) {
        const QRect r = rectPagina(p);
        const auto g = guardadas_.find(p);
        pintor.fillRect(r, Qt::white); // the paper, under what is printed on it
        if (g != guardadas_.end()) pintor.drawImage(r.topLeft(), g->second);
    }
}

void HojasPdf::resizeEvent(QResizeEvent* evento) {
    QAbstractScrollArea::resizeEvent(evento);
    const int p = pagina_;
    dispone();
    irA(p);
}

void HojasPdf::scrollContentsBy(int, int) {
    viewport()->update();
    siguePagina();
    pideCercanas();
}
