#include "printing/dispositivo_pdf.h"

#include "pdf/catalogo_fuentes.h"
#include "pdf/compresor.h"
#include "pdf/documento_pdf.h"
#include "pdf/salida_documento.h"
#include "pdf/texto_pdf.h"
#include "shared/error.h"
#include "shared/version.h"

namespace {
constexpr double kResolucion = LetraPdf::kResolucion;

double px(double twips) {
    return twips * kResolucion / 1440.0;
}
double puntos(double twips) {
    return twips / 20.0;
}
} // namespace

DispositivoPdf::DispositivoPdf()
    : fuentes_(std::make_unique<CatalogoFuentes>()), compresor_(std::make_unique<Compresor>()),
      texto_(std::make_unique<TextoPdf>()) {}

DispositivoPdf::~DispositivoPdf() {
    if (documento_) descartaDocumento();
}

void DispositivoPdf::ponPagina(const Papel& pagina) {
    if (documento_)
        throw ErrorVelmor(ErrorVelmor::ErrorImpresora,
                          QStringLiteral("No se puede cambiar el papel con un documento a medias"));
    pagina_ = pagina;
}

void DispositivoPdf::ponSalida(SalidaDocumento* salida) {
    if (documento_)
        throw ErrorVelmor(
            ErrorVelmor::ErrorImpresora,
            QStringLiteral("No se puede cambiar la salida del PDF con un documento a medias"));
    salida_ = salida;
}

SalidaDocumento& DispositivoPdf::salida() const {
    if (!salida_)
        throw ErrorVelmor(ErrorVelmor::ErrorImpresora,
                          QStringLiteral("El documento PDF no tiene dónde escribirse"));
    return *salida_;
}

void DispositivoPdf::ponFuente(const QString& nombre) {
    familia_ = nombre;
    letra_.reset();
}
void DispositivoPdf::ponTamano(double puntos) {
    if (!(puntos > 0) || puntos > 16000)
        throw ErrorVelmor(ErrorVelmor::ArgumentoNoValido,
                          QStringLiteral("Tamaño de letra no válido: %1 puntos").arg(puntos));
    tamano_ = puntos;
    letra_.reset();
}
void DispositivoPdf::ponNegrita(bool activa) {
    negrita_ = activa;
    letra_.reset();
}
void DispositivoPdf::ponCursiva(bool activa) {
    cursiva_ = activa;
    letra_.reset();
}

void DispositivoPdf::reiniciaFormato() {
    tamano_ = 10;
    negrita_ = cursiva_ = subrayado_ = false;
    letra_.reset();
}

LetraPdf& DispositivoPdf::letra() {
    if (!letra_) letra_ = fuentes_->letra(familia_, tamano_, negrita_, cursiva_);
    return *letra_;
}

int DispositivoPdf::anchoPagina() {
    return qRound(pagina_.anchoArea() * 20.0);
}

void DispositivoPdf::abreDocumento() {
    SalidaDocumento& s = salida();
    const Papel& p = pagina_;
    area_ = QRectF(p.margenes.left(), p.altoHoja() - p.margenes.top(), p.anchoArea(), p.altoArea());
    altoPixeles_ = p.altoAreaPixeles(kResolucion);
    fuentes_->actualiza();
    salidaAbierta_ = true;
    s.abre();
    documento_ = std::make_unique<DocumentoPdf>(s, *compresor_, QSizeF(p.anchoHoja(), p.altoHoja()),
                                                TituloVelmor());
}

void DispositivoPdf::pinta(const Dibujo& d) {
    const int n = documento_->imagen(d.imagen);
    documento_->pagina().imagen(n, area_.left() + puntos(d.rect.x()),
                                area_.top() - puntos(d.rect.bottom()), puntos(d.rect.width()),
                                puntos(d.rect.height()), d.imagen.orientacion);
    dibujosPagina_.push_back(d);
}

void DispositivoPdf::empiezaPagina(const std::vector<Dibujo>& dibujos) {
    documento_->empiezaPagina();
    dibujosPagina_.clear();
    for (const Dibujo& d : dibujos)
        pinta(d);
}

void DispositivoPdf::aseguraPagina() {
    if (!documento_) {
        abreDocumento();
        // Page breaks before the first output are dropped: the first page is the last one asked
        // for.
        empiezaPagina(pendientes_.empty() ? std::vector<Dibujo>{} : pendientes_.back());
        pendientes_.clear();
        return;
    }
    for (const auto& pagina : pendientes_)
        empiezaPagina(pagina);
    pendientes_.clear();
}

// A line that would end below the printable area goes on a sheet of its own making, behind the
// same pictures, rather than off the paper: 66 lines in pica or elite are taller than A4's
// printable height.
void DispositivoPdf::cabeLaLinea(double alto) {
    if (y_ <= 0 || px(y_) + alto <= altoPixeles_) return;
    pendientes_.push_back(std::move(dibujosPagina_));
    y_ = 0;
    aseguraPagina();
}

void DispositivoPdf::escribe(const QString& texto) {
    if (texto.isEmpty()) return;
    aseguraPagina();
    LetraPdf& l = letra();
    cabeLaLinea(l.alto());
    const double base = area_.top() - puntos(y_) - l.ascenso() * 72.0 / kResolucion;
    const double ancho =
        texto_->dibuja(*documento_, l, texto, area_.left() + puntos(x_), base, subrayado_);
    x_ += ancho * 1440.0 / kResolucion;
}

void DispositivoPdf::escribeEnCeldas(int x, int base, const QString& texto, int celda) {
    if (texto.isEmpty()) return;
    aseguraPagina();
    LetraPdf& l = letra();
    const double propio = l.glifo(u'0').avance;
    const double escala = propio > 0 ? px(celda) / propio : 1;
    texto_->dibujaEnCeldas(*documento_, l, texto, area_.left() + puntos(x),
                           area_.top() - puntos(base), subrayado_, px(celda), escala);
}

void DispositivoPdf::finLinea() {
    aseguraPagina();
    x_ = 0;
    y_ += letra().alto() * 1440.0 / kResolucion;
}

void DispositivoPdf::nuevaPagina() {
    if (!documento_)
        pendientes_.assign(1, {});
    else
        pendientes_.emplace_back();
    x_ = y_ = 0;
}

void DispositivoPdf::dibujaImagen(const Imagen& imagen, int x, int y, int ancho, int alto) {
    Dibujo d{imagen, QRectF(x, y, ancho, alto)};
    if (documento_ && pendientes_.empty()) {
        pinta(d);
        return;
    }
    // A picture on a page not yet begun waits for the page's first output.
    if (pendientes_.empty()) pendientes_.emplace_back();
    pendientes_.back().push_back(std::move(d));
}

void DispositivoPdf::cierraEstado() {
    documento_.reset();
    pendientes_.clear();
    dibujosPagina_.clear();
    x_ = y_ = 0;
}

void DispositivoPdf::finDocumento() {
    if (!documento_) {
        cierraEstado();
        return;
    }
    try {
        documento_->termina();
        salida_->termina();
        salidaAbierta_ = false;
    } catch (...) {
        descartaDocumento();
        throw;
    }
    cierraEstado();
}

void DispositivoPdf::descartaDocumento() {
    if (salidaAbierta_ && salida_) salida_->descarta();
    salidaAbierta_ = false;
    cierraEstado();
}
