#pragma once

#include <QString>
#include <stdexcept>

// The one error type of the program: a number and a Spanish description that names what went
// wrong and where. Message boxes and the command-line printer show both.
class ErrorVelmor : public std::runtime_error {
  public:
    // Numbers follow the classic runtime error numbers the users of the DOS programs know.
    enum Numero : int {
        ArgumentoNoValido = 5, // malformed tag line, bad argument
        DesbordamientoNumero = 6,
        FicheroNoEncontrado = 53,
        ErrorEntradaSalida = 57,
        PermisoDenegado = 70,
        ErrorAccesoRuta = 75,
        PaginaCodigosDesconocida = 1001,
        ImagenNoValida = 481,
        ErrorImpresora = 482,
        OrientacionRechazada = 484,
    };

    ErrorVelmor(int numero, QString descripcion);

    int numero() const { return numero_; }
    const QString& descripcion() const { return descripcion_; }
    // "numero descripcion", as the printer activation box shows it.
    QString texto() const;

  private:
    int numero_;
    QString descripcion_;
};
