#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

// Epson ESC/P printer codes in a print file, turned into the PRT markup before the file is split
// into lines (graphics data may hold any byte, line ends included). Bold, italic, underline,
// double width, pitch, condensed, the reset and the page length become tags; every other ESC/P
// sequence is consumed whole, with the parameters and data the ESC/P reference gives it, so that
// no escape byte or parameter ever prints as text; an unknown sequence is ESC and one byte. Other
// C0 controls print nothing; CR, LF, HT and the form feed stay as they are. Text bytes pass
// unchanged, so a file without printer codes reads exactly as before.
//
// The reset ("ESC @") and the page length ("ESC C") have no markup of their own: they become
// tags whose names start with a control character, which no file can spell (see segmentos.h).
//
// The translator also guards the file's own shape, in the file's bytes: a line longer than the
// limit, and a command whose declared length runs past the end of the file (which would swallow
// the rest of the file as data), are errors with the number of the line where they stand.
class TraductorEscP {
  public:
    explicit TraductorEscP(qsizetype limiteLinea = 1024 * 1024) : limiteLinea_(limiteLinea) {}

    // Appends the translation of the next bytes of the file to `salida`; a sequence may continue
    // in the next call. Throws ErrorVelmor (LineaDemasiadoLarga) when a line of the file, counted
    // in its bytes, passes the limit; the error's line is lineaActual().
    void traduce(QByteArrayView entrada, QByteArray& salida);
    // The file has ended: throws ErrorVelmor (OrdenMalFormada, at lineaActual()) when it ended
    // inside a command's declared data.
    void termina() const;
    // 1-based line of the file where the bytes last translated stand (where the unfinished
    // command began, after termina's error).
    int lineaActual() const { return lineas_ + 1; }

  private:
    enum class Estado : uint8_t {
        Texto,
        Orden,      // after ESC: the command byte
        Parametros, // the command's fixed parameters
        Datos,      // bytes to skip
        HastaNul,   // a list that ends with a NUL
        Rle,        // run-length graphics: a counter byte
        RleLiteral, // literal bytes of a run
        RleRepite,  // the repeated byte of a run
    };

    const char* corridaDeTexto(const char* p, const char* fin, QByteArray& salida);
    void paso(char c, QByteArray& salida);
    void texto(char c, QByteArray& salida);
    void orden(char c, QByteArray& salida);
    void completa(QByteArray& salida); // the command and its parameters are all here
    void aplica(QByteArray& salida);   // what a complete command means
    void finDeDatos();
    void etiqueta(QByteArray& salida, const char* nombre);
    void tamano(QByteArray& salida); // the pitch tag for the current pitch and width
    void rle(uint8_t c);
    void ponInternacional(int juego);

    void cuentaLinea(char c);
    void cuentaByte();

    qsizetype limiteLinea_;
    qsizetype bytesLinea_ = 0; // bytes of the file since the last line end
    int lineas_ = 0;           // line ends seen in the text
    bool trasCr_ = false;      // the last text byte was CR: an LF after it ends no other line
    int64_t declarados_ = 0;   // the data length the unfinished command declared

    Estado estado_ = Estado::Texto;
    uint8_t orden_ = 0;
    QByteArray parametros_;
    int faltan_ = 0;             // parameter bytes still to come
    int64_t saltar_ = 0;         // data bytes still to skip
    int64_t rleResta_ = 0;       // graphics bytes the run-length data still has to give
    int listaDeCaracteres_ = -1; // user characters still to come (ESC &)

    // The printer state the tags stand for.
    bool doble_ = false;      // ESC W 1
    bool dobleLinea_ = false; // SO: double width to the end of the line
    bool condensado_ = false;
    char paso_ = 'P'; // 'P' pica, 'M' elite, 'g' fifteen to the inch
    // ESC R: the byte of the DOS code page for each byte of the lower half the international set
    // replaces ("\\" is "Ñ" in Spain I); empty for USA.
    QByteArray nacionales_;
};
