#include "shared/error.h"

ErrorVelmor::ErrorVelmor(int numero, QString descripcion)
    : std::runtime_error(descripcion.toStdString()), numero_(numero),
      descripcion_(std::move(descripcion)) {}

QString ErrorVelmor::texto() const {
    return QString::number(numero_) + ' ' + descripcion_;
}
