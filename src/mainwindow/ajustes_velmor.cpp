#include "mainwindow/ajustes_velmor.h"

#include <QSettings>
#include <QStandardPaths>

namespace {
// Keys of the print settings: the names of velmor-imprimir's options.
const char* const kCp = "impresion/cp";
const char* const kPapel = "impresion/papel";
const char* const kMargenes = "impresion/margenes";
const char* const kLineas = "impresion/lineas";
const char* const kAgujas = "impresion/agujas";
} // namespace

AjustesVelmor::AjustesVelmor(const QString& fichero) {
    if (!fichero.isEmpty()) s_ = std::make_unique<QSettings>(fichero, QSettings::IniFormat);
}

AjustesVelmor::~AjustesVelmor() = default;

QString AjustesVelmor::FicheroDelUsuario() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/velmor/velmor.conf");
}

AjustesImpresion AjustesVelmor::Impresion() const {
    AjustesImpresion a;
    if (!s_) return a;
    const QString cp = s_->value(kCp).toString().trimmed();
    if (!cp.isEmpty()) a.paginaCodigo = cp;
    // Each item alone: one that cannot be read keeps its default, the others still count.
    AjustesImpresion leido = a;
    if (!leido.LeePapel(s_->value(kPapel, a.TextoPapel()).toString())) a = leido;
    leido = a;
    if (!leido.LeeMargenes(s_->value(kMargenes, a.TextoMargenes()).toString())) a = leido;
    leido = a;
    if (!leido.LeeLineas(s_->value(kLineas, a.lineas).toString())) a = leido;
    leido = a;
    if (!leido.LeeAgujas(s_->value(kAgujas, a.agujas).toString())) a = leido;
    return a;
}

void AjustesVelmor::PonImpresion(const AjustesImpresion& a) {
    if (!s_) return;
    s_->setValue(kCp, a.paginaCodigo);
    s_->setValue(kPapel, a.TextoPapel());
    s_->setValue(kMargenes, a.TextoMargenes());
    s_->setValue(kLineas, a.lineas);
    s_->setValue(kAgujas, a.agujas);
}

std::optional<QPoint> AjustesVelmor::Posicion() const {
    if (!s_ || !s_->contains("ventana/posicion")) return std::nullopt;
    const QVariant v = s_->value("ventana/posicion");
    if (!v.canConvert<QPoint>()) return std::nullopt;
    return v.toPoint();
}

void AjustesVelmor::PonPosicion(QPoint posicion) {
    if (s_) s_->setValue("ventana/posicion", posicion);
}

QString AjustesVelmor::Carpeta() const {
    return s_ ? s_->value("ventana/carpeta").toString() : QString();
}

void AjustesVelmor::PonCarpeta(const QString& carpeta) {
    if (s_) s_->setValue("ventana/carpeta", carpeta);
}

QString AjustesVelmor::Impresora() const {
    return s_ ? s_->value("impresora/nombre").toString() : QString();
}

Orientacion AjustesVelmor::OrientacionImpresora() const {
    const QString palabra = s_ ? s_->value("impresora/orientacion").toString() : QString();
    return palabra == QLatin1String("Horizontal") ? Orientacion::Horizontal
           : palabra == QLatin1String("Vertical") ? Orientacion::Vertical
                                                  : Orientacion::SegunImpresora;
}

void AjustesVelmor::PonImpresora(const QString& nombre, Orientacion orientacion) {
    if (!s_) return;
    s_->setValue("impresora/nombre", nombre);
    s_->setValue("impresora/orientacion", orientacion == Orientacion::Horizontal ? "Horizontal"
                                          : orientacion == Orientacion::Vertical ? "Vertical"
                                                                                 : "");
}

void AjustesVelmor::Guarda() {
    if (s_) s_->sync();
}
