#include "shared/error.h"

#include "shared/nombres_fichero.h"

ErrorVelmor::ErrorVelmor(int numero, QString descripcion, QString fichero, int linea)
    : std::runtime_error(descripcion.toStdString()), numero_(numero),
      descripcion_(std::move(descripcion)), fichero_(std::move(fichero)), linea_(linea) {}

ErrorVelmor ErrorVelmor::DeFichero(int numero, QString descripcion, QString fichero) {
    ErrorVelmor e(numero, std::move(descripcion), std::move(fichero));
    e.nombradoEnDescripcion_ = true;
    return e;
}

ErrorVelmor ErrorVelmor::en(const QString& fichero, int linea) const {
    if (!fichero_.isEmpty()) return *this;
    ErrorVelmor e = *this;
    e.fichero_ = fichero;
    e.linea_ = linea;
    return e;
}

QString ErrorVelmor::mensaje() const {
    if (fichero_.isEmpty() || (nombradoEnDescripcion_ && linea_ == 0)) return descripcion_;
    const QString donde = NombreVisible(fichero_);
    if (linea_ > 0)
        return descripcion_ + QStringLiteral(" (fichero «%1», línea %2)").arg(donde).arg(linea_);
    return descripcion_ + QStringLiteral(" (fichero «%1»)").arg(donde);
}

QString ErrorVelmor::texto() const {
    return mensaje() + QStringLiteral(" [%1]").arg(numero_);
}
