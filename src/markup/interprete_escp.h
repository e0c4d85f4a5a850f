#pragma once

#include "markup/juegos_escp.h"
#include "shared/fichero_regular.h"
#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

// Epson ESC/P (9-pin, 24-pin and ESC/P 2) read as the printer reads it, into a page of positioned
// text and pictures. Positions are printer units of 1/360 inch from the printable area's top-left
// corner; every character of a line stands on the line's one baseline, in a cell as wide as the
// pitch makes it.

// The look of a piece of text.
struct FormatoEscP {
    QString fuente;
    double puntos = 12; // the glyphs' height: pica's size, doubled by ESC w, smaller in ESC S
    double celda = 36;  // the width of each character's cell (1/360 inch); in proportional
                        // spacing the face's digit, so that each glyph keeps its own width
    bool negrita = false, cursiva = false, subrayado = false;
    bool operator==(const FormatoEscP&) const = default;
};

// Characters in one format, each in its cell from x on, standing on the baseline.
struct TextoEscP {
    double x = 0, base = 0;
    QString texto;
    FormatoEscP formato;
};

// A bit image: `ancho` x `alto` dots, row by row, each row ceil(ancho / 8) bytes, the leftmost dot
// the top bit; placed with its top-left corner at (x, y), `anchoUnidades` x `altoUnidades` big.
struct GraficoEscP {
    int ancho = 0, alto = 0;
    QByteArray puntos;
    double x = 0, y = 0, anchoUnidades = 0, altoUnidades = 0;
};

// Where the page goes, in the order of the file.
class SalidaEscP {
  public:
    virtual ~SalidaEscP() = default;
    virtual void texto(const TextoEscP& texto) = 0;
    virtual void grafico(const GraficoEscP& grafico) = 0;
    // The page ends; what comes next goes on a new one.
    virtual void salto() = 0;
    // A sheet ejected with nothing on it (a form feed on a page another form feed began).
    virtual void hojaEnBlanco() = 0;
    // The whole file has been read and found unchanged.
    virtual void finDocumento() = 0;
    // How far the character moves the print position in the format's face (1/360 inch), for
    // proportional spacing; 0 when there is no face to measure (the pitch's cell then).
    virtual double avance(const FormatoEscP& formato, QChar c) {
        (void)formato, (void)c;
        return 0;
    }
};

struct OpcionesEscP {
    bool nueveAgujas = false; // 9-pin units for ESC 3, ESC A, ESC J and graphics; else 24-pin
    int lineasPagina = 66;    // the page length at power-on, in lines of 1/6 inch
    bool modoDos = false;     // the base font "Ravendot", no code page for the upper half
    qsizetype limiteLinea = 1024 * 1024; // bytes of the file between two line ends
};

class InterpreteEscP {
  public:
    InterpreteEscP(OpcionesEscP opciones, SalidaEscP& salida);
    ~InterpreteEscP();

    // Reads the whole file onto the output; the document ends only once the file was read whole
    // and found unchanged. Throws ErrorVelmor located in the file (and the line, when a line
    // caused it). Returns the file as it was read.
    IdentidadFichero interpreta(const QString& ruta);

    // The next bytes of the file (a command may continue in the next call); then termina.
    void lee(QByteArrayView bytes);
    void termina();
    int linea() const { return lineas_ + 1; }

  private:
    enum class Estado : uint8_t { Texto, Orden, Parametros, Datos, HastaNul, Rle };
    struct Modo;           // the printer's type settings
    struct CaracterPropio; // a user-defined character (ESC &)

    void byteDeTexto(uint8_t c);
    void control(uint8_t c);
    void orden(uint8_t c);
    void parametrosCompletos();
    void ejecuta();
    void ejecutaParentesis();
    void datoRle(uint8_t c);
    void cuentaLinea(uint8_t c);
    void cuentaByte();

    void caracter(QChar c, bool cursivaDeTabla = false);
    double mide(FormatoEscP& f, QChar c);
    double espacioExtra() const;
    void saltaSiNoCabe(double avance);
    void subraya(const FormatoEscP& f, double avance);
    const CaracterPropio* propio(uint8_t c) const;
    void dibujaPropio(const CaracterPropio& propio);
    void definePropio();
    void vuelcaTrozo();
    void muevePosicion(double x);
    void avanzaLinea(double cuanto);
    void nuevaPagina(bool porAvance);
    void marca();
    void grafico(int columnas, int puntosPorColumna, int bytesPorColumna, double dpiH, double dpiV);
    void raster();
    void reinicia();
    FormatoEscP formato() const;
    double celdaBase() const;
    double base() const;
    double ancho() const;

    OpcionesEscP opciones_;
    SalidaEscP& salida_;
    JuegoEscP juego_;

    // Reading the commands.
    Estado estado_ = Estado::Texto;
    uint8_t orden_ = 0;
    QByteArray parametros_;
    int faltan_ = 0;
    QByteArray datos_; // the command's data, as far as it is kept
    int64_t declarados_ = 0, saltar_ = 0;
    bool guardar_ = false;       // keep the data (graphics, ESC ( ), or only skip it
    int listaDeCaracteres_ = -1; // ESC &: the characters still to come; -1 outside a list
    int caracteresDeclarados_ = 0;
    bool cabeceraPropios_ = false; // the parameters just read are ESC &'s "0 n m"
    uint8_t codigoPropio_ = 0;     // the code the next character of the list defines
    int64_t rleTramo_ = 0;         // bytes left in the current run of ESC . data
    bool rleRepite_ = false, rleCuenta_ = true;
    qsizetype bytesLinea_ = 0;
    int lineas_ = 0;
    bool trasCr_ = false;

    // The printer.
    std::unique_ptr<Modo> modo_;
    double x_ = 0, y_ = 0;
    double margenIzq_ = 0, margenDer_ = 0; // 0: no right margin
    double espacio_ = 60;                  // line spacing
    double largo_ = 3960;                  // page length
    double unidadH_ = 0, unidadV_ = 0;     // ESC ( U; 0: each command's own unit
    std::vector<double> tabulaciones_;     // ESC D, from the left margin; empty: every 8 columns
    bool tabulacionesPropias_ = false;
    std::vector<double> tabulacionesV_; // ESC B, from the top of the page
    double ultimaCelda_ = 36;
    std::vector<CaracterPropio> propios_; // by code; each drawn only while ESC % 1 is on

    // The page.
    TextoEscP trozo_;
    bool marcasEnPagina_ = false;
    bool paginaDelFichero_ = false; // the page began at the file's own form feed
    bool saltoPendiente_ = false;
};
