#pragma once

#include <QString>
#include <stdexcept>

// The one error type of the program: a number, a Spanish description of the cause, and where it
// happened (the file, and the line when a line caused it) as fields of their own.
class ErrorVelmor : public std::runtime_error {
  public:
    // Numbers follow the classic runtime error numbers the users of the DOS programs know.
    enum Numero : int {
        ArgumentoNoValido = 5, // malformed tag line, bad argument
        DesbordamientoNumero = 6,
        MemoriaInsuficiente = 7,
        FicheroNoEncontrado = 53,
        ErrorEntradaSalida = 57,
        DiscoLleno = 61,
        PermisoDenegado = 70,
        ErrorAccesoRuta = 75,
        FicheroCambiado = 76,
        PaginaCodigosDesconocida = 1001,
        LineaDemasiadoLarga = 1002,
        LenguajeNoImprimible = 1003, // a printer language Velmor does not render
        NadaQueImprimir = 1004,      // a file that is not empty puts no mark on paper
        OrdenMalFormada = 1005,      // a printer command whose declared length runs past the end
        ImagenNoValida = 481,
        ErrorImpresora = 482,
        OrientacionRechazada = 484,
        TrabajoNoTerminado = 485,
    };

    ErrorVelmor(int numero, QString descripcion, QString fichero = {}, int linea = 0);
    // An error about a file whose description already names it ("No se encuentra el fichero
    // «X»"): the file is kept as a field, and the message does not name it twice.
    static ErrorVelmor DeFichero(int numero, QString descripcion, QString fichero);

    int numero() const { return numero_; }
    const QString& descripcion() const { return descripcion_; }
    const QString& fichero() const { return fichero_; }
    int linea() const { return linea_; } // 0: no line caused it

    // The same error located in a file (and line), unless it already is.
    ErrorVelmor en(const QString& fichero, int linea = 0) const;

    // The description followed by where it happened: "… (fichero «F», línea L)".
    QString mensaje() const;
    // "mensaje [numero]": the number follows in brackets, never leads.
    QString texto() const;

  private:
    int numero_;
    QString descripcion_;
    QString fichero_;
    int linea_;
    bool nombradoEnDescripcion_ = false;
};
