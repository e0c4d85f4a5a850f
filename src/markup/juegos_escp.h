#pragma once

#include <QChar>
#include <array>
#include <cstdint>

class PaginasCodigo;

// The character international set `juego` (ESC R n) prints for a byte of the lower half: the
// byte's own ASCII character unless the set replaces it (or the set is unknown).
QChar CaracterNacional(int juego, uint8_t byte);

// The characters an Epson printer prints for the bytes of a file: the lower half as the
// international character set (ESC R n) has it, the upper half from the character table in use
// (ESC t n): italics of the lower half, or a DOS code page.
class JuegoEscP {
  public:
    // The upper half from `pagina` (the DOS code page the files are written in).
    explicit JuegoEscP(const PaginasCodigo& pagina);

    // ESC R n: USA 0, France 1, Germany 2, UK 3, Denmark I 4, Sweden 5, Italy 6, Spain I 7,
    // Japan 8, Norway 9, Denmark II 10, Spain II 11, Latin America 12, Korea 13, Legal 64. Any
    // other number leaves the set as it is.
    void ponInternacional(int n);
    // ESC t n: the upper half from character table n (0 to 3, or "0" to "3"): at power-on 0 the
    // italics, 1 to 3 the code page; 2 also shifts the user-defined characters to the upper half.
    void ponTabla(int n);
    int tabla() const { return actual_; }
    // ESC ( t: table n (0 to 3) becomes `pagina`'s, or the italics when `pagina` is null.
    void asignaTabla(int n, const PaginasCodigo* pagina);

    // The character for the byte, and whether the table prints it in italics.
    QChar caracter(uint8_t byte) const;
    bool cursivaDeTabla(uint8_t byte) const { return byte >= 0x80 && tablas_[actual_].cursiva; }

  private:
    struct Tabla {
        bool cursiva = false;
        std::array<char16_t, 128> superior{}; // 0x80..0xFF in the code page
    };
    std::array<char16_t, 12> nacionales_{}; // # $ @ [ \ ] ^ ` { | } ~ in the set in use
    std::array<Tabla, 4> tablas_{};
    int actual_ = 1;
};

// The code page of Epson's character table `id` (ESC ( t's d2, with `variante` its d3) where
// iconv has that page; null for the italics (0), a table iconv lacks, or an unknown id.
const PaginasCodigo* PaginaDeTablaEpson(int id, int variante);
